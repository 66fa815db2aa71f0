// A turntable written while it is rendered (EGL surfaceless, no display): the file a small turn
// gave when every frame was held, frames written as they are drawn within the stated memory and
// with the picture quality of a palette from every frame, refusal before anything is drawn, and
// a stopped or failed turn that leaves no file and keeps the old one; the memory the process can
// still take, as the system tells it.
#include "imageio/GifAnimation.h"
#include "imageio/GifAnimationWriter.h"
#include "imageio/ProductName.h"
#include "render/HeadlessView.h"
#include "render/MemoryRoom.h"
#include "render/TurntableGif.h"

#include "RenderTestUtil.h"
#include "common/DataLimit.h"
#include "common/HeapPeak.h"
#include "common/RequireGL.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

namespace {

const TColor32 White = Color32(255, 255, 255);

// A front with colour ramps, so that the palette has work to do, on a book with its shadow.
class TurntableGif : public testing::Test {
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
        FView->SetLight(0.72f, 0.1f); // the final page's light
        FView->FShadow = true;
        FView->FAngleY = 25;
        FView->FBackColor = White;
        FView->ShowCover(&FAtlas, 200, 300, 30);
        ASSERT_TRUE(FView->MakeCurrent());
    }
    // The frames RenderTurntable draws, held whole.
    std::vector<TBitmap32> Frames(int frames, QSize size)
    {
        std::vector<TBitmap32> all;
        FView->RenderTurntable(frames, size, [&](int, const TBitmap32& frame) {
            all.push_back(frame);
            return true;
        });
        return all;
    }
    static TTurntableGif Settings(int frames, QSize size, bool clear = false)
    {
        TTurntableGif s;
        s.Frames = frames;
        s.Size = size;
        s.Transparent = clear;
        s.Background = White;
        return s;
    }
    std::unique_ptr<THeadlessView> FView;
    TBitmap32 FAtlas;
};

// The decoded frames of an animated GIF, composed as a viewer shows them.
std::vector<TBitmap32> DecodeFrames(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    std::vector<TBitmap32> frames;
    for (QImage image = reader.read(); !image.isNull(); image = reader.read()) {
        frames.emplace_back();
        frames.back().Assign(image);
    }
    return frames;
}

double MeanPsnr(const std::vector<TBitmap32>& want, const std::vector<TBitmap32>& got)
{
    if (want.size() != got.size() || want.empty())
        return 0;
    double sum = 0;
    for (size_t i = 0; i < want.size(); ++i)
        sum += std::min(Psnr(want[i], got[i]), 99.0);
    return sum / double(want.size());
}

} // namespace

TEST_F(TurntableGif, ASmallTurnIsTheFileItsFramesHeldWholeGave)
{
    // Few small frames: the palette comes from the frames themselves, so the streamed file is
    // byte for byte the one the encoder made when it held every frame to the end.
    for (const bool clear : {false, true}) {
        FView->FTransparent = clear;
        const TTurntableGif settings = Settings(8, QSize(120, 0), clear);
        TTurntableGifWriter writer(*FView, settings);
        EXPECT_EQ(writer.SampleSize(), settings.Size);
        QByteArray streamed;
        QBuffer buffer(&streamed);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(writer.Write(buffer, {}));

        TGifAnimation held;
        if (clear)
            held.SetTransparentBackground(White);
        held.SetComment(QByteArray("produced by ") + ProductNameVersion);
        const std::vector<TBitmap32> frames = Frames(8, settings.Size);
        for (const TBitmap32& frame : frames)
            held.AddFrame(frame, settings.DelayCentiseconds());
        EXPECT_EQ(frames.front().Size(), writer.FrameSize());
        EXPECT_TRUE(streamed == held.Encode()) << (clear ? "clear" : "plain");
    }
}

TEST_F(TurntableGif, FramesAreWrittenAsTheyAreDrawnWithinTheMemoryStatedAndLookAsBefore)
{
    // 36 frames 400 wide: the palette comes from smaller frames.
    const TTurntableGif settings = Settings(36, QSize(400, 0));
    TTurntableGifWriter writer(*FView, settings);
    const QSize size = writer.FrameSize();
    EXPECT_LT(writer.SampleSize().width(), 400);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    int written = 0;
    qint64 before = 0;
    const THeapPeak heap;
    std::optional<THeapPeak> framesPass; // from the first frame written on
    ASSERT_TRUE(writer.Write(buffer, [&](const TTurntableProgress& at) {
        if (at.Sampling) {
            EXPECT_EQ(buffer.size(), 0) << "nothing is written before the palette is known";
        } else {
            if (!framesPass)
                framesPass.emplace();
            EXPECT_EQ(at.Index, written++);
            EXPECT_GT(buffer.size(), before + 256) << "frame " << at.Index << " was not written when it was drawn";
            before = buffer.size();
        }
        EXPECT_EQ(at.Steps, 2 * 36);
        return true;
    }));
    EXPECT_EQ(written, 36);
    // Held whole, the frames would take 36 x 4 bytes a pixel; past the palette (a sample of at
    // most 16 MB) the turn holds one frame at a time.
    const qint64 frame = 4 * qint64(size.width()) * size.height();
    EXPECT_LE(heap.Peak(), writer.MemoryNeeded());
    ASSERT_TRUE(framesPass);
    // A frame drawn is read back twice (rows, then the right way up) while it is alive.
    EXPECT_LT(framesPass->Peak(), 3 * frame + TGifAnimationWriter::MemoryBound(size)) << "frames pile up";

    // The picture as good as with a palette from every other pixel of every frame.
    const std::vector<TBitmap32> frames = Frames(36, settings.Size);
    TGifAnimation held;
    for (const TBitmap32& f : frames)
        held.AddFrame(f, settings.DelayCentiseconds());
    const double streamed = MeanPsnr(frames, DecodeFrames(bytes)), whole = MeanPsnr(frames, DecodeFrames(held.Encode()));
    EXPECT_GT(streamed, 30.0);
    EXPECT_GT(streamed, whole - 0.5) << "whole-frame palette: " << whole << " dB";
}

TEST_F(TurntableGif, ATurnMemoryCannotHoldIsRefusedBeforeAnythingIsDrawn)
{
    int drawn = 0;
    const TTurnRenderer counting = [&](int, QSize, const TTurnFrameDone&) {
        ++drawn;
        return true;
    };
    TTurntableGifWriter wide(*FView, Settings(36, QSize(7000, 0)), counting);
    const QSize size = wide.FrameSize();
    const qint64 need = wide.MemoryNeeded();
    // One frame, its tiles and two index planes: never the frames held whole.
    EXPECT_GT(need, 6 * qint64(size.width()) * size.height());
    EXPECT_LT(need, 8 * qint64(size.width()) * size.height() + (256 << 20));
    EXPECT_NEAR(double(TTurntableGifWriter(*FView, Settings(360, QSize(7000, 0)), counting).MemoryNeeded()), double(need),
                need * 0.02)
        << "the need follows the frame's size, not the number of frames";
    try {
        wide.RequireMemory(need - 1);
        ADD_FAILURE() << "not refused";
    } catch (const std::runtime_error& e) {
        const QString message = QString::fromUtf8(e.what());
        EXPECT_TRUE(message.contains(QStringLiteral("36 frames of %1 x %2 pixels").arg(size.width()).arg(size.height())))
            << e.what();
        EXPECT_TRUE(message.contains("Choose a smaller width.")) << e.what();
    }
    EXPECT_NO_THROW(wide.RequireMemory(need));
    EXPECT_NO_THROW(wide.RequireMemory(-1)) << "nothing known, nothing refused";

    // The process's own data limit, as a server sets it: Save refuses and writes nothing.
    QTemporaryDir dir;
    const QString path = dir.filePath("wide.gif");
    {
        const TDataLimit limit(64 << 20);
        ASSERT_TRUE(limit.Set());
        EXPECT_LE(AvailableMemory(), qint64(64) << 20);
        EXPECT_THROW(wide.Save(path, {}), std::runtime_error);
    }
    EXPECT_EQ(drawn, 0) << "refused after drawing had begun";
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(TurntableGif, AStoppedOrFailedTurnLeavesNoFileAndKeepsTheOldOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("turn.gif");
    auto write = [&](const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    auto read = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    write("the old picture");
    const TTurntableGif settings = Settings(12, QSize(100, 0));
    // Stopped while the palette is made, and after four frames were written.
    for (const int stopAt : {1, 12 + 4}) {
        TTurntableGifWriter writer(*FView, settings);
        EXPECT_FALSE(writer.Save(path, [&](const TTurntableProgress& at) { return at.Done < stopAt; }));
        EXPECT_EQ(read(), QByteArray("the old picture")) << stopAt;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"turn.gif"}) << "a partial file was left";
    }
    // A renderer failing halfway through the frames: its message goes on, the old file stays.
    int drawn = 0;
    TTurntableGifWriter failing(*FView, settings, [&](int frames, QSize size, const TTurnFrameDone& frameDone) {
        return FView->RenderTurntable(frames, size, [&](int index, const TBitmap32& frame) {
            if (++drawn == 12 + 5)
                throw std::runtime_error("The OpenGL driver cannot render a picture of this size.");
            return frameDone(index, frame);
        });
    });
    EXPECT_THROW(failing.Save(path, {}), std::runtime_error);
    EXPECT_EQ(read(), QByteArray("the old picture"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"turn.gif"});
    // Finished, it replaces the old file.
    TTurntableGifWriter writer(*FView, settings);
    EXPECT_TRUE(writer.Save(path, {}));
    EXPECT_EQ(DecodeFrames(read()).size(), 12u);
}

TEST(MemoryRoom, TheLeastOfTheKernelsEstimateTheControlGroupsRoomAndTheLimits)
{
    QTemporaryDir root;
    auto put = [&](const QString& path, const QByteArray& text) {
        QDir(root.path()).mkpath(QFileInfo(root.filePath(path)).path());
        QFile file(root.filePath(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    EXPECT_EQ(AvailableMemory(root.path()), -1) << "nothing known";
    put("proc/meminfo", "MemTotal:        8000000 kB\nMemFree:  100 kB\nMemAvailable:    4000000 kB\n");
    EXPECT_EQ(AvailableMemory(root.path()), 4000000LL * 1024);
    // A container's group without a limit of its own, inside one of 1 GiB that uses 768 MiB,
    // 100 MiB of which are file pages the kernel may drop.
    put("proc/self/cgroup", "0::/pods/job\n");
    put("sys/fs/cgroup/pods/job/memory.max", "max\n");
    put("sys/fs/cgroup/pods/job/memory.current", "805306368\n");
    put("sys/fs/cgroup/pods/memory.max", "1073741824\n");
    put("sys/fs/cgroup/pods/memory.current", "805306368\n");
    put("sys/fs/cgroup/pods/memory.stat", "anon 700000000\ninactive_file 104857600\nactive_file 1\n");
    EXPECT_EQ(AvailableMemory(root.path()), (1024 - 768 + 100) << 20);
    // The older kind of group, tighter still.
    put("sys/fs/cgroup/memory/memory.limit_in_bytes", "524288000\n");
    put("sys/fs/cgroup/memory/memory.usage_in_bytes", "419430400\n");
    EXPECT_EQ(AvailableMemory(root.path()), 100 << 20);

    // This machine: something, and no more than it has.
    const qint64 here = AvailableMemory();
    EXPECT_GT(here, 0);
    EXPECT_LE(here, qint64(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGESIZE));
}
