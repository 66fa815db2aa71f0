#include "imageio/IconReader.h"

#include "imageio/BmpReader.h"
#include "imageio/QtImageReader.h"

#include <QImage>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

[[noreturn]] void Invalid() { throw std::runtime_error("Icon image is not valid"); }

uint16_t U16(const uchar* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uchar* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
uint32_t B32(const uchar* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]); }

const uchar PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct TEntry {
    const uchar* Data = nullptr;
    qsizetype Size = 0;
    bool Png = false;
    int64_t Width = 0;  // from the entry's own header, not the directory, which may disagree
    int64_t Height = 0;
    int Depth = 0;
};

// Reads an entry's real size and depth; false when the entry is unusable.
bool Inspect(TEntry& e)
{
    if (e.Size >= 24 && std::memcmp(e.Data, PngSignature, 8) == 0) {
        e.Png = true;
        e.Width = B32(e.Data + 16);
        e.Height = B32(e.Data + 20);
        e.Depth = 32;
        return e.Width > 0 && e.Height > 0;
    }
    if (e.Size < 12)
        return false;
    const uint32_t headerSize = U32(e.Data);
    if (headerSize == 12) {
        e.Width = U16(e.Data + 4);
        e.Height = U16(e.Data + 6) / 2;
        e.Depth = U16(e.Data + 10);
    } else if (headerSize >= 16 && e.Size >= 16) {
        e.Width = int32_t(U32(e.Data + 4));
        e.Height = int32_t(U32(e.Data + 8)) / 2;
        e.Depth = U16(e.Data + 14);
    } else {
        return false;
    }
    return e.Width > 0 && e.Height > 0;
}

TBitmap32 DecodePngEntry(const TEntry& e)
{
    CheckBitmapSize(e.Width, e.Height);
    TBitmap32 out;
    try {
        DecodeWithQt(QByteArray::fromRawData(reinterpret_cast<const char*>(e.Data), e.Size), "png", out);
    } catch (const std::runtime_error&) {
        Invalid();
    }
    return out;
}

// A bitmap entry: the colour (XOR) bitmap of half the stored height, then the 1-bit AND mask.
TBitmap32 DecodeBitmapEntry(const TEntry& e)
{
    std::vector<uchar> dib(e.Data, e.Data + e.Size);
    const uint32_t headerSize = U32(dib.data());
    const int width = int(e.Width), height = int(e.Height);
    // The header counts both bitmaps; the colour bitmap alone is half as high.
    if (headerSize == 12) {
        dib[6] = uchar(height);
        dib[7] = uchar(height >> 8);
    } else {
        for (int i = 0; i < 4; ++i)
            dib[8 + i] = uchar(uint32_t(height) >> (8 * i));
    }
    TBitmap32 picture;
    TDibInfo info;
    try {
        info = DecodeDib(dib.data(), qsizetype(dib.size()), picture);
    } catch (const std::runtime_error&) {
        Invalid();
    }

    // Where the mask starts: after the colour table and the colour bits.
    const int bpp = info.BitsPerPixel;
    const qsizetype entrySize = headerSize == 12 ? 3 : 4;
    const uint32_t colorsUsed = headerSize >= 36 ? U32(dib.data() + 32) : 0;
    const qsizetype colors = colorsUsed ? colorsUsed : (bpp <= 8 ? (1 << bpp) : 0);
    const qsizetype colorRow = ((qsizetype(width) * bpp + 31) / 32) * 4;
    // Bit-field colour masks after a 40-byte header come before the colour table.
    const uint32_t compression = headerSize >= 20 ? U32(dib.data() + 16) : 0;
    const qsizetype colorMasks = headerSize == 40 ? (compression == 3 ? 12 : compression == 6 ? 16 : 0) : 0;
    const qsizetype maskOffset = qsizetype(headerSize) + colorMasks + colors * entrySize + colorRow * height;
    const qsizetype maskRow = ((qsizetype(width) + 31) / 32) * 4;
    const bool hasMask = maskOffset + maskRow * height <= qsizetype(dib.size());

    if (info.HasAlpha || !hasMask) // 32-bit entries with alpha ignore their mask
        return picture;
    picture.ResetAlpha(255);
    for (int row = 0; row < height; ++row) {
        const uchar* mask = dib.data() + maskOffset + maskRow * row;
        TColor32* line = picture.ScanLine(height - 1 - row);
        for (int x = 0; x < width; ++x)
            if (mask[x / 8] & (0x80 >> (x % 8)))
                line[x] = 0; // masked: the screen shows through
    }
    return picture;
}

} // namespace

void DecodeIcon(const uchar* data, qsizetype size, TBitmap32& target)
{
    if (!data || size < 6)
        Invalid();
    const int type = U16(data + 2);
    const int count = U16(data + 4);
    if (U16(data) != 0 || (type != 1 && type != 2) || count == 0 || 6 + qsizetype(count) * 16 > size)
        Invalid();

    TEntry best;
    for (int i = 0; i < count; ++i) {
        const uchar* d = data + 6 + 16 * i;
        const qsizetype bytes = U32(d + 8);
        const qsizetype offset = U32(d + 12);
        if (offset < 6 + qsizetype(count) * 16 || offset > size || bytes > size - offset)
            continue; // an entry outside the file is skipped
        TEntry e{data + offset, bytes};
        if (!Inspect(e))
            continue;
        // PNG entries declare 32-bit sizes: their areas are compared without overflow.
        const uint64_t area = uint64_t(e.Width) * uint64_t(e.Height);
        const uint64_t bestArea = uint64_t(best.Width) * uint64_t(best.Height);
        const bool better = !best.Data || area > bestArea || (area == bestArea && e.Depth > best.Depth);
        if (better)
            best = e;
    }
    if (!best.Data)
        Invalid();
    target = best.Png ? DecodePngEntry(best) : DecodeBitmapEntry(best);
}
