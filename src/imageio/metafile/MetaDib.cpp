#include "imageio/metafile/MetaDib.h"

#include "imageio/BmpReader.h"
#include "raster/TBitmap32.h"

#include <stdexcept>

QImage DecodeMetaDib(const uchar* data, qsizetype size, qsizetype bitsOffset, bool* bottomUp)
{
    TBitmap32 bitmap;
    try {
        if (bitsOffset < 0)
            DecodeDib(data, size, bitmap);
        else
            DecodeDibAt(data, size, bitsOffset, bitmap);
    } catch (const std::runtime_error&) {
        return {}; // a bad bitmap is left out; the rest of the picture still plays
    }
    if (bottomUp) {
        // Only a header of 40 bytes or more can name a top-down bitmap (negative height).
        const uint32_t headerSize = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
        *bottomUp = true;
        if (headerSize >= 16 && size >= 12)
            *bottomUp = int32_t(uint32_t(data[8]) | uint32_t(data[9]) << 8 | uint32_t(data[10]) << 16 | uint32_t(data[11]) << 24) > 0;
    }
    return bitmap.ToImage();
}
