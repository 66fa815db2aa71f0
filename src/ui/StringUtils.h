#pragma once
// String helpers shared by the user interface.

#include <QString>

// ASCII-only case mapping and comparison: other characters are left or compared exactly.
QString UpperCaseAscii(const QString& s);
QString LowerCaseAscii(const QString& s);
bool SameTextAscii(const QString& a, const QString& b);
int CompareTextAscii(const QString& a, const QString& b);

// Blanks and control characters removed from both ends.
QString TrimBlanksAndControls(const QString& s);
// A hint as shown: trimmed, with one leading space.
QString FormatHint(const QString& hint);
// An exception message as shown: a full stop appended unless it ends in one.
QString WithFullStop(const QString& message);
// The file name without its folder.
QString FileNameOnly(const QString& path);
