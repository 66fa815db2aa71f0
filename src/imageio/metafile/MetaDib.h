#pragma once
// Bitmaps embedded in metafile records, decoded by our BMP reader.

#include <QImage>
#include <QtGlobal>

// A packed DIB (information header, colour table, bits). bitsOffset < 0: the bits follow the
// colour table; otherwise they start that many bytes after data. A null image when the DIB does
// not decode; bottomUp tells whether its rows are stored bottom row first.
QImage DecodeMetaDib(const uchar* data, qsizetype size, qsizetype bitsOffset = -1, bool* bottomUp = nullptr);
