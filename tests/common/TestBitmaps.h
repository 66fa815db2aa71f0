#pragma once
// Pictures the tests build again and again: a plain colour, and picture files written by Qt.

#include "raster/TBitmap32.h"

#include <QImage>
#include <QString>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

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

// Peak signal-to-noise ratio of b against a over the colour channels, in dB (0 when the sizes
// differ, infinite when the pictures are equal).
inline double Psnr(const TBitmap32& a, const TBitmap32& b)
{
    if (a.Size() != b.Size() || a.Empty())
        return 0;
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const TColor32 p = a.Pixel(x, y), q = b.Pixel(x, y);
            for (int d : {RedOf(p) - RedOf(q), GreenOf(p) - GreenOf(q), BlueOf(p) - BlueOf(q)})
                sum += double(d) * d;
        }
    const double mse = sum / (3.0 * a.Width() * a.Height());
    return mse == 0 ? std::numeric_limits<double>::infinity() : 10 * std::log10(255.0 * 255.0 / mse);
}
