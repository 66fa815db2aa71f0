#include "imageio/GifAnimation.h"

#include "imageio/GifAnimationWriter.h"

#include <QBuffer>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <stdexcept>

void TGifAnimation::AddFrame(const TBitmap32& frame, int delayCentiseconds)
{
    if (!FFrames.empty() && frame.Size() != FFrames.front().Pixels.Size())
        throw std::runtime_error("Every frame of an animation must have the same size");
    FFrames.push_back({frame, std::clamp(delayCentiseconds, 2, 65535)});
}

namespace {

// Every step-th pixel of every step-th row.
TBitmap32 EveryFew(const TBitmap32& frame, int step)
{
    const int w = (frame.Width() + step - 1) / step, h = (frame.Height() + step - 1) / step;
    TBitmap32 sample(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sample.SetPixel(x, y, frame.Pixel(x * step, y * step));
    return sample;
}

} // namespace

void TGifAnimation::WriteTo(QIODevice& out) const
{
    if (FFrames.empty())
        throw std::runtime_error("Image is empty");
    const QSize size = FFrames.front().Pixels.Size();
    const TGifAnimationOptions options{FTransparent, FBackground};
    // The palette from every pixel while the frames are small, from every other one up to four
    // times that, and so on.
    const double pixels = double(size.width()) * size.height() * double(FFrames.size());
    const int step = pixels <= double(GifPaletteSamplePixels) ? 1 : int(std::ceil(std::sqrt(pixels / double(GifPaletteSamplePixels))));
    TGifPaletteSample sample(options);
    for (const TFrame& f : FFrames)
        sample.Add(step == 1 ? f.Pixels : EveryFew(f.Pixels, step));
    TGifAnimationWriter writer(out, size, sample.Palette(), options, FComment);
    for (const TFrame& f : FFrames)
        writer.AddFrame(f.Pixels, f.Delay);
    writer.Finish();
}

QByteArray TGifAnimation::Encode() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteTo(buffer);
    return bytes;
}

void TGifAnimation::SaveToFile(const QString& path) const
{
    if (FFrames.empty())
        throw std::runtime_error("Image is empty");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(QStringLiteral("Cannot create file %1").arg(path).toStdString());
    WriteTo(file);
    if (!file.commit())
        throw std::runtime_error(QStringLiteral("Cannot create file %1").arg(path).toStdString());
}
