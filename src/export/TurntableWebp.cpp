#include "export/TurntableWebp.h"

#include "render/D3DRenderer.h"
#include "render/HeadlessCover.h"
#include "render/HeadlessView.h"
#include "render/MemoryRoom.h"

#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <stdexcept>

int TTurntableWebp::FrameMilliseconds() const { return std::max(20, int(std::lround(4000.0 / std::max(Frames, 1)))); }

TTurntableWebpWriter::TTurntableWebpWriter(TD3DRenderer& renderer, const TTurntableWebp& settings, TTurnRenderer render)
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
}

qint64 TTurntableWebpWriter::MemoryNeeded() const
{
    // One frame drawn at a time, the encoder's canvases and working memory, and every frame coded:
    // the file is assembled from them at the end.
    return TurntableFrameBytes(FFrameSize) + TWebpAnimationWriter::MemoryBound(FFrameSize, FSettings.Lossless) +
           FSettings.Frames * TWebpAnimationWriter::CodedFrameBound(FFrameSize, FSettings.Lossless);
}

void TTurntableWebpWriter::RequireMemory(qint64 room) const
{
    const qint64 need = MemoryNeeded();
    if (room < 0 || need <= room)
        return;
    const auto megabytes = [](qint64 bytes) { return (bytes + (1 << 20) - 1) >> 20; };
    throw std::runtime_error(QStringLiteral("A turntable of %1 frames of %2 x %3 pixels needs about %4 MB of memory, "
                                            "but only %5 MB are free. Choose a smaller width.")
                                 .arg(FSettings.Frames)
                                 .arg(FFrameSize.width())
                                 .arg(FFrameSize.height())
                                 .arg(megabytes(need))
                                 .arg(room >> 20)
                                 .toStdString());
}

bool TTurntableWebpWriter::Write(QIODevice& out, const TTurntableProgressFn& progress)
{
    TWebpAnimationOptions options;
    options.Quality = FSettings.Quality;
    options.Lossless = FSettings.Lossless;
    options.Transparent = FSettings.Transparent;
    TWebpAnimationWriter writer(FFrameSize, options);
    const int duration = FSettings.FrameMilliseconds();
    TTurntableProgress status;
    status.Count = status.Steps = FSettings.Frames;
    if (!FRender(FSettings.Frames, FSettings.Size, [&](int index, const TBitmap32& frame) {
            writer.AddFrame(frame, duration);
            status.Index = index;
            ++status.Done;
            return !progress || progress(status);
        }))
        return false;
    const QByteArray bytes = writer.Finish();
    if (out.write(bytes) != bytes.size())
        throw std::runtime_error("The animated WebP could not be written.");
    return true;
}

bool TTurntableWebpWriter::Save(const QString& path, const TTurntableProgressFn& progress)
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

QSize SaveTurntableWebpHeadless(const TComposedCover& cover, const TCoverRenderSettings& s, int frames,
                                const QString& path, const TTurntableProgressFn& progress)
{
    const auto view = HeadlessViewOf(cover, s);
    TTurntableWebp webp;
    webp.Frames = frames;
    webp.Size = QSize(s.Width, 0);
    webp.Transparent = s.Transparent;
    TTurntableWebpWriter writer(*view, webp);
    return writer.Save(path, progress) ? writer.FrameSize() : QSize();
}
