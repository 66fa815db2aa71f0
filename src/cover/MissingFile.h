#pragma once
// The missing-file message of a face file. The cover model builds the text; the application
// installs a reporter that shows it (the message box lives above this library). Without a
// reporter the text goes to the Qt warning handler, so it is never silently lost.

#include <QString>
#include <functional>

using TMissingFileReporter = std::function<void(const QString& message)>;

// "<NAME>\r\nThe required file cannot be found.": the file's name without its folder, its ASCII
// letters in capitals.
QString MissingFileText(const QString& path);
// Installs the reporter (an empty function restores the default); returns the previous one.
TMissingFileReporter SetMissingFileReporter(TMissingFileReporter reporter);
// Whether path names an existing file; when it does not and report is set, the installed
// reporter is given MissingFileText(path).
bool FaceFileExists(const QString& path, bool report);
