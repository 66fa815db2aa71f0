#include "imageio/metafile/MetaDib.h"

#include "imageio/BmpReader.h"
#include "raster/TBitmap32.h"

#include <cstdlib>
#include <stdexcept>

namespace {

uint32_t U32(const uchar* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const uchar* p) { return uint16_t(p[0] | p[1] << 8); }

// What the decoded DIB will hold in memory (our bitmap and its image copy), from its header.
int64_t DibCost(const uchar* data, qsizetype size)
{
    if (size < 12)
        return 0;
    const uint32_t headerSize = U32(data);
    if (headerSize == 12)
        return int64_t(U16(data + 4)) * U16(data + 6) * 8;
    if (size < 16)
        return 0;
    // Sides of up to 2^31 each: their product is taken in floating point, beyond any budget.
    const double cost = std::abs(double(int32_t(U32(data + 4)))) * std::abs(double(int32_t(U32(data + 8)))) * 8;
    return cost > 1e15 ? int64_t(1e15) : int64_t(cost);
}

} // namespace

QImage DecodeMetaDib(const uchar* data, qsizetype size, qsizetype bitsOffset, bool* bottomUp, TMetaDibContext& context)
{
    const int64_t cost = DibCost(data, size);
    if (cost > context.BudgetLeft)
        return {}; // beyond what the file may cost: left out like a bad bitmap
    context.BudgetLeft -= cost;
    TBitmap32 bitmap;
    try {
        if (!context.Palette.empty() && !DibHasColorTable(data, size, bitsOffset))
            DecodeDibWithPalette(data, size, bitsOffset, context.Palette, bitmap);
        else if (bitsOffset < 0)
            DecodeDib(data, size, bitmap);
        else
            DecodeDibAt(data, size, bitsOffset, bitmap);
    } catch (const std::runtime_error&) {
        return {}; // a bad bitmap is left out; the rest of the picture still plays
    }
    if (bottomUp) {
        // Only a header of 40 bytes or more can name a top-down bitmap (negative height).
        const uint32_t headerSize = U32(data);
        *bottomUp = true;
        if (headerSize >= 16 && size >= 12)
            *bottomUp = int32_t(U32(data + 8)) > 0;
    }
    return bitmap.ToImage();
}
