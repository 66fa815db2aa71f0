#include "cover/Preview.h"

#include "cover/BookCover.h"
#include "cover/Composition.h"

bool RenderPreview(const TBookCover& cover, TBitmap32& picture, TBookType bookType, ICoverView* view,
                   const TFlatDrawing& flatDrawing)
{
    const auto front = cover.FaceAsBitmap(0);
    const auto side = cover.FaceAsBitmap(1);
    const auto top = IsPagedType(bookType) ? nullptr : cover.FaceAsBitmap(2);
    if (view)
        return Compose(bookType, view, top.get(), side.get(), front.get());

    picture.MakeEmpty();
    if (!front || !side || front->Empty() || side->Empty() || !flatDrawing)
        return false;
    auto flat = flatDrawing(bookType, *front, *side, top.get());
    if (!flat || flat->Empty())
        return false;
    picture = std::move(*flat);
    return true;
}
