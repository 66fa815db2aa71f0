#include "render/scene/ComposedCover.h"

#include "cover/Composition.h"

#include <stdexcept>

void TComposedCover::SetPageInset(float value)
{
    if (value > 0 && value < 100)
        PageInset = value;
}

void TComposedCover::ShowCover(const TBitmap32* atlas, int frontWidth, int frontHeight, int sideWidth)
{
    if (!atlas || atlas->Empty() || frontWidth <= 0)
        return;
    Atlas = *atlas;
    FrontWidth = frontWidth;
    FrontHeight = frontHeight;
    SideWidth = sideWidth;
    BackRegion = AtlasHasBack(atlas->Width(), frontWidth, sideWidth);
}

TComposedCover ComposeCover(TBookType type, TBitmap32& front, TBitmap32& side, TBitmap32* top, const TBitmap32* back)
{
    if (front.Empty())
        throw std::runtime_error("The front picture is empty.");
    if (side.Empty())
        throw std::runtime_error("The side picture is empty.");
    TComposedCover cover;
    if (!Compose(type, &cover, top, &side, &front, back) || cover.Atlas.Empty())
        throw std::runtime_error("The cover could not be composed from these pictures.");
    return cover;
}
