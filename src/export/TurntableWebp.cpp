#include "export/TurntableWebp.h"

#include "render/HeadlessCover.h"
#include "render/HeadlessView.h"
#include "render/TurntableGif.h" // the memory of a frame

#include <QIODevice>
#include <algorithm>
#include <cmath>
#include <stdexcept>

int TTurntableWebp::FrameMilliseconds() const { return std::max(20, int(std::lround(4000.0 / std::max(Frames, 1)))); }

TTurntableWebpWriter::TTurntableWebpWriter(TD3DRenderer& renderer, const TTurntableWebp& settings, TTurnRenderer render)
    : TTurntableWriter(renderer, settings.Frames, settings.Size, std::move(render)), FSettings(settings)
{
    FSettings.Frames = Frames();
}

qint64 TTurntableWebpWriter::MemoryNeeded() const
{
    // One frame drawn at a time, the encoder's canvases and working memory, and every frame coded:
    // the file is assembled from them at the end.
    return TurntableFrameBytes(FrameSize()) + TWebpAnimationWriter::MemoryBound(FrameSize(), FSettings.Lossless) +
           FSettings.Frames * TWebpAnimationWriter::CodedFrameBound(FrameSize(), FSettings.Lossless);
}

bool TTurntableWebpWriter::Write(QIODevice& out, const TTurntableProgressFn& progress)
{
    TWebpAnimationOptions options;
    options.Quality = FSettings.Quality;
    options.Lossless = FSettings.Lossless;
    options.Transparent = FSettings.Transparent;
    TWebpAnimationWriter writer(FrameSize(), options);
    const int duration = FSettings.FrameMilliseconds();
    TTurntableProgress status;
    status.Count = status.Steps = FSettings.Frames;
    if (!RenderTurn(FSettings.Size, [&](int index, const TBitmap32& frame) {
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
