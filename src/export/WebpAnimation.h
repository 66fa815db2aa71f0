#pragma once
// An animated WebP through libwebp's animation encoder: frames in full colour with their alpha,
// handed over one at a time as they are drawn. The encoder keeps only what it has coded (and a
// few canvases of one frame each), never the frames themselves; the file is assembled at Finish.

#include "raster/TBitmap32.h"

#include <QByteArray>
#include <QSize>

struct WebPAnimEncoder;

struct TWebpAnimationOptions {
    // Lossy at this quality (0..100), or lossless. At 90 a rendered turntable came out at a third
    // of the GIF's size with a better PSNR (46 dB against 44), and coded eight times faster than
    // lossless, which is three times the size (bench/export).
    int Quality = 90;
    bool Lossless = false;
    bool Transparent = false; // a clear canvas behind the frames, for viewers that show one
};

class TWebpAnimationWriter {
public:
    // Throws std::runtime_error when the encoder cannot be made for this size (at most 16383).
    TWebpAnimationWriter(QSize size, const TWebpAnimationOptions& options);
    ~TWebpAnimationWriter();
    TWebpAnimationWriter(const TWebpAnimationWriter&) = delete;
    TWebpAnimationWriter& operator=(const TWebpAnimationWriter&) = delete;

    // A frame of exactly the writer's size, shown for durationMs; throws std::runtime_error with
    // the encoder's reason when it cannot be coded.
    void AddFrame(const TBitmap32& frame, int durationMs);
    // The whole file; the writer takes no frame after it.
    QByteArray Finish();

    // The most memory the encoder takes for frames of this size, the coded frames not counted:
    // its canvases and the working memory of coding one frame. Measured on a 600 x 694 turn
    // (bench/export): up to 46 bytes a pixel lossy, 96 lossless; the bound leaves room above.
    static qint64 MemoryBound(QSize size, bool lossless);
    // What one coded frame of this size may take at most: a rendered cover's lossy frames took
    // 0.03 bytes a pixel, lossless 0.1; the bounds are those of much busier pictures (lossless
    // up to the frame itself).
    static qint64 CodedFrameBound(QSize size, bool lossless);

private:
    WebPAnimEncoder* FEncoder = nullptr;
    QSize FSize;
    TWebpAnimationOptions FOptions;
    int FTimestamp = 0;
};
