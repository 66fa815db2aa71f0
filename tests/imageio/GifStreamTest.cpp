// The animated GIF written frame by frame: the same file as when every frame was held until the
// end, frames leaving as they come with memory for about one frame, the transparent entry's own
// pixels moved to its nearest colour, and failures reported.
#include "TestPictures.h"
#include "common/CountingSink.h"
#include "common/HeapPeak.h"
#include "imageio/GifAnimation.h"
#include "imageio/GifAnimationWriter.h"
#include "imageio/GifReader.h"
#include "imageio/ImageWriter.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// A small turntable's frame: a card with a colour ramp turning (its width follows the cosine of
// the angle, its back in other colours), a soft shadow beside it, on a plain or clear background.
TBitmap32 TurningFrame(int index, int frames, int width, int height, bool clear)
{
    TBitmap32 frame(width, height);
    frame.Clear(clear ? Color32(0, 0, 0, 0) : Color32(240, 244, 250));
    const double angle = 6.283185307179586 * index / frames;
    const int half = std::max(1, int(std::lround(std::abs(std::cos(angle)) * width * 0.3)));
    const int cx = width / 2, top = height / 8, bottom = height - height / 6;
    for (int y = top; y < bottom; ++y)
        for (int x = cx + half / 3; x < std::min(width, cx + half + width / 8); ++x)
            frame.SetPixel(x, std::min(height - 1, y + height / 12), clear ? Color32(0, 0, 0, 90) : Color32(150, 152, 160));
    const bool back = std::cos(angle) < 0;
    for (int y = top; y < bottom; ++y)
        for (int x = cx - half; x < cx + half; ++x) {
            const int u = (x - (cx - half)) * 255 / (2 * half), v = (y - top) * 255 / (bottom - top);
            frame.SetPixel(x, y, back ? Color32(40 + v / 2, 60, 200 - u / 2) : Color32(200 - v / 3, 40 + u / 2, 30 + (u * v) / 400));
        }
    return frame;
}

std::string Sha256(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString(); }

} // namespace

TEST(GifStream, WritesTheFileTheHeldFramesGaveBeforeFramesStreamed)
{
    // The files the encoder made while it held every frame until the end (its digests were taken
    // from it on these very frames): a turn on a plain and on a clear background.
    const struct {
        bool Clear;
        const char* Digest;
    } cases[] = {
        {false, "057a758be999e2a4a2b40a9790053ba350c2d65fef040e91261ff62638cf50e9"},
        {true, "360a4c380e8bfdfaca3a1957f153e1924ba910ae34ab89ce08bfaca3aa50d810"},
    };
    for (const auto& c : cases) {
        TGifAnimation held;
        if (c.Clear)
            held.SetTransparentBackground(Color32(255, 255, 255));
        held.SetComment("produced by test");
        const TGifAnimationOptions options{c.Clear, Color32(255, 255, 255)};
        TGifPaletteSample sample(options);
        for (int i = 0; i < 8; ++i) {
            held.AddFrame(TurningFrame(i, 8, 90, 70, c.Clear), 11);
            sample.Add(TurningFrame(i, 8, 90, 70, c.Clear));
        }
        const QByteArray file = held.Encode();
        EXPECT_EQ(Sha256(file), c.Digest) << (c.Clear ? "clear" : "plain");

        // Streamed by hand, frame after frame, into a buffer: byte for byte the same.
        QByteArray streamed;
        QBuffer buffer(&streamed);
        buffer.open(QIODevice::WriteOnly);
        TGifAnimationWriter writer(buffer, QSize(90, 70), sample.Palette(), options, "produced by test");
        for (int i = 0; i < 8; ++i)
            writer.AddFrame(TurningFrame(i, 8, 90, 70, c.Clear), 11);
        writer.Finish();
        EXPECT_EQ(streamed, file);
    }
}

TEST(GifStream, FramesLeaveAsTheyComeAndMemoryStaysAtAboutOneFrame)
{
    const QSize size(320, 240);
    const qint64 plane = qint64(size.width()) * size.height();
    for (const bool clear : {false, true}) {
        const TBitmap32 a = TurningFrame(1, 12, 320, 240, clear), b = TurningFrame(4, 12, 320, 240, clear);
        const TGifAnimationOptions options{clear, Color32(255, 255, 255)};
        TGifPaletteSample sample(options);
        sample.Add(a);
        sample.Add(b);
        const TGifAnimationPalette palette = sample.Palette();
        TCountingSink sink;
        const THeapPeak heap;
        {
            TGifAnimationWriter writer(sink, size, palette, options);
            qint64 before = sink.Written();
            for (int i = 0; i < 60; ++i) {
                writer.AddFrame(i % 2 ? b : a, 5);
                EXPECT_GT(sink.Written(), before + 100) << "frame " << i << " was not written when it came";
                before = sink.Written();
            }
            writer.Finish();
            EXPECT_LE(writer.PeakHeldBytes(), TGifAnimationWriter::MemoryBound(size));
        }
        // Sixty frames held would be 18 MB of pixels; the writer keeps two planes of indices.
        EXPECT_GE(heap.Peak(), 2 * plane) << "the count sees the writer's planes";
        EXPECT_LE(heap.Peak(), TGifAnimationWriter::MemoryBound(size)) << (clear ? "clear" : "plain");
    }
    EXPECT_LE(TGifAnimationWriter::MemoryBound(size), 3 * plane + (1 << 20));
    EXPECT_LE(TGifAnimationWriter::MemoryBound(QSize(8192, 8192)), qint64(2.1 * 8192 * 8192));
}

TEST(GifStream, TheTransparentEntrysOwnPixelsTakeTheNearestColour)
{
    // Every entry in use: the one made transparent gives its pixels to the replacement.
    TGifAnimationPalette palette;
    for (int i = 0; i < 256; ++i)
        palette.Colors.push_back(Color32(i, i, i));
    // Greys the ditherer's lookup finds exactly (the centres of its cells): no error to spread.
    palette.Transparent = 6;
    palette.Replacement = 7;
    TBitmap32 frame = Filled(16, 4, Color32(6, 6, 6));
    for (int x = 0; x < 16; ++x)
        frame.SetPixel(x, 0, Color32(102, 102, 102));
    for (const bool clear : {false, true}) {
        if (clear)
            frame.SetPixel(0, 3, Color32(0, 0, 0, 0));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        TGifAnimationWriter writer(buffer, frame.Size(), palette, {clear, Color32(6, 6, 6)});
        writer.AddFrame(frame, 10);
        writer.Finish();
        const TBitmap32 got = Decoded(DecodeGif, bytes);
        EXPECT_EQ(got.Pixel(5, 2), Color32(7, 7, 7)) << "a visible pixel must not be transparent";
        EXPECT_EQ(got.Pixel(5, 0), Color32(102, 102, 102));
        EXPECT_EQ(AlphaOf(got.Pixel(0, 3)), clear ? 0 : 255);
    }
}

TEST(GifStream, WrongFramesAndFailingDevicesAreReported)
{
    TGifPaletteSample sample({});
    EXPECT_THROW(sample.Palette(), std::runtime_error);
    sample.Add(Filled(8, 8, Color32(10, 200, 30)));
    const TGifAnimationPalette palette = sample.Palette();
    TCountingSink sink;
    TGifAnimationWriter writer(sink, QSize(8, 8), palette, {});
    EXPECT_THROW(writer.Finish(), std::runtime_error) << "no frames";
    EXPECT_THROW(writer.AddFrame(Filled(8, 9, 0), 5), std::runtime_error);
    EXPECT_THROW(TGifAnimationWriter(sink, QSize(65536, 1), palette, {}), std::runtime_error);

    // A device that fails after the header: the next frame says so, with the device's reason.
    TCountingSink full(800);
    TGifAnimationWriter failing(full, QSize(64, 64), palette, {});
    const std::string failed = ThrownMessage([&] { failing.AddFrame(RampPicture(64, 64), 5); }, "a failed write went unnoticed");
    EXPECT_NE(failed.find("the disk is full"), std::string::npos) << failed;
}
