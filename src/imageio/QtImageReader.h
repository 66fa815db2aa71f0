#pragma once
// PNG, TIFF and WebP come in through Qt's image plugins; everything else has a reader of our own.

#include "imageio/PictureKind.h"
#include "raster/TBitmap32.h"

#include <QByteArray>

// Decodes bytes in the given Qt format ("png", "tiff", "webp") into target, 32-bit with the file's
// alpha (opaque where the file has none). Throws std::runtime_error("<what> image is not valid")
// with Qt's reason, or the size message of CheckBitmapSize, before any large allocation when the
// declared size is out of bounds or out of proportion with the data; target untouched then.
// Answers whether the picture carries alpha.
bool DecodeWithQt(const QByteArray& bytes, const char* format, TBitmap32& target);

// The kind a file's first bytes ask for among PNG, TIFF and WebP; None for anything else.
PictureKind SniffQtKind(const QByteArray& bytes);
