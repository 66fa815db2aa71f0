#pragma once
// A 32-bit ARGB raster (alpha in the top byte, like a 32-bit DIB in memory: B, G, R, A).
// Every face, layer and atlas of the program is one of these.

#include <QImage>
#include <QRect>
#include <QRectF>
#include <cstdint>
#include <vector>

using TColor32 = uint32_t;

enum class TDrawMode { dmOpaque, dmBlend };

constexpr TColor32 Color32(int r, int g, int b, int a = 255)
{
    return (TColor32(a & 0xFF) << 24) | (TColor32(r & 0xFF) << 16) | (TColor32(g & 0xFF) << 8) | TColor32(b & 0xFF);
}
constexpr int AlphaOf(TColor32 c) { return int(c >> 24); }
constexpr int RedOf(TColor32 c) { return int((c >> 16) & 0xFF); }
constexpr int GreenOf(TColor32 c) { return int((c >> 8) & 0xFF); }
constexpr int BlueOf(TColor32 c) { return int(c & 0xFF); }

class TBitmap32 {
public:
    // Pictures beyond these bounds are refused with a readable message instead of exhausting memory.
    // A side may be as long as GIF and icon headers can declare; the pixel count bounds memory.
    static constexpr int MaxSide = 65535;
    static constexpr int64_t MaxPixels = 256000000; // 256 megapixels: 16384 x 16384 is refused

    TBitmap32() = default;
    TBitmap32(int width, int height);
    TBitmap32(const TBitmap32& other);
    TBitmap32(TBitmap32&& other) noexcept;
    TBitmap32& operator=(const TBitmap32& other);
    TBitmap32& operator=(TBitmap32&& other) noexcept;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    QSize Size() const { return {FWidth, FHeight}; }
    bool Empty() const { return FWidth == 0 || FHeight == 0; }

    TDrawMode DrawMode() const { return FDrawMode; }
    void SetDrawMode(TDrawMode mode) { FDrawMode = mode; }

    // New pixels are 0 (fully transparent black). Throws std::runtime_error for negative or
    // oversized dimensions; a zero side makes the bitmap empty.
    void SetSize(int width, int height);
    void MakeEmpty();
    void Clear(TColor32 color);

    TColor32 Pixel(int x, int y) const { return FPixels[size_t(y) * FWidth + x]; }
    void SetPixel(int x, int y, TColor32 c) { FPixels[size_t(y) * FWidth + x] = c; }
    TColor32* ScanLine(int y) { return FPixels.data() + size_t(y) * FWidth; }
    const TColor32* ScanLine(int y) const { return FPixels.data() + size_t(y) * FWidth; }
    TColor32* Bits() { return FPixels.data(); }
    const TColor32* Bits() const { return FPixels.data(); }

    bool SamePixels(const TBitmap32& other) const;

    // From a framework image: 32-bit images keep their fourth byte as alpha, every other format
    // gets alpha 255. The draw mode is kept.
    void Assign(const QImage& image);
    // A detached Format_ARGB32 copy with the same pixels (alpha in the fourth byte).
    QImage ToImage() const;
    // A QImage over this bitmap's own memory, for painting on its pixels with QPainter (its
    // "device context"). Valid until the bitmap is resized or freed.
    QImage ImageView();
    const QImage ConstImageView() const;

    // Quarter turn: +1 clockwise, -1 counter-clockwise. Same draw mode, size height x width.
    TBitmap32 QuarterTurn(int direction) const;
    TBitmap32 HalfTurn() const;

    // Canvas copy: replaces the pixels of dstRect with srcRect of source stretched to fit, all
    // four bytes of each pixel as they are (no blending). Rectangles of equal size copy exactly;
    // otherwise `smooth` chooses area-averaged resampling, else nearest neighbour. Parts of
    // dstRect outside this bitmap are cut off; source pixels outside the source bitmap read as 0
    // (transparent black). Empty rectangles copy nothing.
    void StretchCopy(const QRect& dstRect, const TBitmap32& source, const QRect& srcRect, bool smooth = true);
    // Paints this bitmap stretched to dstRect of target by this bitmap's draw mode
    // (opaque replaces, blend composites by alpha).
    void DrawTo(TBitmap32& target, const QRectF& dstRect, bool smooth = true) const;

    // Sets every alpha to `alpha` (255 by default), keeping the colours.
    void ResetAlpha(int alpha = 255);

    // The pixel at (x, y), or `outside` when the point lies outside the bitmap.
    TColor32 PixelOr(int x, int y, TColor32 outside) const
    {
        return x >= 0 && y >= 0 && x < FWidth && y < FHeight ? Pixel(x, y) : outside;
    }
    // Fills the rectangle (cut to the bitmap) with colour, replacing what was there.
    void FillRect(const QRect& rect, TColor32 color);
    // Replaces the pixels of a one-pixel-wide border just inside the rectangle (cut to the bitmap).
    void FrameRect(const QRect& rect, TColor32 color);

private:
    int FWidth = 0;
    int FHeight = 0;
    TDrawMode FDrawMode = TDrawMode::dmOpaque;
    std::vector<TColor32> FPixels;
};

// Throws std::runtime_error with a readable message when a picture of this size may not be
// allocated (negative sides, more than MaxSide per side or MaxPixels in all).
void CheckBitmapSize(int64_t width, int64_t height);
