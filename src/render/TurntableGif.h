#pragma once
// A turntable written as an animated GIF while it is rendered: the cover turning a full circle,
// each frame coded and written as soon as it is drawn, so that memory follows the size of one
// frame and never the number of frames. The shared palette comes first, from a quick pass over
// smaller frames (the frames themselves while they are few and small). Before anything is drawn,
// the memory the turntable needs is weighed against what the process can still take
// (AvailableMemory) and a turntable that does not fit is refused with a message.

#include "raster/TBitmap32.h"
#include "render/TurntableWriter.h"

#include <QSize>
#include <QString>

struct TTurntableGif {
    int Frames = 36;
    QSize Size;               // the frames' width, and height (0: as high as the turning cover needs)
    bool Transparent = false; // the background clear, laid onto Background where partly clear
    TColor32 Background = 0;
    // A turn takes about four seconds.
    int DelayCentiseconds() const;
};

// What drawing one turntable frame of this size takes beyond the program: the frame itself and
// the offscreen tiles it is drawn in (any animated format's writer adds its own coder).
qint64 TurntableFrameBytes(QSize frame);

class TTurntableGifWriter : public TTurntableWriter {
public:
    // Weighs the turn at once (its frame size and memory); throws std::runtime_error with a
    // message for the user when the size is out of range or the frames would be too tall.
    TTurntableGifWriter(TD3DRenderer& renderer, const TTurntableGif& settings, TTurnRenderer render = {});

    // The size of the frames the palette pass draws (at every angle).
    QSize SampleSize() const { return FSampleSize; }
    qint64 MemoryNeeded() const override;

    // Draws the turn and writes the GIF to out as it goes; false when progress stopped it.
    bool Write(QIODevice& out, const TTurntableProgressFn& progress) override;

private:
    TTurntableGif FSettings;
    QSize FSampleSize;
    QSize FSampleFrameSize; // what a sampled frame comes to, for the memory it takes
};
