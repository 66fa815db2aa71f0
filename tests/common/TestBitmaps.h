#pragma once
// Pictures the tests build again and again: a plain colour, and picture files written by Qt.

#include "raster/TBitmap32.h"

#include <QImage>
#include <QString>
#include <gtest/gtest.h>

inline TBitmap32 Filled(int w, int h, TColor32 c)
{
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

// Writes a w x h picture of one colour to path through Qt's encoder for format; the path.
inline QString SavePicture(const QString& path, QSize size, QColor colour, const char* format = "BMP")
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    EXPECT_TRUE(image.save(path, format)) << path.toStdString();
    return path;
}
