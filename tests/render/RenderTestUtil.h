#pragma once
// Helpers shared by the render tests: synthetic atlases and pixel counting.

#include "cover/Composition.h"
#include "raster/TBitmap32.h"

#include "common/TestBitmaps.h"

#include <cmath>
#include <cstdlib>
#include <functional>

// An atlas of front fw x fh, side sw wide, top fw x sw, each region one colour, laid out by the
// cover's own code.
inline TBitmap32 MakeAtlas(int fw, int fh, int sw, TColor32 front, TColor32 side, TColor32 top)
{
    TBitmap32 topFace = Filled(fw, sw, top);
    return BuildAtlas(Filled(fw, fh, front), Filled(sw, fh, side), &topFace);
}

inline bool Near(TColor32 a, TColor32 b, int tolerance = 2)
{
    return std::abs(RedOf(a) - RedOf(b)) <= tolerance && std::abs(GreenOf(a) - GreenOf(b)) <= tolerance &&
           std::abs(BlueOf(a) - BlueOf(b)) <= tolerance;
}

inline int CountPixels(const TBitmap32& b, const std::function<bool(TColor32)>& pred)
{
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            n += pred(b.Pixel(x, y)) ? 1 : 0;
    return n;
}

// How many pixels of two same-sized pictures differ by more than `tolerance` levels.
inline int CountDiffering(const TBitmap32& a, const TBitmap32& b, int tolerance)
{
    int n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            n += Near(a.Pixel(x, y), b.Pixel(x, y), tolerance) ? 0 : 1;
    return n;
}

// Bounding box of the pixels that differ from `bg` by more than `tolerance`.
inline QRect ContentRect(const TBitmap32& b, TColor32 bg, int tolerance = 8)
{
    QRect r;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (!Near(b.Pixel(x, y), bg, tolerance))
                r |= QRect(x, y, 1, 1);
    return r;
}

// Projected size in pixels of a length at distance `depth` in front of the camera (28.1 degree
// vertical field of view over `viewHeight` pixels).
inline double ProjectedPixels(double length, double depth, int viewHeight, double zoom = 1.0)
{
    const double halfFov = 28.1 / zoom / 2 * M_PI / 180;
    return length / (2 * depth * std::tan(halfFov)) * viewHeight;
}
