#pragma once
// An animated GIF written frame by frame as the frames come: each frame is dithered onto the
// shared palette, cut to what changed and coded straight into the output device, and only the
// palette indices of the frame before are kept. An animation of any length costs about the
// memory of one frame; its shared palette comes first, from a sample of the frames.

#include "imageio/GifQuantizer.h"
#include "raster/TBitmap32.h"

#include <QByteArray>
#include <QSize>
#include <vector>

class QIODevice;

struct TGifAnimationOptions {
    // Frames with see-through pixels: fully clear ones stay clear in every frame, partly clear
    // ones are laid onto Background (a GIF has no partial transparency).
    bool Transparent = false;
    TColor32 Background = 0;
};

// The palette every frame is dithered onto and its entry for "transparent": clear pixels and,
// after the first frame of an opaque animation, pixels unchanged since the frame before.
struct TGifAnimationPalette {
    std::vector<TColor32> Colors; // 256 entries
    int Transparent = 0;          // no visible pixel is written with this entry...
    int Replacement = 0;          // ...those dithered onto it take this nearest other colour
};

// The most pixels a palette sample holds (about 16 MB): larger animations are sampled from
// smaller renderings of their frames or every few pixels of them.
constexpr qint64 GifPaletteSamplePixels = 4'000'000;

// Gathers the sample the shared palette is made from: the frames themselves when they are few
// and small, smaller versions of them otherwise.
class TGifPaletteSample {
public:
    explicit TGifPaletteSample(const TGifAnimationOptions& options) : FOptions(options) {}
    void Add(const TBitmap32& frame);
    qint64 Pixels() const { return FPixels; }
    // The palette of the sampled colours, and as its transparent entry the one the sample's
    // visible pixels use least (none, as a rule). Throws std::runtime_error when empty.
    TGifAnimationPalette Palette() const;

private:
    TGifAnimationOptions FOptions;
    std::vector<TBitmap32> FFrames; // flattened as the writer sees them
    qint64 FPixels = 0;
};

class TGifAnimationWriter {
public:
    // Writes the header, the palette, the endless loop and the comment at once. Throws
    // std::runtime_error when the size is beyond a GIF's or the device fails.
    TGifAnimationWriter(QIODevice& out, QSize size, TGifAnimationPalette palette, const TGifAnimationOptions& options,
                        const QByteArray& comment = {});
    TGifAnimationWriter(const TGifAnimationWriter&) = delete;
    TGifAnimationWriter& operator=(const TGifAnimationWriter&) = delete;

    // Codes one frame of the writer's size, shown for a delay in hundredths of a second, and
    // writes it. Throws std::runtime_error for another size or when the device fails.
    void AddFrame(const TBitmap32& frame, int delayCentiseconds);
    // Writes the end of the file; throws without frames ("Image is empty").
    void Finish();
    int FrameCount() const { return FFrames; }

    // The most memory the writer holds while it codes a frame of `size`: two index planes, the
    // ditherer's rows and lookup, one row flattened and the coder's piece and tables.
    static qint64 MemoryBound(QSize size);
    // What it held at most so far, by the same count: never above MemoryBound.
    qint64 PeakHeldBytes() const { return FPeakHeld; }

private:
    void Put(const char* data, qint64 size);
    void PutSubBlocks(const uchar* data, qint64 size);
    void EndSubBlocks();
    void NoteHeld();

    QIODevice& FOut;
    QSize FSize;
    TGifAnimationPalette FPalette;
    TGifAnimationOptions FOptions;
    TPaletteDitherer FDitherer;
    std::vector<uint8_t> FCurrent, FPrevious; // palette indices of this frame and the one before
    char FBlock[256];                         // the data sub-block being filled
    int FBlockFill = 0;
    int FFrames = 0;
    bool FFinished = false;
    qint64 FPeakHeld = 0;
};
