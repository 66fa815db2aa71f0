// The turntable as an animated WebP (EGL surfaceless, no display), read back by libwebp's
// animation decoder: the frames asked for at the turn's size and pace, their colours close to
// the frames drawn (equal when lossless), the alpha kept; each frame coded as it is drawn, within
// the encoder memory the writer states; a turn refused or stopped leaves no file and keeps the old one.
#include "export/TurntableWebp.h"
#include "render/HeadlessView.h"

#include "DecodeWebp.h"
#include "common/PeakMemory.h"
#include "common/RequireGL.h"
#include "common/TestBitmaps.h"
#include "cover/Composition.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class TurntableWebp : public testing::Test {
protected:
    void SetUp() override
    {
        bool ok = false;
        FView = std::make_unique<THeadlessView>(400, 300, ok);
        TAVLO_REQUIRE_GL(ok, "EGL surfaceless: " << FView->Error().toStdString());
        TBitmap32 front(200, 300), side = Filled(30, 300, Color32(30, 40, 160)), top = Filled(200, 30, Color32(90, 90, 90));
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 200; ++x)
                front.SetPixel(x, y, Color32(200 - y / 2, 40 + x / 2, (x * y) / 300));
        FAtlas = BuildAtlas(front, side, &top);
        FView->SetLight(0.72f, 0.1f);
        FView->FShadow = true;
        FView->FAngleY = 25;
        FView->FBackColor = Color32(255, 255, 255);
        FView->ShowCover(&FAtlas, 200, 300, 30);
        ASSERT_TRUE(FView->MakeCurrent());
    }
    std::vector<TBitmap32> Frames(int frames, QSize size)
    {
        std::vector<TBitmap32> all;
        FView->RenderTurntable(frames, size, [&](int, const TBitmap32& frame) {
            all.push_back(frame);
            return true;
        });
        return all;
    }
    static TTurntableWebp Settings(int frames, int width, bool clear, bool lossless = false)
    {
        TTurntableWebp s;
        s.Frames = frames;
        s.Size = QSize(width, 0);
        s.Transparent = clear;
        s.Lossless = lossless;
        return s;
    }
    std::unique_ptr<THeadlessView> FView;
    TBitmap32 FAtlas;
};

} // namespace

TEST_F(TurntableWebp, FramesComeBackAsDrawnWithTheirAlpha)
{
    struct TCase {
        bool Clear, Lossless;
        double MinPsnr; // over the colour of the pixels the cover or its shadow covers
    };
    for (const TCase c : {TCase{false, false, 33}, TCase{true, false, 33}, TCase{false, true, 1e9}}) {
        SCOPED_TRACE(testing::Message() << (c.Clear ? "clear" : "opaque") << (c.Lossless ? ", lossless" : ", lossy"));
        FView->FTransparent = c.Clear;
        TTurntableWebpWriter writer(*FView, Settings(6, 160, c.Clear, c.Lossless));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        int told = 0;
        ASSERT_TRUE(writer.Write(buffer, [&](const TTurntableProgress& at) {
            EXPECT_EQ(at.Index, told++);
            EXPECT_EQ(at.Count, 6);
            return true;
        }));
        EXPECT_EQ(told, 6);
        const std::vector<TBitmap32> drawn = Frames(6, QSize(160, 0));
        const TDecodedWebp webp = DecodeWebp(bytes);
        ASSERT_TRUE(webp.Ok);
        ASSERT_EQ(webp.Frames.size(), 6u);
        EXPECT_EQ(QSize(webp.Width, webp.Height), writer.FrameSize());
        EXPECT_EQ(webp.Loops, 0); // for ever
        EXPECT_EQ(webp.Timestamps.back(), 6 * 667); // a turn in about four seconds
        for (size_t i = 0; i < drawn.size(); ++i) {
            const TBitmap32& got = webp.Frames[i];
            ASSERT_EQ(got.Size(), drawn[i].Size());
            // Alpha is coded without loss; where it is 0 the colour does not matter.
            int alphaOff = 0, clearPixels = 0;
            TBitmap32 want = drawn[i], seen = got;
            for (int y = 0; y < got.Height(); ++y)
                for (int x = 0; x < got.Width(); ++x) {
                    const int a = AlphaOf(drawn[i].Pixel(x, y));
                    alphaOff += std::abs(AlphaOf(got.Pixel(x, y)) - (c.Clear ? a : 255)) > 0;
                    if (c.Clear && a == 0) {
                        ++clearPixels;
                        want.SetPixel(x, y, 0);
                        seen.SetPixel(x, y, 0);
                    }
                }
            EXPECT_EQ(alphaOff, 0) << "frame " << i;
            if (c.Clear) {
                EXPECT_EQ(AlphaOf(got.Pixel(0, 0)), 0) << "frame " << i << ": the corner is clear";
                EXPECT_GT(clearPixels, got.Width() * got.Height() / 10) << "frame " << i;
            }
            EXPECT_GE(Psnr(want, seen), c.MinPsnr) << "frame " << i;
        }
    }
}

TEST_F(TurntableWebp, EachFrameIsCodedWhenItIsDrawnWithinTheStatedMemory)
{
    // 72 frames of 400 pixels from a renderer that draws every frame into the same picture: a
    // writer that kept the frame to code later would code the last picture 72 times, one that
    // copied them all would take 72 x 4 bytes a pixel.
    TTurntableWebpWriter* writer = nullptr;
    TBitmap32 canvas;
    const TTurnRenderer sameCanvas = [&](int frames, QSize, const TTurnFrameDone& done) {
        canvas = TBitmap32(writer->FrameSize().width(), writer->FrameSize().height());
        for (int k = 0; k < frames; ++k) {
            for (int y = 0; y < canvas.Height(); ++y)
                for (int x = 0; x < canvas.Width(); ++x)
                    canvas.SetPixel(x, y, Color32((k * 37) & 255, x & 255, (y * 2) & 255));
            if (!done(k, canvas))
                return false;
        }
        return true;
    };
    TTurntableWebpWriter turn(*FView, Settings(72, 400, false), sameCanvas);
    writer = &turn;
    const QSize size = turn.FrameSize();
    const double held = 72.0 * 4 * size.width() * size.height() / (1 << 20);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const TPeakMemory peak;
    ASSERT_TRUE(turn.Write(buffer, {}));
    peak.Report("72 frames of 400 px coded as WebP");
    const double rise = peak.RiseMiB();

    const TDecodedWebp webp = DecodeWebp(bytes);
    ASSERT_EQ(webp.Frames.size(), 72u);
    for (int k : {0, 35, 71})
        EXPECT_NEAR(RedOf(webp.Frames[size_t(k)].Pixel(size.width() / 2, size.height() / 2)), (k * 37) & 255, 4) << "frame " << k;
    if (!peak.Reset())
        GTEST_SKIP() << "the kernel's peak of resident memory cannot be reset here";
    // Beyond the canvas drawn into, the encoder's own memory and what it has coded.
    const double bound = double(TWebpAnimationWriter::MemoryBound(size, false) + bytes.size()) / (1 << 20);
    EXPECT_LT(rise, bound + 4.0 * size.width() * size.height() / (1 << 20));
    EXPECT_LT(rise, held / 4);
}

TEST_F(TurntableWebp, ARefusedOrStoppedTurnKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("turn.webp");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    auto unchanged = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) && f.readAll() == "old" &&
               QDir(dir.path()).entryList(QDir::Files) == QStringList{"turn.webp"};
    };

    TTurntableWebpWriter writer(*FView, Settings(8, 200, true));
    try {
        writer.RequireMemory(writer.MemoryNeeded() - 1);
        ADD_FAILURE() << "a turn needing more than the room was not refused";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString(e.what()).startsWith("A turntable of 8 frames of 200 x ")) << e.what();
    }
    EXPECT_NO_THROW(writer.RequireMemory(writer.MemoryNeeded()));
    EXPECT_NO_THROW(writer.RequireMemory(-1)); // unknown room refuses nothing

    int drawn = 0;
    EXPECT_FALSE(writer.Save(path, [&](const TTurntableProgress&) { return ++drawn < 3; }));
    EXPECT_EQ(drawn, 3);
    EXPECT_TRUE(unchanged());

    ASSERT_TRUE(writer.Save(path, {}));
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(DecodeWebp(written.readAll()).Frames.size(), 8u);
}
