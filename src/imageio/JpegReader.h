#pragma once
// JPEG decoding through libjpeg: baseline and progressive, colour and greyscale, CMYK and Adobe's
// inverted CMYK converted to RGB. Every pixel comes out opaque, turned as the EXIF orientation says.

#include "raster/TBitmap32.h"

#include <QtGlobal>

// Throws std::runtime_error("JPEG error #%d") or the size message of CheckBitmapSize; target
// untouched then.
void DecodeJpeg(const uchar* data, qsizetype size, TBitmap32& target);
