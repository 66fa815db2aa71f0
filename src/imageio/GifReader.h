#pragma once
// Our GIF reader: 87a and 89a, global and local colour tables, interlaced images, the transparent
// colour of a graphic control extension. Only the first image of an animation is read.

#include "raster/TBitmap32.h"

#include <QtGlobal>

// Decodes the first image onto a canvas of the logical screen's size (grown to hold the image);
// pixels the image does not cover and its transparent pixels stay 0 (transparent black), the
// others are opaque. Throws std::runtime_error with one of "Invalid GIF signature", "Unsupported
// GIF version", "Invalid GIF data", "Unknown GIF block type", "Image is empty" or the size message
// of CheckBitmapSize; target untouched then.
void DecodeGif(const uchar* data, qsizetype size, TBitmap32& target);
