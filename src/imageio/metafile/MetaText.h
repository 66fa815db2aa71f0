#pragma once
// Text of metafile records: 8-bit strings in the font's character set.

#include <QString>
#include <cstddef>

// Decodes an 8-bit string of the given LOGFONT character set: the Western code page 1252 for
// ANSI and the default set, Latin-1 as a fallback for the others. Stops at the first NUL.
QString DecodeAnsiText(const unsigned char* data, size_t size, int charSet);
