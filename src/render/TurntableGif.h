#pragma once
// A turntable written as an animated GIF while it is rendered: the cover turning a full circle,
// each frame coded and written as soon as it is drawn, so that memory follows the size of one
// frame and never the number of frames. The shared palette comes first, from a quick pass over
// smaller frames (the frames themselves while they are few and small). Before anything is drawn,
// the memory the turntable needs is weighed against what the process can still take
// (AvailableMemory) and a turntable that does not fit is refused with a message.

#include "raster/TBitmap32.h"

#include <QSize>
#include <QString>
#include <functional>

class QIODevice;
class TD3DRenderer;

struct TTurntableGif {
    int Frames = 36;
    QSize Size;               // the frames' width, and height (0: as high as the turning cover needs)
    bool Transparent = false; // the background clear, laid onto Background where partly clear
    TColor32 Background = 0;
    // A turn takes about four seconds.
    int DelayCentiseconds() const;
};

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

// What drawing one turntable frame of this size takes beyond the program: the frame itself and
// the offscreen tiles it is drawn in (any animated format's writer adds its own coder).
qint64 TurntableFrameBytes(QSize frame);

class TTurntableGifWriter {
public:
    // Weighs the turn at once (its frame size and memory); throws std::runtime_error with a
    // message for the user when the size is out of range or the frames would be too tall.
    TTurntableGifWriter(TD3DRenderer& renderer, const TTurntableGif& settings, TTurnRenderer render = {});

    QSize FrameSize() const { return FFrameSize; }
    // The size of the frames the palette pass draws (at every angle).
    QSize SampleSize() const { return FSampleSize; }
    // The most memory the turntable takes beyond what the program holds before it starts.
    qint64 MemoryNeeded() const;
    // Refuses (std::runtime_error with the message for the user) when MemoryNeeded() is more
    // than room; a negative room is unknown and refuses nothing.
    void RequireMemory(qint64 room) const;

    // Draws the turn and writes the GIF to out as it goes; false when progress stopped it.
    bool Write(QIODevice& out, const TTurntableProgressFn& progress);
    // Writes through QSaveFile after RequireMemory(AvailableMemory()): stopped, refused or failed,
    // it leaves no file behind and an existing file as it was.
    bool Save(const QString& path, const TTurntableProgressFn& progress);

private:
    TTurntableGif FSettings;
    TTurnRenderer FRender;
    QSize FFrameSize, FSampleSize;
    QSize FSampleFrameSize; // what a sampled frame comes to, for the memory it takes
};
