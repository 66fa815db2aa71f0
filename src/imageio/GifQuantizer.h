#pragma once
// Reducing a 32-bit picture to the GIF writer's 256-colour palette: the twenty static colours of
// the Windows default palette in slots 0..9 and 246..255, 236 colours from an octree quantisation
// at 8 bits per channel in between, and Floyd-Steinberg error diffusion onto that palette.

#include "raster/TBitmap32.h"

#include <array>
#include <vector>

// The twenty static colours: slots 0..9 then 246..255 of the default palette.
const std::array<TColor32, 20>& StaticPaletteColors();

// The picture's colours gathered in cells of 6 bits per channel, each with the exact sums (and so
// the exact 8-bit mean) of its pixels.
struct TColorHistogram {
    TColorHistogram() = default;
    explicit TColorHistogram(const TBitmap32& picture);
    // The pixels of several pictures counted together: the colours of an animation's frames.
    explicit TColorHistogram(const std::vector<TBitmap32>& pictures);
    // The same pixels in cells of 5 bits per channel.
    TColorHistogram Coarser() const;
    struct TCell {
        TColor32 Mean;
        uint64_t Count, R, G, B;
    };
    std::vector<TCell> Cells;
};

// Up to maxColors colours (the means of the octree's leaves), most frequent first. The tree is
// eight levels deep; the least populated nodes of the deepest level are merged first.
std::vector<TColor32> OctreeColors(const TBitmap32& picture, int maxColors);
std::vector<TColor32> OctreeColors(const TColorHistogram& histogram, int maxColors);

// k-means passes: each colour moves to the mean of the cells nearest to it; cells nearest to one
// of the fixed colours move nothing.
void RefineColors(std::vector<TColor32>& colors, const std::vector<TColor32>& fixed, const TColorHistogram& histogram, int passes);

// Index of the palette entry nearest to a colour (RGB distance); exact, with a cache per 5-bit cell.
class TNearestColor {
public:
    explicit TNearestColor(std::vector<TColor32> palette);
    int Find(int r, int g, int b);

private:
    const std::vector<uint8_t>& Candidates(int cell);
    std::vector<TColor32> FPalette;
    std::vector<std::vector<uint8_t>> FCells; // palette entries that can be nearest within a cell
    std::vector<bool> FCellReady;
};

// The palette entry nearest to the centre of each cell of 6 bits per channel, searched on first use:
// the ditherer's fast lookup. Colours within a cell differ by at most two levels per channel, and
// the ditherer passes whatever difference remains on to the neighbouring pixels.
class TPaletteCache {
public:
    explicit TPaletteCache(const std::vector<TColor32>& palette);
    int Find(int r, int g, int b)
    {
        const int cell = ((r >> 2) << 12) | ((g >> 2) << 6) | (b >> 2);
        int16_t& slot = FTable[size_t(cell)];
        if (slot < 0)
            slot = int16_t(Search((r & 0xFC) | 2, (g & 0xFC) | 2, (b & 0xFC) | 2));
        return slot;
    }

private:
    int Search(int r, int g, int b) const;
    std::vector<int32_t> FR, FG, FB;
    std::vector<int16_t> FTable;
};

// Floyd-Steinberg error diffusion onto a palette, one row at a time from the top (serpentine
// rows): a picture can be mapped as it is produced, without a copy of it whole.
class TPaletteDitherer {
public:
    TPaletteDitherer(std::vector<TColor32> palette, int width);
    // Maps the next row of `width` pixels to palette indices.
    void Row(const TColor32* pixels, uint8_t* indices);
    // The next row starts a new picture: no error carried over, the first row left to right.
    void Restart();
    // Bytes held for the rows and the palette lookup.
    qint64 HeldBytes() const;

private:
    std::vector<TColor32> FPalette;
    TPaletteCache FNearest;
    int FWidth;
    int FRow = 0;
    std::vector<int> FCurrent, FBelow; // errors with one pixel of margin each side, in 1/16 units
};

// Maps every pixel to the palette with Floyd-Steinberg error diffusion (serpentine rows).
std::vector<uint8_t> DitherToPalette(const TBitmap32& picture, const std::vector<TColor32>& palette);

struct TIndexedPicture {
    int Width = 0;
    int Height = 0;
    std::vector<TColor32> Palette; // 256 entries
    std::vector<uint8_t> Indices;  // row by row
};

// The GIF writer's 256 entries for pictures with these colours: the static colours around
// refined octree colours.
std::vector<TColor32> GifPalette(const TColorHistogram& histogram);

// The whole reduction: static colours, octree colours, dithering.
TIndexedPicture ReduceToGifPalette(const TBitmap32& picture);
