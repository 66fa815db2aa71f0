#include "TBitmap32.h"

#include <QPainter>
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

void CheckBitmapSize(int64_t width, int64_t height)
{
    if (width < 0 || height < 0)
        throw std::runtime_error("Invalid picture size " + std::to_string(width) + " x " + std::to_string(height));
    if (width > TBitmap32::MaxSide || height > TBitmap32::MaxSide || width * height > TBitmap32::MaxPixels)
        throw std::runtime_error("The picture is too large (" + std::to_string(width) + " x " + std::to_string(height)
                                 + " pixels); at most " + std::to_string(TBitmap32::MaxSide)
                                 + " pixels per side and " + std::to_string(TBitmap32::MaxPixels / 1000000)
                                 + " million pixels in all are supported");
}

TBitmap32::TBitmap32(int width, int height) { SetSize(width, height); }

TBitmap32::TBitmap32(const TBitmap32& other) = default;
TBitmap32::TBitmap32(TBitmap32&& other) noexcept
    : FWidth(other.FWidth), FHeight(other.FHeight), FDrawMode(other.FDrawMode), FPixels(std::move(other.FPixels))
{
    other.FWidth = other.FHeight = 0;
}
TBitmap32& TBitmap32::operator=(const TBitmap32& other) = default;
TBitmap32& TBitmap32::operator=(TBitmap32&& other) noexcept
{
    FWidth = other.FWidth;
    FHeight = other.FHeight;
    FDrawMode = other.FDrawMode;
    FPixels = std::move(other.FPixels);
    other.FWidth = other.FHeight = 0;
    return *this;
}

void TBitmap32::SetSize(int width, int height)
{
    CheckBitmapSize(width, height);
    if (width == 0 || height == 0) {
        MakeEmpty();
        return;
    }
    try {
        FPixels.assign(size_t(width) * size_t(height), 0u);
    } catch (const std::bad_alloc&) {
        MakeEmpty();
        throw std::runtime_error("Not enough memory for a picture of " + std::to_string(width) + " x "
                                 + std::to_string(height) + " pixels");
    }
    FWidth = width;
    FHeight = height;
}

void TBitmap32::MakeEmpty()
{
    std::vector<TColor32>().swap(FPixels);
    FWidth = FHeight = 0;
}

void TBitmap32::Clear(TColor32 color) { std::fill(FPixels.begin(), FPixels.end(), color); }

bool TBitmap32::SamePixels(const TBitmap32& other) const
{
    return FWidth == other.FWidth && FHeight == other.FHeight && FPixels == other.FPixels;
}

void TBitmap32::Assign(const QImage& image)
{
    if (image.isNull()) {
        MakeEmpty();
        return;
    }
    const bool hasAlphaByte = image.depth() == 32 && image.format() != QImage::Format_RGB32;
    const QImage src = image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32
        ? image
        : image.convertToFormat(hasAlphaByte ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    SetSize(src.width(), src.height());
    for (int y = 0; y < FHeight; ++y) {
        const auto* line = reinterpret_cast<const TColor32*>(src.constScanLine(y));
        TColor32* out = ScanLine(y);
        if (hasAlphaByte)
            std::copy(line, line + FWidth, out);
        else
            for (int x = 0; x < FWidth; ++x)
                out[x] = line[x] | 0xFF000000u;
    }
}

QImage TBitmap32::ToImage() const
{
    if (Empty())
        return {};
    return ConstImageView().copy();
}

QImage TBitmap32::ImageView()
{
    if (Empty())
        return {};
    return QImage(reinterpret_cast<uchar*>(FPixels.data()), FWidth, FHeight, FWidth * 4, QImage::Format_ARGB32);
}

const QImage TBitmap32::ConstImageView() const
{
    if (Empty())
        return {};
    return QImage(reinterpret_cast<const uchar*>(FPixels.data()), FWidth, FHeight, FWidth * 4, QImage::Format_ARGB32);
}

TBitmap32 TBitmap32::QuarterTurn(int direction) const
{
    TBitmap32 result;
    result.FDrawMode = FDrawMode;
    if (Empty())
        return result;
    result.SetSize(FHeight, FWidth);
    const int W = FWidth, H = FHeight;
    for (int y = 0; y < H; ++y) {
        const TColor32* line = ScanLine(y);
        for (int x = 0; x < W; ++x) {
            if (direction > 0)
                result.SetPixel(H - 1 - y, x, line[x]);
            else
                result.SetPixel(y, W - 1 - x, line[x]);
        }
    }
    return result;
}

TBitmap32 TBitmap32::HalfTurn() const
{
    TBitmap32 result(*this);
    std::reverse(result.FPixels.begin(), result.FPixels.end());
    return result;
}

namespace {
// For each of `count` destination positions starting at dstOffset within a span of dstLen, the
// source position (centre sampling) in a span of srcLen starting at srcStart, or -1 when it falls
// outside 0..srcLimit-1.
std::vector<int> SampleMap(int dstOffset, int count, int dstLen, int srcStart, int srcLen, int srcLimit)
{
    std::vector<int> map(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int64_t d = dstOffset + i;
        const int s = srcStart + int((2 * d + 1) * srcLen / (2 * int64_t(dstLen)));
        map[size_t(i)] = s >= 0 && s < srcLimit ? s : -1;
    }
    return map;
}

bool Contiguous(const std::vector<int>& map)
{
    return !map.empty() && map.front() >= 0
        && std::adjacent_find(map.begin(), map.end(), [](int a, int b) { return b != a + 1; }) == map.end();
}
} // namespace

void TBitmap32::StretchCopy(const QRect& dstRect, const TBitmap32& source, const QRect& srcRect, bool smooth)
{
    if (Empty() || source.Empty() || dstRect.isEmpty() || srcRect.isEmpty())
        return;
    const QRect clip = dstRect & QRect(0, 0, FWidth, FHeight);
    if (clip.isEmpty())
        return;

    const TBitmap32* from = &source;
    QRect fromRect = srcRect;
    TBitmap32 resampled;
    if (smooth && dstRect.size() != srcRect.size()) {
        // Area-averaging resampler of Qt; pixels outside the source read as transparent.
        const QImage whole = source.ConstImageView();
        const QImage part = srcRect == whole.rect() ? whole : whole.copy(srcRect);
        resampled.Assign(part.scaled(dstRect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_ARGB32));
        from = &resampled;
        fromRect = QRect(QPoint(0, 0), dstRect.size());
    }

    const std::vector<int> xs = SampleMap(clip.x() - dstRect.x(), clip.width(), dstRect.width(), fromRect.x(),
                                          fromRect.width(), from->Width());
    const std::vector<int> ys = SampleMap(clip.y() - dstRect.y(), clip.height(), dstRect.height(), fromRect.y(),
                                          fromRect.height(), from->Height());
    const bool rowCopy = Contiguous(xs);
    for (int j = 0; j < clip.height(); ++j) {
        TColor32* out = ScanLine(clip.y() + j) + clip.x();
        if (ys[size_t(j)] < 0) {
            std::fill(out, out + clip.width(), 0u);
            continue;
        }
        const TColor32* in = from->ScanLine(ys[size_t(j)]);
        if (rowCopy) {
            std::memcpy(out, in + xs.front(), xs.size() * sizeof(TColor32));
            continue;
        }
        for (size_t i = 0; i < xs.size(); ++i)
            out[i] = xs[i] < 0 ? 0u : in[xs[i]];
    }
}

void TBitmap32::FillRect(const QRect& rect, TColor32 color)
{
    const QRect r = rect & QRect(0, 0, FWidth, FHeight);
    for (int y = r.top(); y < r.top() + r.height(); ++y)
        std::fill(ScanLine(y) + r.left(), ScanLine(y) + r.left() + r.width(), color);
}

void TBitmap32::FrameRect(const QRect& rect, TColor32 color)
{
    if (rect.isEmpty())
        return;
    FillRect(QRect(rect.left(), rect.top(), rect.width(), 1), color);
    FillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), color);
    FillRect(QRect(rect.left(), rect.top(), 1, rect.height()), color);
    FillRect(QRect(rect.right(), rect.top(), 1, rect.height()), color);
}

void TBitmap32::DrawTo(TBitmap32& target, const QRectF& dstRect, bool smooth) const
{
    if (Empty() || target.Empty() || dstRect.isEmpty())
        return;
    QImage view = target.ImageView();
    QPainter p(&view);
    p.setCompositionMode(FDrawMode == TDrawMode::dmOpaque ? QPainter::CompositionMode_Source
                                                          : QPainter::CompositionMode_SourceOver);
    p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    p.drawImage(dstRect, ConstImageView(), QRectF(0, 0, FWidth, FHeight));
}

void TBitmap32::ResetAlpha(int alpha)
{
    const TColor32 a = TColor32(alpha & 0xFF) << 24;
    for (TColor32& c : FPixels)
        c = (c & 0x00FFFFFFu) | a;
}
