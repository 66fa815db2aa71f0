#pragma once
// How much more memory this process can take before the system refuses it or ends the process:
// the least of what the kernel counts as available without swapping (MemAvailable), what the
// process's control group still allows (a container's limit), and what its address-space and
// data limits (ulimit -v, -d) leave. Work that needs more is refused before it starts rather
// than have the program killed halfway, with the user's work in it.

#include <QString>
#include <QtGlobal>

// Bytes, or -1 when the system tells nothing (then nothing can be judged in advance). The files
// of /proc and /sys are read below systemRoot (empty: this system's own).
qint64 AvailableMemory(const QString& systemRoot = QString());
