#pragma once
// Our icon reader: ICO (and CUR) files with several entries; the largest, then deepest, is read.
// Bitmap entries are packed DIBs with an AND mask; PNG entries are decoded through Qt.

#include "raster/TBitmap32.h"

#include <QtGlobal>

// Masked pixels come out transparent (0), the others carry the entry's colours and, for 32-bit
// entries, their alpha. Throws std::runtime_error("Icon image is not valid") or the size message
// of CheckBitmapSize; target untouched then.
void DecodeIcon(const uchar* data, qsizetype size, TBitmap32& target);
