#include "cover/FaceShaping.h"

#include <algorithm>

namespace {
constexpr TColor32 White = Color32(255, 255, 255);
constexpr TColor32 Black = Color32(0, 0, 0);
constexpr int CDHingeWidth = 30;
constexpr int CDCaseThickness = 12;

// Stretches the whole of bitmap into a new one of the given size, in place.
void StretchInPlace(TBitmap32& bitmap, int width, int height)
{
    TBitmap32 result(width, height);
    result.SetDrawMode(bitmap.DrawMode());
    result.StretchCopy(QRect(0, 0, width, height), bitmap, QRect(0, 0, bitmap.Width(), bitmap.Height()));
    bitmap = std::move(result);
}

// What a rectangle drawn over the whole bitmap with a solid brush and a framing pen leaves.
void FillFramed(TBitmap32& bitmap, TColor32 fill, TColor32 frame)
{
    bitmap.Clear(fill);
    bitmap.FrameRect(QRect(0, 0, bitmap.Width(), bitmap.Height()), frame);
}
} // namespace

TColor32 Lighten(TColor32 color, int amount)
{
    const auto channel = [amount](int c) { return std::clamp(c + amount, 0, 255); };
    return Color32(channel(RedOf(color)), channel(GreenOf(color)), channel(BlueOf(color)), AlphaOf(color));
}

void ReshapeSide(TBookType type, const TBitmap32& front, TBitmap32& side)
{
    const auto shape = SideShapeFor(type);
    if (!shape || side.Empty())
        return;
    StretchInPlace(side, shape->Width, shape->FrontHeight ? front.Height() : side.Height());
}

TBitmap32 MakeTopFace(TBookType type, const TBitmap32& front, const TBitmap32& side)
{
    TBitmap32 top(front.Width(), side.Width());
    if (top.Empty())
        return top;
    if (IsPagedType(type)) {
        FillFramed(top, White, Lighten(White, -16));
    } else {
        // The middle of the front's top edge, third row (the last row of a very short front).
        const TColor32 sample = front.Pixel(front.Width() / 2, std::min(2, front.Height() - 1));
        FillFramed(top, Lighten(sample, 48), Lighten(sample, 64));
    }
    return top;
}

void FitTopFace(TBitmap32& top, const TBitmap32& front, const TBitmap32& side)
{
    if (top.Size() == QSize(front.Width(), side.Width()))
        return;
    if (top.Empty())
        top = MakeTopFace(btThreeSidedBox, front, side);
    else
        StretchInPlace(top, front.Width(), side.Width());
}

void MakeCDCaseFaces(TBitmap32& front, TBitmap32& side, TBitmap32& top)
{
    const int w = front.Width();
    TBitmap32 cover(w, w);
    cover.Clear(Black);
    if (w > CDHingeWidth)
        cover.StretchCopy(QRect(CDHingeWidth, 0, w - CDHingeWidth, w), front, QRect(0, 0, w, front.Height()));
    top = std::move(cover);

    TBitmap32 edge(w, CDCaseThickness);
    edge.Clear(White);
    front = std::move(edge);

    if (!side.Empty())
        StretchInPlace(side, w, CDCaseThickness);
}
