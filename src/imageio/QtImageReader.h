#pragma once
// PNG, TIFF and WebP come in through Qt's image plugins; everything else has a reader of our own.

#include "imageio/PictureKind.h"
#include "raster/TBitmap32.h"

#include <QByteArray>
#include <QSize>

// What a PNG, TIFF or WebP file declares, and the most pixels its picture data can paint.
struct TQtPictureClaim {
    QSize Size; // as stored, before its orientation is applied
    int64_t PaintablePixels = 0;
};

// Reads the header only. Throws std::runtime_error("<what> image is not valid") with Qt's reason,
// or the size message of CheckBitmapSize.
TQtPictureClaim ExamineWithQt(const QByteArray& bytes, const char* format);

// Decodes bytes in the given Qt format ("png", "tiff", "webp") into target, 32-bit with the file's
// alpha (opaque where the file has none), turned as its EXIF or TIFF orientation says. Throws as
// ExamineWithQt does, also before any large allocation when the declared size is beyond the
// budget and more than the picture data can paint; target untouched then. Answers whether the
// picture carries alpha. Peak memory: Qt's decoded picture plus the 32-bit result.
bool DecodeWithQt(const QByteArray& bytes, const char* format, TBitmap32& target);

// The kind a file's first bytes ask for among PNG, TIFF and WebP; None for anything else.
PictureKind SniffQtKind(const QByteArray& bytes);
