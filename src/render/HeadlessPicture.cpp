#include "render/HeadlessPicture.h"

#include "project/Project.h"
#include "render/HeadlessView.h"
#include "render/MemoryRoom.h"
#include "render/TurntableGif.h"
#include "render/photo/PhotoRenderer.h"
#include "render/scene/ComposedCover.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {
// What tracing a pixel takes at the peak, while the noise filter runs beside the film of sums
// and guides and the picture is resolved and written: the peak resident size of `tavlo render
// --photo` grew by 188 to 196 bytes a pixel from 160 x 120 to 800 x 600, 1600 x 1200 and
// 3200 x 2400; with some room.
constexpr qint64 PhotoBytesPerPixel = 256;

qint64 Megabytes(qint64 bytes) { return (bytes + (1 << 20) - 1) >> 20; }

TPhotoOptions PhotoOptions(const TPictureQuality& quality, const std::atomic<bool>* cancel)
{
    TPhotoOptions options;
    if (quality.Samples > 0)
        options.Samples = quality.Samples;
    options.Threads = quality.Threads;
    options.Cancel = cancel;
    return options;
}

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(); }

// The photo scenes of a turn: frame k at its angle, every frame seen through one camera that
// frames what each angle shows (the cover, its shadow, its floor reflection), so the cover turns
// in place instead of jumping from frame to frame.
class TPhotoTurn {
public:
    TPhotoTurn(const TComposedCover& cover, const TCoverRenderSettings& settings, const TPhotoLook& look, int frames)
        : FCover(cover), FSettings(settings), FLook(look), FFrames(std::max(frames, 1)),
          FStart(settings.AngleY ? double(*settings.AngleY) : double(cover.AngleY) * 180 / std::numbers::pi)
    {
        FSettings.Crop = true;
        // The floor does not turn: frame 0 tells whether its reflection shows and how deep.
        const TPhotoScene first = BuildPhotoScene(cover, At(0), look);
        const QSize view = HeadlessViewSize(FSettings);
        FFraming = FramingInputFor(cover, At(0), view.width(), view.height());
        if (first.Floor.Present && first.Floor.Reflection > 0)
            FFraming.ReflectionDepth = first.Floor.ReflectionFade;
        FShadow = settings.Shadow.value_or(!ClearsShadow(settings.Type));
    }

    // Frame k in a picture of exactly `size`.
    TPhotoScene Frame(int k, QSize size)
    {
        if (size != FCameraSize) {
            FCamera = TurntableCamera(FFraming, FFrames, FShadow, size);
            FCameraSize = size;
        }
        TPhotoScene scene = BuildPhotoScene(FCover, At(k), FLook);
        scene.Camera = FCamera;
        return scene;
    }

private:
    TCoverRenderSettings At(int k) const
    {
        TCoverRenderSettings s = FSettings;
        s.AngleY = float(FStart + 360.0 * k / FFrames);
        return s;
    }

    const TComposedCover& FCover;
    TCoverRenderSettings FSettings;
    TPhotoLook FLook;
    int FFrames;
    double FStart;          // degrees about the vertical axis of frame 0
    TFramingInput FFraming; // frame 0's, its floor reflection counted as content
    bool FShadow = true;
    QSize FCameraSize;
    TSceneCamera FCamera;
};
} // namespace

void ValidateQuality(const TPictureQuality& quality)
{
    ValidateLook(quality.Look);
    if (quality.Samples < 0 || quality.Samples > 65536)
        throw std::runtime_error("The samples must be between 1 and 65536.");
    if (quality.Threads < 0)
        throw std::runtime_error("The number of threads cannot be negative.");
}

qint64 PhotoMemoryNeeded(QSize size) { return PhotoBytesPerPixel * size.width() * size.height(); }

void RequirePhotoMemory(QSize size, qint64 room, const QString& smaller)
{
    const qint64 need = PhotoMemoryNeeded(size);
    if (room < 0 || need <= room)
        return;
    throw std::runtime_error(QStringLiteral("A photo of %1 x %2 pixels needs about %3 MB of memory, but only %4 MB "
                                            "are free. Choose a smaller %5.")
                                 .arg(size.width())
                                 .arg(size.height())
                                 .arg(Megabytes(need))
                                 .arg(room >> 20)
                                 .arg(smaller)
                                 .toStdString());
}

TCoverRenderSettings FinalRenderSettings(const TFinalSettings& f)
{
    TCoverRenderSettings s;
    s.Type = f.Type;
    if (f.AngleX)
        s.AngleX = float(*f.AngleX);
    if (f.AngleY)
        s.AngleY = float(*f.AngleY);
    s.LightElevation = float(f.LightElevation / 100.0);
    s.LightAzimuth = float(f.LightAzimuth / 100.0);
    s.Shadow = f.Shadow;
    s.ShadowStrength = float(f.ShadowStrength / 100.0);
    s.Zoom = float(f.Zoom);
    s.Background = f.Background;
    s.CDPosition = float(f.CDPosition / 100.0);
    s.Width = f.ExportWidth;
    s.Height = f.ExportHeight;
    s.ViewWidth = f.ViewWidth;
    s.ViewHeight = f.ViewHeight;
    s.Smooth = f.Smooth;
    s.Transparent = f.TransparentBackground;
    return s;
}

TPictureQuality FinalPictureQuality(const TFinalSettings& f)
{
    TPictureQuality q;
    q.Photo = f.Quality == TRenderQuality::Photo;
    q.Look.Reflection = f.Reflection;
    q.Look.Gloss = f.Gloss;
    q.Samples = f.Samples;
    return q;
}

std::optional<TBitmap32> RenderCoverPicture(TBitmap32& front, TBitmap32& side, TBitmap32* top,
                                            const TCoverRenderSettings& settings, const TPictureQuality& quality,
                                            const TPictureProgressFn& progress, const std::atomic<bool>* cancel)
{
    ValidateSettings(settings);
    ValidateQuality(quality);
    if (!quality.Photo) {
        if (Cancelled(cancel))
            return std::nullopt;
        TBitmap32 picture = RenderCoverHeadless(front, side, top, settings);
        if (progress && !progress({1.0, &picture}))
            return std::nullopt;
        return picture;
    }
    const TPhotoScene scene =
        BuildPhotoScene(ComposeCover(settings.Type, front, side, top, settings.Back.get()), settings, quality.Look);
    const QSize size(scene.Camera.Width, scene.Camera.Height);
    RequirePhotoMemory(size, AvailableMemory(), QStringLiteral("size"));
    if (progress && !progress({0.0, nullptr}))
        return std::nullopt;
    TPhotoPassDone passDone;
    if (progress)
        passDone = [&](const TPhotoProgress& at, const TBitmap32& picture) {
            const double done = at.Last ? 1.0 : double(at.SamplesDone) / std::max(at.SamplesTotal, 1);
            return progress({done, &picture});
        };
    return RenderPhoto(scene, PhotoOptions(quality, cancel), passDone);
}

QSize SaveTurntablePicture(TBitmap32& front, TBitmap32& side, TBitmap32* top, const TCoverRenderSettings& settings,
                           const TPictureQuality& quality, int frames, const QString& path,
                           const TTurntableProgressFn& progress, const std::atomic<bool>* cancel)
{
    ValidateQuality(quality);
    if (!quality.Photo)
        return SaveTurntableHeadless(front, side, top, settings, frames, path, [&](const TTurntableProgress& at) {
            return !Cancelled(cancel) && (!progress || progress(at));
        });
    ValidateSettings(settings);
    const TComposedCover cover = ComposeCover(settings.Type, front, side, top, settings.Back.get());
    TPhotoTurn turn(cover, settings, quality.Look, frames);
    // The view frames the GIF as the Standard turntable does (the frames' size, the palette's
    // sample); the photo then fills those frames with its own framing of the same content.
    const auto view = HeadlessViewOf(cover, settings);
    const TTurntableGif gif = HeadlessTurntableGif(settings, frames);
    QSize frameSize;
    const TPhotoOptions options = PhotoOptions(quality, cancel);
    const TTurnRenderer trace = [&](int count, QSize size, const TTurnFrameDone& frameDone) {
        // A frame without height keeps the shape of the GIF's frames.
        if (size.height() <= 0)
            size.setHeight(std::max(1, int(std::lround(double(size.width()) * frameSize.height() / frameSize.width()))));
        for (int k = 0; k < count; ++k) {
            const auto frame = RenderPhoto(turn.Frame(k, size), options);
            if (!frame || !frameDone(k, *frame))
                return false;
        }
        return true;
    };
    TTurntableGifWriter writer(*view, gif, trace);
    frameSize = writer.FrameSize();
    // The GIF's frames and one traced frame at a time.
    RequireTurntableMemory(frames, frameSize, writer.MemoryNeeded() + PhotoMemoryNeeded(frameSize), AvailableMemory());
    return writer.Save(path, progress) ? frameSize : QSize();
}
