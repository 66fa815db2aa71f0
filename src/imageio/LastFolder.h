#pragma once
// The folder every file dialog of the program opens in: one for the whole program.

#include <QString>

// Empty until set; otherwise a folder ending in exactly one '/'.
QString LastFolder();
// Sets it outright (start-up: the program's "Templates" folder); a trailing '/' is added.
void SetLastFolder(const QString& folder);
// Keeps the folder part of path (up to and including the last '/') when that folder exists or
// can be created (one level); otherwise the last folder keeps its value.
void RememberFolder(const QString& path);
