#include "render/TurntableWriter.h"

#include "render/D3DRenderer.h"
#include "render/MemoryRoom.h"

#include <QSaveFile>
#include <algorithm>
#include <stdexcept>

void RequireTurntableMemory(int frames, QSize frameSize, qint64 need, qint64 room)
{
    if (room < 0 || need <= room)
        return;
    const qint64 megabytes = (need + (1 << 20) - 1) >> 20;
    throw std::runtime_error(QStringLiteral("A turntable of %1 frames of %2 x %3 pixels needs about %4 MB of memory, "
                                            "but only %5 MB are free. Choose a smaller width.")
                                 .arg(frames)
                                 .arg(frameSize.width())
                                 .arg(frameSize.height())
                                 .arg(megabytes)
                                 .arg(room >> 20)
                                 .toStdString());
}

TTurntableWriter::TTurntableWriter(TD3DRenderer& renderer, int frames, QSize size, TTurnRenderer render)
    : FFrames(std::max(frames, 1)), FRender(std::move(render))
{
    if (!FRender)
        FRender = [&renderer](int count, QSize frameSize, const TTurnFrameDone& frameDone) {
            return renderer.RenderTurntable(count, frameSize, frameDone);
        };
    FFrameSize = renderer.TurntableFrameSize(FFrames, size);
    if (FFrameSize.height() > 8192)
        throw std::runtime_error("The picture would be taller than 8192 pixels; choose a smaller width.");
}

void TTurntableWriter::RequireMemory(qint64 room) const { RequireTurntableMemory(FFrames, FFrameSize, MemoryNeeded(), room); }

bool TTurntableWriter::Save(const QString& path, const TTurntableProgressFn& progress)
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
