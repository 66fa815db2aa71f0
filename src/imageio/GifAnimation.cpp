#include "imageio/GifAnimation.h"

#include "imageio/GifImage.h"
#include "imageio/GifLzw.h"
#include "imageio/GifQuantizer.h"
#include "imageio/ImageWriter.h"

#include <QSaveFile>
#include <algorithm>
#include <stdexcept>

void TGifAnimation::AddFrame(const TBitmap32& frame, int delayCentiseconds)
{
    if (!FFrames.empty() && frame.Size() != FFrames.front().Pixels.Size())
        throw std::runtime_error("Every frame of an animation must have the same size");
    FFrames.push_back({frame, std::clamp(delayCentiseconds, 2, 65535)});
}

namespace {

// The frames side by side in one picture, every other pixel of each when they are large: what
// the shared palette is made from.
TBitmap32 PaletteSample(const std::vector<TBitmap32>& frames)
{
    const int step = frames.front().Width() * frames.front().Height() * int(frames.size()) > 4000000 ? 2 : 1;
    const int w = (frames.front().Width() + step - 1) / step, h = (frames.front().Height() + step - 1) / step;
    TBitmap32 sample(w, h * int(frames.size()));
    for (size_t f = 0; f < frames.size(); ++f)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                sample.SetPixel(x, int(f) * h + y, frames[f].Pixel(x * step, y * step));
    return sample;
}

} // namespace

QByteArray TGifAnimation::Encode() const
{
    if (FFrames.empty())
        throw std::runtime_error("Image is empty");
    const int width = FFrames.front().Pixels.Width(), height = FFrames.front().Pixels.Height();
    if (width > 65535 || height > 65535)
        throw std::runtime_error("The animation is too large for a GIF");
    const size_t n = size_t(width) * height;

    // One palette for all frames, every frame dithered onto it, one index kept free for
    // "transparent": clear background and pixels unchanged since the frame before.
    std::vector<TBitmap32> flat;
    for (const TFrame& f : FFrames)
        flat.push_back(FTransparent ? FlattenOnto(f.Pixels, FBackground, true) : f.Pixels);
    std::vector<TColor32> palette = ReduceToGifPalette(PaletteSample(flat)).Palette;
    std::vector<uint8_t> all;
    std::vector<bool> clear;
    for (const TBitmap32& f : flat) {
        const std::vector<uint8_t> indices = DitherToPalette(f, palette);
        all.insert(all.end(), indices.begin(), indices.end());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                clear.push_back(FTransparent && AlphaOf(f.Pixel(x, y)) == 0);
    }
    const int t = FreePaletteIndex(all, palette, clear);
    for (size_t i = 0; i < all.size(); ++i)
        if (clear[i])
            all[i] = uint8_t(t);

    QByteArray out("GIF89a");
    GifPut16(out, width);
    GifPut16(out, height);
    out.append(char(0x80 | 0x70 | 7)); // global table of 256 entries, 8-bit colour resolution
    out.append(char(t));               // background: the transparent entry
    out.append('\0');
    for (const TColor32 c : palette) {
        out.append(char(RedOf(c)));
        out.append(char(GreenOf(c)));
        out.append(char(BlueOf(c)));
    }
    out.append("\x21\xFF\x0B" "NETSCAPE2.0" "\x03\x01\x00\x00\x00", 19); // loop forever
    if (!FComment.isEmpty()) {
        out.append("\x21\xFE", 2);
        GifPutSubBlocks(out, FComment.constData(), FComment.size());
    }
    for (size_t f = 0; f < FFrames.size(); ++f) {
        const uint8_t* cur = all.data() + f * n;
        const uint8_t* prev = f > 0 ? all.data() + (f - 1) * n : nullptr;
        // Opaque frames stay on screen and the next one paints only what changed; frames with a
        // clear background must be cleared before the next one, so they are drawn whole.
        const bool incremental = prev && !FTransparent;
        int left = width, top = height, right = -1, bottom = -1;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const size_t i = size_t(y) * width + x;
                const bool visible = incremental ? cur[i] != prev[i] : cur[i] != t;
                if (visible) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        if (right < 0) { // nothing to draw: one unchanged pixel keeps the frame and its delay
            left = top = right = bottom = 0;
        }
        const int disposal = FTransparent ? 2 : 1;
        const int packed = (disposal << 2) | 1; // with a transparent index
        out.append("\x21\xF9\x04", 3);
        out.append(char(packed));
        GifPut16(out, FFrames[f].Delay);
        out.append(char(t));
        out.append('\0');
        out.append(',');
        GifPut16(out, left);
        GifPut16(out, top);
        GifPut16(out, right - left + 1);
        GifPut16(out, bottom - top + 1);
        out.append('\0'); // the global table, not interlaced
        std::vector<uint8_t> rect;
        rect.reserve(size_t(right - left + 1) * (bottom - top + 1));
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) {
                const size_t i = size_t(y) * width + x;
                rect.push_back(incremental && cur[i] == prev[i] ? uint8_t(t) : cur[i]);
            }
        out.append(char(8));
        const std::vector<uchar> lzw = LzwEncode(rect.data(), qsizetype(rect.size()), 8);
        GifPutSubBlocks(out, reinterpret_cast<const char*>(lzw.data()), qsizetype(lzw.size()));
    }
    out.append(';');
    return out;
}

void TGifAnimation::SaveToFile(const QString& path) const
{
    const QByteArray bytes = Encode();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(QStringLiteral("Cannot create file %1").arg(path).toStdString());
}
