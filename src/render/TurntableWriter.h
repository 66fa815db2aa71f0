#pragma once
// What every turntable writer shares, whatever the animation format: the turn drawn frame by
// frame by a renderer, the frames' size weighed at once, the memory the turn needs weighed
// against what the process can still take before anything is drawn, and a file that is written
// whole or not at all.

#include "raster/TBitmap32.h"

#include <QSize>
#include <QString>
#include <functional>

class QIODevice;
class TD3DRenderer;

// Frames of a turn from the renderer: TD3DRenderer::RenderTurntable, with whatever its owner
// must do around each frame (a widget makes its context current again).
using TTurnFrameDone = std::function<bool(int index, const TBitmap32& frame)>;
using TTurnRenderer = std::function<bool(int frames, QSize size, const TTurnFrameDone& frameDone)>;

struct TTurntableProgress {
    bool Sampling = false; // drawing the small frames the palette comes from
    int Index = 0;         // the frame just drawn (and, past sampling, written)
    int Count = 0;         // frames in this pass
    int Done = 0, Steps = 0; // over both passes
};
// Told of every frame; answers false to stop.
using TTurntableProgressFn = std::function<bool(const TTurntableProgress& progress)>;

// Refuses a turntable of `frames` frames of frameSize that needs `need` bytes (std::runtime_error
// with the message for the user) when that is more than room; a negative room is unknown and
// refuses nothing.
void RequireTurntableMemory(int frames, QSize frameSize, qint64 need, qint64 room);

class TTurntableWriter {
public:
    virtual ~TTurntableWriter() = default;

    QSize FrameSize() const { return FFrameSize; }
    // The most memory the turntable takes beyond what the program holds before it starts.
    virtual qint64 MemoryNeeded() const = 0;
    // Refuses (std::runtime_error with the message for the user) when MemoryNeeded() is more
    // than room; a negative room is unknown and refuses nothing.
    void RequireMemory(qint64 room) const;

    // Draws the turn and writes the animation to out; false when progress stopped it.
    virtual bool Write(QIODevice& out, const TTurntableProgressFn& progress) = 0;
    // Writes through QSaveFile after RequireMemory(AvailableMemory()): stopped, refused or failed,
    // it leaves no file behind and an existing file as it was.
    bool Save(const QString& path, const TTurntableProgressFn& progress);

protected:
    // Weighs the turn at once (its frame size); throws std::runtime_error with a message for the
    // user when the size is out of range or the frames would be too tall. Without render the
    // renderer draws the frames itself.
    TTurntableWriter(TD3DRenderer& renderer, int frames, QSize size, TTurnRenderer render);

    int Frames() const { return FFrames; }
    // The turn's frames drawn at size, each handed to frameDone; false when it stopped them.
    bool RenderTurn(QSize size, const TTurnFrameDone& frameDone) const { return FRender(FFrames, size, frameDone); }

private:
    int FFrames;
    TTurnRenderer FRender;
    QSize FFrameSize;
};
