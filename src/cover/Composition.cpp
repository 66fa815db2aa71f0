#include "cover/Composition.h"

#include "cover/FaceShaping.h"
#include "cover/ICoverView.h"
#include "cover/ImageViewInfo.h"

namespace {
QRect Whole(const TBitmap32& b) { return QRect(0, 0, b.Width(), b.Height()); }
} // namespace

TBitmap32 BuildAtlas(const TBitmap32& front, const TBitmap32& side, TBitmap32* top, const TBitmap32* back)
{
    if (front.Empty() || side.Empty())
        return {};
    TBitmap32 ownTop;
    TBitmap32& fitted = top ? *top : ownTop;
    FitTopFace(fitted, front, side);

    const int sideWidth = side.Width();
    const int topHeight = fitted.Height();
    const bool withBack = back && !back->Empty();
    TBitmap32 atlas(front.Width() * (withBack ? 2 : 1) + sideWidth, front.Height() + topHeight);
    atlas.StretchCopy(QRect(0, topHeight, sideWidth, front.Height()), side, Whole(side));
    atlas.StretchCopy(QRect(sideWidth, topHeight, front.Width(), front.Height()), front, Whole(front));
    atlas.StretchCopy(QRect(sideWidth, 0, front.Width(), topHeight), fitted, Whole(fitted));
    if (withBack)
        atlas.StretchCopy(QRect(sideWidth + front.Width(), topHeight, front.Width(), front.Height()), *back, Whole(*back));
    return atlas;
}

bool AtlasHasBack(int atlasWidth, int frontWidth, int sideWidth)
{
    return frontWidth > 0 && atlasWidth == sideWidth + 2 * frontWidth;
}

bool Compose(TBookType bookType, ICoverView* view, TBitmap32* top, TBitmap32* side, TBitmap32* front,
             const TBitmap32* back)
{
    if (!view || !front || !side || front->Empty() || side->Empty())
        return false;

    ReshapeSide(bookType, *front, *side);

    TBitmap32 generatedTop;
    if (IsPagedType(bookType) || !top) {
        generatedTop = MakeTopFace(bookType, *front, *side);
        top = &generatedTop;
    }
    if (IsCDCase(bookType))
        MakeCDCaseFaces(*front, *side, *top);

    const TViewAngles angles = DefaultAnglesFor(bookType);
    // Only a back face widens the atlas: a book without one keeps the memory and the layout it
    // always had, its back cover sampling the front region mirrored.
    const TBitmap32* backFace = IsPagedType(bookType) && back && !back->Empty() ? back : nullptr;
    const TBitmap32 atlas = BuildAtlas(*front, *side, top, backFace);

    view->SetRingBinding(HasRingBinding(bookType));
    view->SetIsCD(IsCDCase(bookType));
    view->SetPagedBook(IsPagedType(bookType));
    view->SetAngleX(angles.X);
    view->SetAngleY(angles.Y);
    view->SetPageInset(PageInsetFor(bookType));
    view->ShowCover(&atlas, front->Width(), front->Height(), side->Width());
    return true;
}

bool ComposeFinal(TBookType bookType, ICoverView* view, TImageViewInfo& frontRecord, TImageViewInfo& sideRecord,
                  TImageViewInfo& topRecord, const TBitmap32* back)
{
    if (!view)
        return false;
    TBitmap32& front = frontRecord.GetFlatBitmap();
    TBitmap32& side = sideRecord.GetFlatBitmap();
    TBitmap32* top = bookType == btBookCover ? nullptr : &topRecord.GetFlatBitmap();
    return Compose(bookType, view, top, &side, &front, back);
}
