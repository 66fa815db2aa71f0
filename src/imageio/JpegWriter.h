#pragma once
// JPEG encoding through libjpeg: sequential, colour (YCbCr), 8 bits per channel, libjpeg's
// defaults apart from the quality. The fourth byte of each pixel is dropped.

#include "raster/TBitmap32.h"

#include <QByteArray>

// Throws std::runtime_error("JPEG error #%d").
QByteArray EncodeJpeg(const TBitmap32& picture, int quality);
