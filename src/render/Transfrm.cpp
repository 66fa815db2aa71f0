#include "render/Transfrm.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>

namespace {
// Stretches source column sx into rows [top, bottom) of target column dx (nearest sample).
void StretchColumn(TBitmap32& target, int dx, int top, int bottom, const TBitmap32& source, int sx)
{
    const int span = bottom - top;
    if (span <= 0)
        return;
    const int H = source.Height();
    for (int y = std::max(top, 0); y < std::min(bottom, target.Height()); ++y) {
        const int sy = std::clamp(int((int64_t(y - top) * H * 2 + H) / (int64_t(span) * 2)), 0, H - 1);
        target.SetPixel(dx, y, source.Pixel(sx, sy));
    }
}
} // namespace

TBitmap32 TaperColumns(const TBitmap32& source, int step, bool fromLeft)
{
    if (source.Empty())
        return {};
    step = std::max(step, 1);
    const int W = source.Width(), H = source.Height();
    TBitmap32 result(W, H);
    result.Clear(FlatBackground);
    int top = -1, bottom = H + 1; // the first shrink brings the span to the picture's full height
    if (fromLeft) {
        for (int x = 0; x < W; ++x) {
            if (x % step == 0) {
                ++top;
                --bottom;
            }
            StretchColumn(result, x, top, bottom, source, x);
        }
    } else {
        for (int x = W; x >= 1; --x) {
            if (x % step == 0) {
                ++top;
                --bottom;
            }
            StretchColumn(result, x - 1, top, bottom, source, x - 1);
        }
    }
    return result;
}

TBitmap32 FlatTwoSided(const TBitmap32& front, const TBitmap32& side)
{
    if (front.Empty() || side.Empty())
        return {};
    TBitmap32 squeezed(std::max(side.Width() / 2, 1), side.Height());
    squeezed.StretchCopy(QRect(0, 0, squeezed.Width() + 1, squeezed.Height() + 1), side,
                         QRect(0, 0, side.Width(), side.Height()));
    const TBitmap32 taperedSide = TaperColumns(squeezed, 10, false);
    TBitmap32 result(front.Width() + squeezed.Width(), front.Height());
    result.Clear(FlatBackground);
    result.StretchCopy(QRect(0, 0, taperedSide.Width(), taperedSide.Height()), taperedSide,
                       QRect(0, 0, taperedSide.Width(), taperedSide.Height()), false);
    // The front overlaps the spine by three pixels so no seam shows between them.
    const TBitmap32 taperedFront = TaperColumns(front, 10, true);
    result.StretchCopy(QRect(squeezed.Width() - 3, 0, taperedFront.Width(), taperedFront.Height()), taperedFront,
                       QRect(0, 0, taperedFront.Width(), taperedFront.Height()), false);
    return result;
}

void DrawParallelogram(TBitmap32& target, const TBitmap32& source, QPointF upperLeft, QPointF upperRight,
                       QPointF lowerLeft)
{
    if (source.Empty() || target.Empty())
        return;
    const double w = source.Width(), h = source.Height();
    const QTransform map((upperRight.x() - upperLeft.x()) / w, (upperRight.y() - upperLeft.y()) / w,
                         (lowerLeft.x() - upperLeft.x()) / h, (lowerLeft.y() - upperLeft.y()) / h, upperLeft.x(),
                         upperLeft.y());
    QImage view = target.ImageView();
    QPainter p(&view);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(map);
    p.drawImage(QPointF(0, 0), source.ConstImageView());
}

TBitmap32 FlatThreeSided(const TBitmap32& front, const TBitmap32& side, const TBitmap32* top)
{
    if (front.Empty() || side.Empty())
        return {};
    TBitmap32 greyTop;
    if (!top || top->Empty()) {
        greyTop.SetSize(front.Width(), side.Width());
        greyTop.Clear(Color32(0x80, 0x80, 0x80));
        QImage view = greyTop.ImageView();
        QPainter p(&view);
        p.setPen(QColor(0, 0, 0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, greyTop.Width() - 1, greyTop.Height() - 1);
        top = &greyTop;
    }
    const int h = side.Width() / 2, sH = side.Height(), fW = front.Width(), fH = front.Height();
    const int R = fH + 30;
    TBitmap32 result(fW + h + 10, R);
    result.Clear(FlatBackground);
    DrawParallelogram(result, side, QPointF(0, R - sH - 20), QPointF(h, R - sH), QPointF(10, R - 20));
    DrawParallelogram(result, front, QPointF(h - 1, R - fH - 1), QPointF(fW + h - 1, R - fH - 11),
                      QPointF(h + 9, R - 1));
    DrawParallelogram(result, *top, QPointF(0, R - sH - 20), QPointF(fW, 0), QPointF(h, R - sH));
    return result;
}

TBitmap32 FlatCover(int bookType, const TBitmap32* front, const TBitmap32* side, const TBitmap32* top,
                    QString* message)
{
    if (bookType == 2) {
        if (message)
            *message = "Not implemented yet.";
        return {};
    }
    if (!front || !side)
        return {};
    if (bookType == 0)
        return FlatTwoSided(*front, *side);
    if (bookType == 1)
        return FlatThreeSided(*front, *side, top);
    return {};
}

TFlatDrawing FlatPreviewDrawing(std::function<void(const QString&)> tell)
{
    return [tell = std::move(tell)](TBookType type, const TBitmap32& front, const TBitmap32& side,
                                    const TBitmap32* top) -> std::unique_ptr<TBitmap32> {
        QString message;
        TBitmap32 picture = FlatCover(int(type), &front, &side, top, &message);
        if (!message.isEmpty() && tell)
            tell(message);
        if (picture.Empty())
            return nullptr;
        return std::make_unique<TBitmap32>(std::move(picture));
    };
}
