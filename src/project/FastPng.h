#pragma once
// PNG for project files, written for speed: faces of several megapixels must save in well under a
// second, so deflate runs at its fastest level with one cheap row filter, and opaque pictures are
// written without their alpha channel.

#include "raster/TBitmap32.h"

#include <QByteArray>

// Throws TProjectError when libpng fails.
QByteArray EncodeFastPng(const TBitmap32& bitmap);
