#pragma once
// Our BMP writer: file header, 40-byte information header, 32 bits per pixel, BI_RGB, rows bottom-up.
// The fourth byte of each pixel is written as it is.

#include "raster/TBitmap32.h"

#include <QByteArray>

QByteArray EncodeBmp(const TBitmap32& picture);
