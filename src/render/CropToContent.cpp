#include "render/CropToContent.h"

#include "raster/TBitmap32.h"

#include <algorithm>

void CropToContent(TBitmap32& b)
{
    const int W = b.Width(), H = b.Height();
    if (W < 2 || H < 2)
        return; // nothing outside row 0 and column 0 to examine
    TColor32 bg = b.Pixel(W - 1, H - 1);
    const TColor32 lowerLeft = b.Pixel(1, H - 1), upperRight = b.Pixel(W - 1, 1);
    if (lowerLeft != bg && upperRight != bg && lowerLeft == upperRight)
        bg = lowerLeft; // two corners agreeing outvote the third

    auto columnHas = [&](int x) {
        for (int y = 1; y < H; ++y)
            if (b.Pixel(x, y) != bg)
                return true;
        return false;
    };
    auto rowHas = [&](int y) {
        const TColor32* row = b.ScanLine(y);
        for (int x = 1; x < W; ++x)
            if (row[x] != bg)
                return true;
        return false;
    };
    int left = 0, right = W - 1, top = 0, bottom = H - 1;
    for (int x = 1; x < W; ++x)
        if (columnHas(x)) {
            left = x;
            break;
        }
    for (int x = W - 1; x >= 1; --x)
        if (columnHas(x)) {
            right = x;
            break;
        }
    for (int y = 1; y < H; ++y)
        if (rowHas(y)) {
            top = y;
            break;
        }
    for (int y = H - 1; y >= 1; --y)
        if (rowHas(y)) {
            bottom = y;
            break;
        }
    const TBitmap32 copy = b;
    b.SetSize(right - left + 1, bottom - top + 1);
    for (int y = 0; y < b.Height(); ++y)
        std::copy_n(copy.ScanLine(top + y) + left, b.Width(), b.ScanLine(y));
}
