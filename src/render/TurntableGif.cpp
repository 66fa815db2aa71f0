#include "render/TurntableGif.h"

#include "imageio/GifAnimationWriter.h"
#include "imageio/ProductName.h"

#include <algorithm>
#include <cmath>

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
} // namespace

qint64 TurntableFrameBytes(QSize frame) { return 4 * Pixels(frame) + TileBytes(frame); }

int TTurntableGif::DelayCentiseconds() const { return std::max(2, int(std::lround(400.0 / std::max(Frames, 1)))); }

TTurntableGifWriter::TTurntableGifWriter(TD3DRenderer& renderer, const TTurntableGif& settings, TTurnRenderer render)
    : TTurntableWriter(renderer, settings.Frames, settings.Size, std::move(render)), FSettings(settings)
{
    FSettings.Frames = Frames();
    const QSize frameSize = FrameSize();
    // The palette from the frames themselves while they are few and small (the file is then the
    // one a palette of every pixel gives); otherwise from every angle drawn smaller. (A dozen
    // angles drawn larger came out almost a decibel worse.)
    FSampleSize = FSettings.Size;
    double scale = 1;
    if (Pixels(frameSize) * FSettings.Frames > GifPaletteSamplePixels) {
        scale = std::sqrt(double(GifPaletteSamplePixels) / double(Pixels(frameSize) * FSettings.Frames));
        FSampleSize = QSize(std::max(1, int(FSettings.Size.width() * scale)),
                            FSettings.Size.height() > 0 ? std::max(1, int(FSettings.Size.height() * scale)) : 0);
    }
    // A sampled frame's height follows the content at its width: about the frame's, scaled.
    FSampleFrameSize = QSize(std::max(1, int(std::ceil(frameSize.width() * scale))) + 4,
                             std::max(1, int(std::ceil(frameSize.height() * scale))) + 4);
}

qint64 TTurntableGifWriter::MemoryNeeded() const
{
    // The palette pass: its frames kept, one more drawn with its tiles and then its indices, the
    // colour count.
    const qint64 sampled = Pixels(FSampleFrameSize);
    const qint64 sampling = 4 * sampled * FSettings.Frames + 5 * sampled + TileBytes(FSampleFrameSize) + (qint64(1) << 18) * 28;
    // Then one frame drawn at a time, its tiles, and the coder's two index planes.
    const qint64 frames = TurntableFrameBytes(FrameSize()) + TGifAnimationWriter::MemoryBound(FrameSize());
    return sampling + frames;
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
        if (!RenderTurn(FSampleSize, [&](int index, const TBitmap32& frame) {
                sample.Add(frame);
                return tell(true, index, FSettings.Frames);
            }))
            return false;
        palette = sample.Palette();
    }
    TGifAnimationWriter writer(out, FrameSize(), std::move(palette), options, QByteArray("produced by ") + ProductNameVersion);
    const int delay = FSettings.DelayCentiseconds();
    if (!RenderTurn(FSettings.Size, [&](int index, const TBitmap32& frame) {
            writer.AddFrame(frame, delay);
            return tell(false, index, FSettings.Frames);
        }))
        return false;
    writer.Finish();
    return true;
}
