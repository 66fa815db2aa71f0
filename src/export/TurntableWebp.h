#pragma once
// A turntable written as an animated WebP: the cover turning a full circle in full colour with
// its alpha, each frame handed to the encoder as soon as it is drawn. Before anything is drawn,
// the memory of one frame, the encoder and the coded frames is weighed against what the process
// can still take, and a turntable that does not fit is refused with a message.

#include "export/WebpAnimation.h"
#include "render/TurntableWriter.h" // the turn, its memory and its file, as the GIF's

#include <QSize>
#include <QString>

class TComposedCover;
struct TCoverRenderSettings;

struct TTurntableWebp {
    int Frames = 36;
    QSize Size;               // the frames' width, and height (0: as high as the turning cover needs)
    bool Transparent = false; // alpha 0 around the cover, the shadow partly clear
    int Quality = 90;
    bool Lossless = false;
    // A turn takes about four seconds, as the GIF's.
    int FrameMilliseconds() const;
};

class TTurntableWebpWriter : public TTurntableWriter {
public:
    // Weighs the turn at once; throws std::runtime_error with a message for the user when the
    // size is out of range or the frames would be too tall.
    TTurntableWebpWriter(TD3DRenderer& renderer, const TTurntableWebp& settings, TTurnRenderer render = {});

    qint64 MemoryNeeded() const override;
    // Draws the turn, coding each frame as it is drawn, and writes the file to out at the end;
    // false when progress stopped it (nothing is written then).
    bool Write(QIODevice& out, const TTurntableProgressFn& progress) override;

private:
    TTurntableWebp FSettings;
};

// The cover of the settings turning a full circle in `frames` frames `Width` wide, drawn on EGL
// surfaceless and written to path as an animated WebP; a turn memory cannot hold is refused
// before any frame is drawn. Answers the frames' size, or an empty size when progress stopped it.
QSize SaveTurntableWebpHeadless(const TComposedCover& cover, const TCoverRenderSettings& settings, int frames,
                                const QString& path, const TTurntableProgressFn& progress = {});
