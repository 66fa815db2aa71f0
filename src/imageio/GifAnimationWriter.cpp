#include "imageio/GifAnimationWriter.h"

#include "imageio/GifImage.h"
#include "imageio/GifLzw.h"
#include "imageio/ImageWriter.h"

#include <QFileDevice>
#include <algorithm>
#include <stdexcept>

void TGifPaletteSample::Add(const TBitmap32& frame)
{
    FFrames.push_back(FOptions.Transparent ? FlattenOnto(frame, FOptions.Background, true) : frame);
    FPixels += qint64(frame.Width()) * frame.Height();
}

TGifAnimationPalette TGifPaletteSample::Palette() const
{
    if (FFrames.empty())
        throw std::runtime_error("Image is empty");
    TGifAnimationPalette palette;
    palette.Colors = GifPalette(TColorHistogram(FFrames));
    // The entry the sample's visible pixels use least becomes "transparent": none uses it unless
    // all 256 are in use, and then its few pixels move to their nearest other colour.
    std::vector<qint64> uses(palette.Colors.size(), 0);
    for (const TBitmap32& frame : FFrames) {
        const std::vector<uint8_t> indices = DitherToPalette(frame, palette.Colors);
        const TColor32* pixels = frame.Bits();
        for (size_t i = 0; i < indices.size(); ++i)
            if (!(FOptions.Transparent && AlphaOf(pixels[i]) == 0))
                ++uses[indices[i]];
    }
    palette.Transparent = int(std::min_element(uses.begin(), uses.end()) - uses.begin());
    std::vector<TColor32> others = palette.Colors;
    others.erase(others.begin() + palette.Transparent);
    const TColor32 c = palette.Colors[size_t(palette.Transparent)];
    palette.Replacement = TNearestColor(others).Find(RedOf(c), GreenOf(c), BlueOf(c));
    if (palette.Replacement >= palette.Transparent)
        ++palette.Replacement;
    return palette;
}

TGifAnimationWriter::TGifAnimationWriter(QIODevice& out, QSize size, TGifAnimationPalette palette,
                                         const TGifAnimationOptions& options, const QByteArray& comment)
    : FOut(out), FSize(size), FPalette(std::move(palette)), FOptions(options),
      FDitherer(FPalette.Colors, std::max(size.width(), 1))
{
    if (size.width() < 1 || size.height() < 1)
        throw std::runtime_error("Image is empty");
    if (size.width() > 65535 || size.height() > 65535)
        throw std::runtime_error("The animation is too large for a GIF");
    if (FPalette.Colors.size() != 256 || FPalette.Transparent < 0 || FPalette.Transparent > 255)
        throw std::runtime_error("An animation needs a palette of 256 colours");
    QByteArray head("GIF89a");
    GifPut16(head, size.width());
    GifPut16(head, size.height());
    head.append(char(0x80 | 0x70 | 7)); // global table of 256 entries, 8-bit colour resolution
    head.append(char(FPalette.Transparent)); // background: the transparent entry
    head.append('\0');
    for (const TColor32 c : FPalette.Colors) {
        head.append(char(RedOf(c)));
        head.append(char(GreenOf(c)));
        head.append(char(BlueOf(c)));
    }
    head.append("\x21\xFF\x0B" "NETSCAPE2.0" "\x03\x01\x00\x00\x00", 19); // loop forever
    Put(head.constData(), head.size());
    if (!comment.isEmpty()) {
        Put("\x21\xFE", 2);
        PutSubBlocks(reinterpret_cast<const uchar*>(comment.constData()), comment.size());
        EndSubBlocks();
    }
}

void TGifAnimationWriter::AddFrame(const TBitmap32& frame, int delayCentiseconds)
{
    if (FFinished)
        throw std::runtime_error("The animation is already finished");
    if (frame.Size() != FSize)
        throw std::runtime_error("Every frame of an animation must have the same size");
    const int width = FSize.width(), height = FSize.height(), t = FPalette.Transparent;
    const size_t n = size_t(width) * size_t(height);
    FCurrent.resize(n);
    FPrevious.resize(n);
    uint8_t* cur = FCurrent.data();
    uint8_t* prev = FPrevious.data();

    // Dithered row by row, each row flattened onto the background on its own when clear pixels
    // must be told apart: the frame is never copied whole.
    FDitherer.Restart();
    TBitmap32 line(FOptions.Transparent ? width : 0, FOptions.Transparent ? 1 : 0);
    for (int y = 0; y < height; ++y) {
        const TColor32* row = frame.ScanLine(y);
        TBitmap32 flat;
        if (FOptions.Transparent) {
            std::copy_n(row, width, line.ScanLine(0));
            flat = FlattenOnto(line, FOptions.Background, true);
            row = flat.ScanLine(0);
        }
        uint8_t* indices = cur + size_t(y) * width;
        FDitherer.Row(row, indices);
        for (int x = 0; x < width; ++x)
            if (FOptions.Transparent && AlphaOf(row[x]) == 0)
                indices[x] = uint8_t(t);
            else if (indices[x] == t)
                indices[x] = uint8_t(FPalette.Replacement);
    }

    // Opaque frames stay on screen and the next one paints only what changed; frames with a
    // clear background must be cleared before the next one, so they are drawn whole.
    const bool incremental = FFrames > 0 && !FOptions.Transparent;
    int left = width, top = height, right = -1, bottom = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * width + x;
            if (incremental ? cur[i] != prev[i] : cur[i] != t) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    if (right < 0) { // nothing to draw: one unchanged pixel keeps the frame and its delay
        left = top = right = bottom = 0;
    }
    const int disposal = FOptions.Transparent ? 2 : 1;
    QByteArray head("\x21\xF9\x04", 3);
    head.append(char((disposal << 2) | 1)); // with a transparent index
    GifPut16(head, std::clamp(delayCentiseconds, 2, 65535));
    head.append(char(t));
    head.append('\0');
    head.append(',');
    GifPut16(head, left);
    GifPut16(head, top);
    GifPut16(head, right - left + 1);
    GifPut16(head, bottom - top + 1);
    head.append('\0'); // the global table, not interlaced
    head.append(char(8));
    Put(head.constData(), head.size());

    // The rectangle's indices are laid over the previous frame's plane from its start: a pixel's
    // place in the rectangle never comes after its place in the frame, so nothing is read after
    // it was overwritten, and no third plane is needed.
    size_t k = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            const size_t i = size_t(y) * width + x;
            prev[k++] = incremental && cur[i] == prev[i] ? uint8_t(t) : cur[i];
        }
    LzwEncode(prev, qsizetype(k), 8, [this](const uchar* piece, qsizetype size) { PutSubBlocks(piece, size); });
    EndSubBlocks();
    std::swap(FCurrent, FPrevious);
    ++FFrames;
    NoteHeld();
}

void TGifAnimationWriter::Finish()
{
    if (FFrames == 0)
        throw std::runtime_error("Image is empty");
    if (!FFinished)
        Put(";", 1);
    FFinished = true;
}

qint64 TGifAnimationWriter::MemoryBound(QSize size)
{
    const qint64 w = std::max(size.width(), 1), h = std::max(size.height(), 1);
    const qint64 ditherer = 2 * 3 * (w + 2) * qint64(sizeof(int)) + (qint64(1) << 18) * 2;
    const qint64 small = 64 << 10; // copies of the palette, headers, the allocator's own overhead
    return 2 * w * h + ditherer + 2 * 4 * w + LzwCoderBytes + small;
}

void TGifAnimationWriter::NoteHeld()
{
    const qint64 rows = FOptions.Transparent ? 2 * 4 * qint64(FSize.width()) : 0;
    const qint64 held = qint64(FCurrent.capacity() + FPrevious.capacity()) + FDitherer.HeldBytes() + rows + LzwCoderBytes;
    FPeakHeld = std::max(FPeakHeld, held);
}

void TGifAnimationWriter::Put(const char* data, qint64 size)
{
    if (FOut.write(data, size) == size)
        return;
    if (const auto* file = qobject_cast<QFileDevice*>(&FOut))
        throw std::runtime_error(QStringLiteral("Cannot create file %1").arg(file->fileName()).toStdString());
    throw std::runtime_error("Cannot write the animation: " + FOut.errorString().toStdString());
}

void TGifAnimationWriter::PutSubBlocks(const uchar* data, qint64 size)
{
    while (size > 0) {
        const int n = int(std::min<qint64>(255 - FBlockFill, size));
        std::copy_n(data, n, FBlock + 1 + FBlockFill);
        FBlockFill += n;
        data += n;
        size -= n;
        if (FBlockFill == 255) {
            FBlock[0] = char(255);
            Put(FBlock, 256);
            FBlockFill = 0;
        }
    }
}

void TGifAnimationWriter::EndSubBlocks()
{
    if (FBlockFill > 0) {
        FBlock[0] = char(FBlockFill);
        Put(FBlock, FBlockFill + 1);
        FBlockFill = 0;
    }
    Put("", 1); // the empty block that ends them
}
