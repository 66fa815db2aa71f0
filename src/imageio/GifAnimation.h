#pragma once
// An animated GIF written by our own encoder: frames of one size shown for a delay each, looping
// forever (the NETSCAPE2.0 application extension), one palette shared by all frames, and each
// frame after the first cut to the rectangle that changed, its unchanged pixels transparent.
// This one keeps every frame until it writes them, for a few small frames; animations that may
// be large (turntables) stream theirs through TGifAnimationWriter, which codes them the same way.

#include "raster/TBitmap32.h"

#include <QByteArray>
#include <QString>
#include <vector>

class TGifAnimation {
public:
    // Frames must all have the first frame's size; delay in hundredths of a second.
    void AddFrame(const TBitmap32& frame, int delayCentiseconds);
    // Frames with see-through pixels: fully clear ones stay clear in every frame, partly clear
    // ones are laid onto `background` (a GIF has no partial transparency).
    void SetTransparentBackground(TColor32 background)
    {
        FTransparent = true;
        FBackground = background;
    }
    void SetComment(const QByteArray& comment) { FComment = comment; }
    int FrameCount() const { return int(FFrames.size()); }

    // The whole file; throws std::runtime_error without frames.
    QByteArray Encode() const;
    // Writes through a temporary file (an existing file survives a failure); throws
    // std::runtime_error ("Cannot create file %s") when it cannot be written.
    void SaveToFile(const QString& path) const;

private:
    void WriteTo(class QIODevice& out) const;
    struct TFrame {
        TBitmap32 Pixels;
        int Delay = 10;
    };
    std::vector<TFrame> FFrames;
    bool FTransparent = false;
    TColor32 FBackground = 0;
    QByteArray FComment;
};
