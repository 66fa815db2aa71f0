// The same turntable frames (a Book Cover, 36 frames 600 pixels wide, the sample book's artwork)
// written as the GIF turntable and as animated WebP at a few settings: file size, mean PSNR of
// the decoded frames against the frames drawn, coding time, and the WebP encoder's memory.
//   bench_turntable_formats [FRONT SIDE]      (default: the sample book of the build tree)
#include "export/TurntableWebp.h"
#include "imageio/PictureLoader.h"
#include "render/HeadlessCover.h"
#include "render/HeadlessView.h"
#include "render/scene/ComposedCover.h"

#include "common/TestBitmaps.h"
#include "export/DecodeWebp.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QRegularExpression>
#include <cstdio>
#include <malloc.h>

namespace {

// Resident memory in KiB: the current size, or the peak since the last reset.
long Status(const char* field)
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const auto m = QRegularExpression(QString("%1:\\s+(\\d+) kB").arg(field)).match(QString::fromLatin1(f.readAll()));
    return m.hasMatch() ? m.captured(1).toLong() : 0;
}
void ResetPeak()
{
    malloc_trim(0); // what earlier steps freed goes back to the system, so it cannot hide a rise
    QFile f("/proc/self/clear_refs");
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

// A frame as a page shows it on white: what a GIF's one transparent colour and WebP's alpha
// are compared by.
TBitmap32 OnWhite(const TBitmap32& frame)
{
    TBitmap32 out = frame;
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) {
            const TColor32 p = out.Pixel(x, y);
            const int a = AlphaOf(p);
            auto mix = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
            out.SetPixel(x, y, Color32(mix(RedOf(p)), mix(GreenOf(p)), mix(BlueOf(p))));
        }
    return out;
}

double MeanPsnr(const std::vector<TBitmap32>& drawn, const std::vector<TBitmap32>& got)
{
    if (drawn.size() != got.size())
        return 0;
    double sum = 0;
    for (size_t i = 0; i < drawn.size(); ++i)
        sum += std::min(Psnr(OnWhite(drawn[i]), OnWhite(got[i])), 99.0);
    return sum / double(drawn.size());
}

std::vector<TBitmap32> DecodeGif(QByteArray bytes)
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

void Row(const char* name, qint64 bytes, double psnr, double ms, const QString& extra = {})
{
    std::printf("| %-30s | %9.1f | %6.2f | %7.0f | %s\n", name, bytes / 1024.0, psnr, ms, qPrintable(extra));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv); // the GIF reader is a Qt image plugin
    const QString book = QStringLiteral(TAVLO_SAMPLE_BOOK);
    const QString frontPath = argc > 2 ? argv[1] : book + "/front.jpg", sidePath = argc > 2 ? argv[2] : book + "/side.jpg";
    constexpr int FrameCount = 36, Width = 600;
    for (const bool clear : {false, true}) {
        TBitmap32 front, side;
        LoadPictureFromFile(front, frontPath);
        LoadPictureFromFile(side, sidePath);
        TCoverRenderSettings s;
        s.Type = btBookCover;
        s.Width = Width;
        s.Smooth = true;
        s.Transparent = clear;
        const TComposedCover cover = ComposeCover(s.Type, front, side, nullptr);
        const auto view = HeadlessViewOf(cover, s);
        std::vector<TBitmap32> drawn;
        view->RenderTurntable(FrameCount, QSize(Width, 0), [&](int, const TBitmap32& f) {
            drawn.push_back(f);
            return true;
        });
        // Every writer gets the frames already drawn, so only the coding is timed.
        const TTurnRenderer replay = [&](int, QSize, const TTurnFrameDone& done) {
            for (size_t i = 0; i < drawn.size(); ++i)
                if (!done(int(i), drawn[i]))
                    return false;
            return true;
        };
        const QSize size = drawn.front().Size();
        std::printf("\n%d frames of %d x %d, %s background\n", FrameCount, size.width(), size.height(),
                    clear ? "transparent" : "white");
        std::printf("| %-30s | %9s | %6s | %7s |\n", "format", "KiB", "PSNR", "ms");

        QElapsedTimer timer;
        TTurntableGif gif;
        gif.Frames = FrameCount;
        gif.Size = QSize(Width, 0);
        gif.Transparent = clear;
        gif.Background = s.Background;
        QByteArray gifBytes;
        {
            QBuffer out(&gifBytes);
            out.open(QIODevice::WriteOnly);
            timer.start();
            // The GIF's palette pass draws smaller frames of its own; it gets the view for those.
            TTurntableGifWriter writer(*view, gif, [&](int frames, QSize frameSize, const TTurnFrameDone& done) {
                return frameSize == gif.Size ? replay(frames, frameSize, done)
                                             : view->RenderTurntable(frames, frameSize, done);
            });
            writer.Write(out, {});
        }
        Row("GIF turntable", gifBytes.size(), MeanPsnr(drawn, DecodeGif(gifBytes)), double(timer.elapsed()));

        struct TWebpCase {
            const char* Name;
            int Quality;
            bool Lossless;
        };
        for (const TWebpCase c : {TWebpCase{"WebP lossy q75", 75, false}, TWebpCase{"WebP lossy q90", 90, false},
                                  TWebpCase{"WebP lossless", 100, true}}) {
            TTurntableWebp webp;
            webp.Frames = FrameCount;
            webp.Size = QSize(Width, 0);
            webp.Transparent = clear;
            webp.Quality = c.Quality;
            webp.Lossless = c.Lossless;
            QByteArray bytes;
            QBuffer out(&bytes);
            out.open(QIODevice::WriteOnly);
            TTurntableWebpWriter writer(*view, webp, replay);
            ResetPeak();
            const long before = Status("VmRSS");
            timer.start();
            writer.Write(out, {});
            const double ms = double(timer.elapsed());
            const double rise = (Status("VmHWM") - before) / 1024.0;
            const double pixels = double(size.width()) * size.height();
            Row(c.Name, bytes.size(), MeanPsnr(drawn, DecodeWebp(bytes).Frames), ms,
                QString("encoder peak %1 MiB = %2 B/px beyond the coded file; bound %3 MiB")
                    .arg(rise, 0, 'f', 1)
                    .arg((rise * 1048576 - bytes.size()) / pixels, 0, 'f', 1)
                    .arg((TWebpAnimationWriter::MemoryBound(size, c.Lossless) +
                          FrameCount * TWebpAnimationWriter::CodedFrameBound(size, c.Lossless)) / 1048576.0, 0, 'f', 1));
        }
    }
    return 0;
}
