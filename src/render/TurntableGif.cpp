#include "render/TurntableGif.h"

#include "imageio/GifAnimationWriter.h"
#include "imageio/ProductName.h"
#include "render/D3DRenderer.h"
#include "render/MemoryRoom.h"

#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {
// Offscreen pictures are drawn in tiles of at most this side.
constexpr qint64 TileSide = 2048;
// What a tile costs the OpenGL driver per pixel (Mesa's software renderer keeps it in main
// memory: colour and depth targets, the float sum and pass copy of the smoothing, the shadow
// layer; measured at about 14 bytes plain and 52 smoothed), and the tile read back twice.
constexpr qint64 TileBytesPerPixel = 56 + 8;

qint64 Pixels(QSize size) { return qint64(size.width()) * size.height(); }
qint64 TileBytes(QSize size)
{
    return TileBytesPerPixel * std::min<qint64>(size.width(), TileSide) * std::min<qint64>(size.height(), TileSide);
}
qint64 Megabytes(qint64 bytes) { return (bytes + (1 << 20) - 1) >> 20; }
} // namespace

qint64 TurntableFrameBytes(QSize frame) { return 4 * Pixels(frame) + TileBytes(frame); }

int TTurntableGif::DelayCentiseconds() const { return std::max(2, int(std::lround(400.0 / std::max(Frames, 1)))); }

TTurntableGifWriter::TTurntableGifWriter(TD3DRenderer& renderer, const TTurntableGif& settings, TTurnRenderer render)
    : FSettings(settings), FRender(std::move(render))
{
    FSettings.Frames = std::max(FSettings.Frames, 1);
    if (!FRender)
        FRender = [&renderer](int frames, QSize size, const TTurnFrameDone& frameDone) {
            return renderer.RenderTurntable(frames, size, frameDone);
        };
    FFrameSize = renderer.TurntableFrameSize(FSettings.Frames, FSettings.Size);
    if (FFrameSize.height() > 8192)
        throw std::runtime_error("The picture would be taller than 8192 pixels; choose a smaller width.");
    // The palette from the frames themselves while they are few and small (the file is then the
    // one a palette of every pixel gives); otherwise from every angle drawn smaller. (A dozen
    // angles drawn larger came out almost a decibel worse.)
    FSampleSize = FSettings.Size;
    double scale = 1;
    if (Pixels(FFrameSize) * FSettings.Frames > GifPaletteSamplePixels) {
        scale = std::sqrt(double(GifPaletteSamplePixels) / double(Pixels(FFrameSize) * FSettings.Frames));
        FSampleSize = QSize(std::max(1, int(FSettings.Size.width() * scale)),
                            FSettings.Size.height() > 0 ? std::max(1, int(FSettings.Size.height() * scale)) : 0);
    }
    // A sampled frame's height follows the content at its width: about the frame's, scaled.
    FSampleFrameSize = QSize(std::max(1, int(std::ceil(FFrameSize.width() * scale))) + 4,
                             std::max(1, int(std::ceil(FFrameSize.height() * scale))) + 4);
}

qint64 TTurntableGifWriter::MemoryNeeded() const
{
    // The palette pass: its frames kept, one more drawn with its tiles and then its indices, the
    // colour count.
    const qint64 sampled = Pixels(FSampleFrameSize);
    const qint64 sampling = 4 * sampled * FSettings.Frames + 5 * sampled + TileBytes(FSampleFrameSize) + (qint64(1) << 18) * 28;
    // Then one frame drawn at a time, its tiles, and the coder's two index planes.
    const qint64 frames = TurntableFrameBytes(FFrameSize) + TGifAnimationWriter::MemoryBound(FFrameSize);
    return sampling + frames;
}

void TTurntableGifWriter::RequireMemory(qint64 room) const
{
    const qint64 need = MemoryNeeded();
    if (room < 0 || need <= room)
        return;
    throw std::runtime_error(QStringLiteral("A turntable of %1 frames of %2 x %3 pixels needs about %4 MB of memory, "
                                            "but only %5 MB are free. Choose a smaller width.")
                                 .arg(FSettings.Frames)
                                 .arg(FFrameSize.width())
                                 .arg(FFrameSize.height())
                                 .arg(Megabytes(need))
                                 .arg(room >> 20)
                                 .toStdString());
}

bool TTurntableGifWriter::Write(QIODevice& out, const TTurntableProgressFn& progress)
{
    const TGifAnimationOptions options{FSettings.Transparent, FSettings.Background};
    TTurntableProgress status;
    status.Steps = FSettings.Frames + FSettings.Frames;
    auto tell = [&](bool sampling, int index, int count) {
        status.Sampling = sampling;
        status.Index = index;
        status.Count = count;
        ++status.Done;
        return !progress || progress(status);
    };
    TGifAnimationPalette palette;
    {
        TGifPaletteSample sample(options);
        if (!FRender(FSettings.Frames, FSampleSize, [&](int index, const TBitmap32& frame) {
                sample.Add(frame);
                return tell(true, index, FSettings.Frames);
            }))
            return false;
        palette = sample.Palette();
    }
    TGifAnimationWriter writer(out, FFrameSize, std::move(palette), options, QByteArray("produced by ") + ProductNameVersion);
    const int delay = FSettings.DelayCentiseconds();
    if (!FRender(FSettings.Frames, FSettings.Size, [&](int index, const TBitmap32& frame) {
            writer.AddFrame(frame, delay);
            return tell(false, index, FSettings.Frames);
        }))
        return false;
    writer.Finish();
    return true;
}

bool TTurntableGifWriter::Save(const QString& path, const TTurntableProgressFn& progress)
{
    RequireMemory(AvailableMemory());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(QStringLiteral("Cannot create file %1").arg(path).toStdString());
    // A stop or a failure drops the temporary file; the old file is replaced only by commit().
    if (!Write(file, progress))
        return false;
    if (!file.commit())
        throw std::runtime_error(QStringLiteral("Cannot create file %1").arg(path).toStdString());
    return true;
}
