#include "imageio/BmpReader.h"

#include "imageio/DecodeBudget.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace {

[[noreturn]] void Invalid() { throw std::runtime_error("Bitmap image is not valid"); }

uint16_t U16(const uchar* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uchar* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
int32_t S32(const uchar* p) { return int32_t(U32(p)); }

enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6 };

// One colour channel described by a bit mask, scaled to 8 bits.
class TChannel {
public:
    TChannel() = default;
    explicit TChannel(uint32_t mask) : FMask(mask)
    {
        if (mask == 0)
            return;
        FShift = std::countr_zero(mask);
        FBits = std::popcount(mask);
        if (std::countr_one(mask >> FShift) != FBits)
            Invalid(); // the bits of one channel must be contiguous
        FMax = (uint64_t(1) << FBits) - 1;
    }
    uint32_t Mask() const { return FMask; }
    int Get(uint32_t pixel) const
    {
        if (FBits == 0)
            return 0;
        const uint64_t v = (pixel & FMask) >> FShift;
        if (FBits == 8)
            return int(v);
        return int((v * 255 + FMax / 2) / FMax);
    }

private:
    uint32_t FMask = 0;
    int FShift = 0;
    int FBits = 0;
    uint64_t FMax = 1;
};

struct THeader {
    int Width = 0;
    int Height = 0;
    bool TopDown = false;
    int BitsPerPixel = 0;
    uint32_t Compression = BI_RGB;
    qsizetype PaletteOffset = 0;
    int PaletteEntrySize = 4;
    qsizetype PaletteStored = 0; // entries between the header and the bits
    qsizetype PaletteAnnounced = 0; // entries the header speaks of
    TChannel Red, Green, Blue, Alpha;
};

bool IsWindowsHeaderSize(uint32_t size) { return size == 40 || size == 52 || size == 56 || size == 108 || size == 124; }

// tableAbsent: the bits follow the header (and its masks) directly, whatever the header says of
// its colour table.
THeader ReadHeader(const uchar* data, qsizetype size, bool tableAbsent)
{
    THeader h;
    if (size < 12)
        Invalid();
    const uint32_t headerSize = U32(data);
    int64_t height = 0;
    int planes = 0;
    uint32_t colorsUsed = 0;
    if (headerSize == 12) {
        // OS/2 1.x: unsigned 16-bit sizes, three-byte palette entries, no compression.
        h.Width = U16(data + 4);
        height = U16(data + 6);
        planes = U16(data + 8);
        h.BitsPerPixel = U16(data + 10);
        h.PaletteEntrySize = 3;
    } else {
        // Windows V3/V4/V5 and OS/2 2.x (16 to 64 bytes; fields past its size are zero).
        if (headerSize < 16 || (headerSize > 64 && headerSize != 108 && headerSize != 124) || qsizetype(headerSize) > size)
            Invalid();
        h.Width = S32(data + 4);
        height = S32(data + 8);
        planes = U16(data + 12);
        h.BitsPerPixel = U16(data + 14);
        h.Compression = headerSize >= 20 ? U32(data + 16) : BI_RGB;
        colorsUsed = headerSize >= 36 ? U32(data + 32) : 0;
        const bool os2 = !IsWindowsHeaderSize(headerSize);
        if (os2 && h.Compression != BI_RGB && h.Compression != BI_RLE8 && h.Compression != BI_RLE4)
            Invalid(); // OS/2 Huffman and RLE24 are not supported
    }
    h.PaletteOffset = headerSize;

    if (planes != 1 || h.Width <= 0 || height == 0)
        Invalid();
    h.TopDown = height < 0;
    height = height < 0 ? -height : height;
    CheckBitmapSize(h.Width, height);
    h.Height = int(height);

    const int bpp = h.BitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        Invalid();
    switch (h.Compression) {
    case BI_RGB:
        if (bpp == 16) {
            h.Red = TChannel(0x7C00);
            h.Green = TChannel(0x03E0);
            h.Blue = TChannel(0x001F);
        } else if (bpp == 32) {
            h.Red = TChannel(0x00FF0000);
            h.Green = TChannel(0x0000FF00);
            h.Blue = TChannel(0x000000FF);
            h.Alpha = TChannel(0xFF000000);
        }
        break;
    case BI_RLE8:
    case BI_RLE4:
        if (bpp != (h.Compression == BI_RLE8 ? 8 : 4) || h.TopDown)
            Invalid();
        break;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS: {
        if (bpp != 16 && bpp != 32)
            Invalid();
        uint32_t masks[4] = {0, 0, 0, 0};
        const int count = h.Compression == BI_ALPHABITFIELDS ? 4 : 3;
        if (headerSize != 40 && headerSize < 52)
            Invalid();
        // Masks the header has no room for follow it, before the colour table: all of them after
        // a 40-byte header, the alpha mask after a 52-byte one.
        const int inHeader = std::min<int>(4, int(headerSize - 40) / 4);
        const int following = std::max(0, count - inHeader);
        if (size < qsizetype(headerSize) + 4 * following)
            Invalid();
        for (int i = 0; i < std::max(count, inHeader); ++i)
            masks[i] = U32(data + (i < inHeader ? 40 + 4 * i : headerSize + 4 * (i - inHeader)));
        h.PaletteOffset += 4 * following;
        if ((masks[0] | masks[1] | masks[2]) == 0)
            Invalid();
        for (int i = 0; i < 4; ++i)
            for (int j = i + 1; j < 4; ++j)
                if (masks[i] & masks[j])
                    Invalid();
        if (bpp == 16 && ((masks[0] | masks[1] | masks[2] | masks[3]) >> 16) != 0)
            Invalid();
        h.Red = TChannel(masks[0]);
        h.Green = TChannel(masks[1]);
        h.Blue = TChannel(masks[2]);
        // A 32-bit bitmap without an alpha mask still carries its fourth byte as alpha.
        if (masks[3] == 0 && bpp == 32 && ((masks[0] | masks[1] | masks[2]) & 0xFF000000u) == 0)
            masks[3] = 0xFF000000u;
        h.Alpha = TChannel(bpp == 32 ? masks[3] : 0);
        break;
    }
    default:
        Invalid();
    }

    // Depths up to 8 bits index a colour table; larger ones may carry an unused one.
    const qsizetype maxEntries = bpp <= 8 ? (qsizetype(1) << bpp) : 0;
    h.PaletteAnnounced = colorsUsed != 0 ? qsizetype(colorsUsed) : maxEntries;
    h.PaletteStored = tableAbsent ? 0 : h.PaletteAnnounced;
    if (h.PaletteStored > 65536 || h.PaletteOffset + h.PaletteStored * h.PaletteEntrySize > size)
        Invalid();
    return h;
}

// The colour table as 256 opaque colours; indices past the stored entries are black.
void ReadPalette(const THeader& h, const uchar* data, TColor32 (&palette)[256])
{
    std::fill(std::begin(palette), std::end(palette), Color32(0, 0, 0));
    const qsizetype count = std::min<qsizetype>(h.PaletteStored, h.BitsPerPixel <= 8 ? (1 << h.BitsPerPixel) : 0);
    for (qsizetype i = 0; i < count; ++i) {
        const uchar* e = data + h.PaletteOffset + i * h.PaletteEntrySize;
        palette[i] = Color32(e[2], e[1], e[0]);
    }
}

void DecodeUncompressed(const THeader& h, const uchar* bits, const TColor32 (&palette)[256], TBitmap32& out)
{
    const int bpp = h.BitsPerPixel;
    const int64_t rowBytes = ((int64_t(h.Width) * bpp + 31) / 32) * 4;
    for (int row = 0; row < h.Height; ++row) {
        const uchar* src = bits + rowBytes * row;
        TColor32* dst = out.ScanLine(h.TopDown ? row : h.Height - 1 - row);
        switch (bpp) {
        case 1:
        case 4:
        case 8: {
            const int perByte = 8 / bpp;
            const int mask = (1 << bpp) - 1;
            for (int x = 0; x < h.Width; ++x) {
                const int shift = 8 - bpp * (x % perByte + 1);
                dst[x] = palette[(src[x / perByte] >> shift) & mask];
            }
            break;
        }
        case 24:
            for (int x = 0; x < h.Width; ++x, src += 3)
                dst[x] = Color32(src[2], src[1], src[0]);
            break;
        case 16:
        case 32:
            if (bpp == 32 && h.Red.Mask() == 0x00FF0000u && h.Green.Mask() == 0x0000FF00u && h.Blue.Mask() == 0x000000FFu
                && h.Alpha.Mask() == 0xFF000000u) {
                std::memcpy(dst, src, size_t(h.Width) * 4); // already our B, G, R, A layout
                break;
            }
            for (int x = 0; x < h.Width; ++x) {
                const uint32_t v = bpp == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
                dst[x] = Color32(h.Red.Get(v), h.Green.Get(v), h.Blue.Get(v), bpp == 32 ? h.Alpha.Get(v) : 255);
            }
            break;
        }
    }
}

// RLE8 and RLE4: runs are clipped at the right edge, a run past the last row ends the picture,
// and data ending early (also inside an absolute run) keeps what was decoded. Skipped pixels are
// black. paint(x, row from the top, index) is called for every pixel inside the picture.
template <typename TPaint>
void WalkRle(const THeader& h, const uchar* p, qsizetype available, TPaint&& paint)
{
    const bool four = h.Compression == BI_RLE4;
    const uchar* end = p + available;
    int64_t x = 0, y = 0; // y counts rows from the bottom
    auto put = [&](int index) {
        if (x < h.Width && y < h.Height)
            paint(int(x), int(h.Height - 1 - y), index);
        ++x;
    };
    while (end - p >= 2 && y < h.Height) {
        const int count = p[0];
        const int value = p[1];
        p += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (end - p < 2)
                break;
            x += p[0];
            y += p[1];
            p += 2;
        } else { // absolute run of `value` pixels, padded to a word
            const qsizetype bytes = four ? (value + 1) / 2 : value;
            const qsizetype padded = (bytes + 1) & ~qsizetype(1);
            if (end - p < bytes)
                break; // data cut short: keep what was decoded
            for (int i = 0; i < value; ++i)
                put(four ? ((i & 1) ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
            p += std::min(padded, qsizetype(end - p));
        }
    }
}

void DecodeRle(const THeader& h, const uchar* p, qsizetype available, const TColor32 (&palette)[256], TBitmap32& out)
{
    out.Clear(Color32(0, 0, 0));
    WalkRle(h, p, available, [&](int x, int y, int index) { out.SetPixel(x, y, palette[index]); });
}

// Whether the data is worth the picture: a large bitmap must get most of its pixels from its data.
// An RLE stream can skip whole rows in two bytes, so its runs are counted first, without memory;
// uncompressed bits must simply all be there.
void CheckDataPaintsPicture(const THeader& h, const uchar* bits, qsizetype available)
{
    const int64_t pixels = int64_t(h.Width) * h.Height;
    if (h.Compression == BI_RLE8 || h.Compression == BI_RLE4) {
        if (pixels * 4 <= DecodeBudgetBytes)
            return;
        int64_t painted = 0;
        WalkRle(h, bits, available, [&](int, int, int) { ++painted; });
        if (painted < pixels / 4)
            Invalid();
        return;
    }
    const int64_t rowBytes = ((int64_t(h.Width) * h.BitsPerPixel + 31) / 32) * 4;
    const int64_t lastRowBytes = (int64_t(h.Width) * h.BitsPerPixel + 7) / 8;
    if (rowBytes * (h.Height - 1) + lastRowBytes > available)
        Invalid();
}

TDibInfo Decode(const uchar* data, qsizetype size, qsizetype bitsOffset, TBitmap32& target,
                const std::vector<TColor32>* outsidePalette = nullptr)
{
    if (!data || size <= 0)
        Invalid();
    const THeader h = ReadHeader(data, size, outsidePalette != nullptr);
    if (bitsOffset < 0)
        bitsOffset = h.PaletteOffset + h.PaletteStored * h.PaletteEntrySize;
    if (bitsOffset >= size)
        Invalid();
    TColor32 palette[256];
    ReadPalette(h, data, palette);
    if (outsidePalette)
        std::copy_n(outsidePalette->begin(), std::min<size_t>(256, outsidePalette->size()), palette);
    CheckDataPaintsPicture(h, data + bitsOffset, size - bitsOffset);

    TBitmap32 picture(h.Width, h.Height);
    if (h.Compression == BI_RLE8 || h.Compression == BI_RLE4)
        DecodeRle(h, data + bitsOffset, size - bitsOffset, palette, picture);
    else
        DecodeUncompressed(h, data + bitsOffset, palette, picture);

    TDibInfo info{h.Width, h.Height, h.BitsPerPixel, false};
    if (h.BitsPerPixel == 32) {
        // Many writers leave the fourth byte of 32-bit pixels at zero; such a picture is opaque,
        // not invisible.
        bool anyAlpha = false;
        const TColor32* px = picture.Bits();
        const size_t n = size_t(picture.Width()) * picture.Height();
        for (size_t i = 0; i < n && !anyAlpha; ++i)
            anyAlpha = (px[i] >> 24) != 0;
        if (anyAlpha && h.Alpha.Mask() != 0)
            info.HasAlpha = true;
        else
            picture.ResetAlpha(255);
    }
    target = std::move(picture);
    return info;
}

} // namespace

TDibInfo DecodeDib(const uchar* data, qsizetype size, TBitmap32& target) { return Decode(data, size, -1, target); }

TDibInfo DecodeDibAt(const uchar* data, qsizetype size, qsizetype bitsOffset, TBitmap32& target)
{
    return Decode(data, size, bitsOffset, target);
}

TDibInfo DecodeDibWithPalette(const uchar* data, qsizetype size, qsizetype bitsOffset, const std::vector<TColor32>& palette,
                               TBitmap32& target)
{
    return Decode(data, size, bitsOffset, target, &palette);
}

bool DibHasColorTable(const uchar* data, qsizetype size, qsizetype bitsOffset)
{
    try {
        const THeader h = ReadHeader(data, size, true);
        if (h.BitsPerPixel > 8)
            return true;
        // With the bits given a place of their own, the table must end before them; without, the
        // DIB must hold the table and every row after it.
        const qsizetype tableEnd = h.PaletteOffset + std::min<qsizetype>(h.PaletteAnnounced, 65536) * h.PaletteEntrySize;
        if (bitsOffset >= 0)
            return bitsOffset >= tableEnd;
        if (h.Compression == BI_RLE8 || h.Compression == BI_RLE4)
            return true;
        const int64_t rowBytes = ((int64_t(h.Width) * h.BitsPerPixel + 31) / 32) * 4;
        return tableEnd + rowBytes * h.Height <= size;
    } catch (const std::runtime_error&) {
        return true; // not for want of a table: the DIB is simply bad
    }
}

TDibInfo DecodeBmpFile(const uchar* data, qsizetype size, TBitmap32& target)
{
    constexpr qsizetype FileHeaderSize = 14;
    if (!data || size < FileHeaderSize + 12 || data[0] != 'B' || data[1] != 'M')
        Invalid();
    const qsizetype bitsOffset = qsizetype(U32(data + 10)) - FileHeaderSize;
    const uchar* dib = data + FileHeaderSize;
    const qsizetype dibSize = size - FileHeaderSize;
    // Some writers leave bfOffBits at zero: the bits then follow the colour table.
    const uint32_t headerSize = U32(dib);
    return Decode(dib, dibSize, bitsOffset < qsizetype(headerSize) ? -1 : bitsOffset, target);
}
