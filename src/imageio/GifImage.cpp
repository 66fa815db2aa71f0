#include "imageio/GifImage.h"

#include "imageio/GifLzw.h"
#include "imageio/GifReader.h"

#include <QIODevice>
#include <algorithm>
#include <stdexcept>

void TGIFImage::LoadFromBytes(const QByteArray& bytes)
{
    DecodeGif(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), FPixels);
}

void TGIFImage::Assign(const TBitmap32& picture)
{
    FPixels = picture;
    TIndexedPicture reduced = ReduceToGifPalette(picture);
    FScreenWidth = reduced.Width;
    FScreenHeight = reduced.Height;
    FColorMap = std::move(reduced.Palette);
    FFrames.clear();
    FFrames.append(TGifFrame{0, 0, reduced.Width, reduced.Height, std::move(reduced.Indices), -1});
}

int FreePaletteIndex(std::vector<uint8_t>& indices, const std::vector<TColor32>& palette, const std::vector<bool>& clear)
{
    std::vector<size_t> uses(palette.size(), 0);
    for (size_t i = 0; i < indices.size(); ++i)
        if (!clear[i])
            ++uses[indices[i]];
    const size_t fewest = size_t(std::min_element(uses.begin(), uses.end()) - uses.begin());
    if (uses[fewest] > 0) {
        // Every entry is in use: the rarest one gives its pixels to the nearest other colour.
        std::vector<TColor32> others = palette;
        others.erase(others.begin() + qsizetype(fewest));
        TNearestColor nearest(others);
        const TColor32 c = palette[fewest];
        int replacement = nearest.Find(RedOf(c), GreenOf(c), BlueOf(c));
        if (size_t(replacement) >= fewest)
            ++replacement;
        for (size_t i = 0; i < indices.size(); ++i)
            if (!clear[i] && indices[i] == fewest)
                indices[i] = uint8_t(replacement);
    }
    return int(fewest);
}

void TGIFImage::AssignWithTransparency(const TBitmap32& picture)
{
    Assign(picture);
    const int n = picture.Width() * picture.Height();
    std::vector<bool> clear(size_t(n), false);
    bool any = false;
    for (int y = 0, i = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x, ++i)
            any |= clear[size_t(i)] = AlphaOf(picture.Pixel(x, y)) == 0;
    if (!any)
        return;
    TGifFrame& frame = FFrames.first();
    const int t = FreePaletteIndex(frame.Indices, FColorMap, clear);
    for (size_t i = 0; i < clear.size(); ++i)
        if (clear[i])
            frame.Indices[i] = uint8_t(t);
    frame.Transparent = t;
}

namespace {

void CropFrame(TGifFrame& f)
{
    if (f.Transparent < 0 || f.Width == 0)
        return;
    auto clear = [&](int x, int y) { return f.Indices[size_t(y) * f.Width + x] == f.Transparent; };
    int left = 0, right = f.Width - 1, top = 0, bottom = f.Height - 1;
    auto rowClear = [&](int y) {
        for (int x = left; x <= right; ++x)
            if (!clear(x, y))
                return false;
        return true;
    };
    auto columnClear = [&](int x) {
        for (int y = top; y <= bottom; ++y)
            if (!clear(x, y))
                return false;
        return true;
    };
    while (top < bottom && rowClear(top))
        ++top;
    while (bottom > top && rowClear(bottom))
        --bottom;
    while (left < right && columnClear(left))
        ++left;
    while (right > left && columnClear(right))
        --right;
    if (left == 0 && top == 0 && right == f.Width - 1 && bottom == f.Height - 1)
        return;
    std::vector<uint8_t> cropped;
    for (int y = top; y <= bottom; ++y)
        cropped.insert(cropped.end(), f.Indices.begin() + y * f.Width + left, f.Indices.begin() + y * f.Width + right + 1);
    f.Left += left;
    f.Top += top;
    f.Width = right - left + 1;
    f.Height = bottom - top + 1;
    f.Indices = std::move(cropped);
}

bool SameFrame(const TGifFrame& a, const TGifFrame& b)
{
    return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height
        && a.Transparent == b.Transparent && a.Indices == b.Indices;
}

} // namespace

void TGIFImage::Optimize(int options)
{
    if (options & ooCrop)
        for (TGifFrame& f : FFrames)
            CropFrame(f);
    if (options & ooMerge)
        for (qsizetype i = FFrames.size() - 1; i > 0; --i)
            if (SameFrame(FFrames[i], FFrames[i - 1]))
                FFrames.removeAt(i);
    if (options & ooCleanup)
        FComments.removeIf([](const QByteArray& c) { return c.isEmpty(); });
    if (options & ooColorMap) {
        std::vector<bool> used(FColorMap.size(), false);
        for (const TGifFrame& f : FFrames) {
            for (uint8_t i : f.Indices)
                used[i] = true;
            if (f.Transparent >= 0)
                used[size_t(f.Transparent)] = true;
        }
        // The same colour in two slots is one colour: the second slot maps onto the first.
        std::vector<int> remap(FColorMap.size(), -1);
        std::vector<TColor32> kept;
        for (size_t i = 0; i < FColorMap.size(); ++i) {
            if (!used[i])
                continue;
            const auto same = std::find(kept.begin(), kept.end(), FColorMap[i]);
            if (same != kept.end()) {
                remap[i] = int(same - kept.begin());
            } else {
                remap[i] = int(kept.size());
                kept.push_back(FColorMap[i]);
            }
        }
        for (TGifFrame& f : FFrames) {
            for (uint8_t& i : f.Indices)
                i = uint8_t(remap[i]);
            if (f.Transparent >= 0)
                f.Transparent = remap[size_t(f.Transparent)];
        }
        FColorMap = std::move(kept);
    }
}

void GifPut16(QByteArray& out, int v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void GifPutSubBlocks(QByteArray& out, const char* data, qsizetype size)
{
    for (qsizetype i = 0; i < size; i += 255) {
        const qsizetype n = std::min<qsizetype>(255, size - i);
        out.append(char(n));
        out.append(data + i, n);
    }
    out.append('\0');
}

QByteArray TGIFImage::Encode() const
{
    if (FFrames.isEmpty() || FScreenWidth <= 0 || FScreenHeight <= 0 || FScreenWidth > 65535 || FScreenHeight > 65535)
        throw std::runtime_error("Image is empty");
    // The colour table holds a power of two entries, at least two.
    int bits = 1;
    while ((size_t(1) << bits) < FColorMap.size())
        ++bits;
    const bool extensions = !FComments.isEmpty() || std::any_of(FFrames.begin(), FFrames.end(), [](const TGifFrame& f) { return f.Transparent >= 0; });

    QByteArray out(extensions ? "GIF89a" : "GIF87a");
    GifPut16(out, FScreenWidth);
    GifPut16(out, FScreenHeight);
    out.append(char(0x80 | 0x70 | (bits - 1))); // global table, 8-bit colour resolution, its size
    out.append('\0');                                          // background colour index
    out.append('\0');                                          // no aspect ratio
    for (int i = 0; i < (1 << bits); ++i) {
        const TColor32 c = size_t(i) < FColorMap.size() ? FColorMap[size_t(i)] : 0;
        out.append(char(RedOf(c)));
        out.append(char(GreenOf(c)));
        out.append(char(BlueOf(c)));
    }
    for (const QByteArray& comment : FComments) {
        out.append("\x21\xFE", 2);
        GifPutSubBlocks(out, comment.constData(), comment.size());
    }
    const int minCodeSize = std::max(2, bits);
    for (const TGifFrame& f : FFrames) {
        if (f.Transparent >= 0) {
            out.append("\x21\xF9\x04\x01\x00\x00", 6);
            out.append(char(f.Transparent));
            out.append('\0');
        }
        out.append(',');
        GifPut16(out, f.Left);
        GifPut16(out, f.Top);
        GifPut16(out, f.Width);
        GifPut16(out, f.Height);
        out.append('\0'); // no local table, not interlaced
        out.append(char(minCodeSize));
        const std::vector<uchar> lzw = LzwEncode(f.Indices.data(), qsizetype(f.Indices.size()), minCodeSize);
        GifPutSubBlocks(out, reinterpret_cast<const char*>(lzw.data()), qsizetype(lzw.size()));
    }
    out.append(';');
    return out;
}

void TGIFImage::SaveToDevice(QIODevice& device) const
{
    const QByteArray bytes = Encode();
    if (device.write(bytes) != bytes.size())
        throw std::runtime_error(device.errorString().toStdString());
}
