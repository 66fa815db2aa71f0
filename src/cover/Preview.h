#pragma once
// The start page's preview of a template: its face files, as loaded, composed into the preview
// 3D view, or drawn flat when there is no such view.

#include "cover/BookType.h"
#include "raster/TBitmap32.h"

#include <functional>
#include <memory>

class ICoverView;
class TBookCover;

// The flat two-dimensional drawing of a type (it lives in the renderer, above this library, and
// is passed in by the application): the picture, or null when the type has none (it may tell the
// user so). Front and side are never null; top is null when there is none.
using TFlatDrawing = std::function<std::unique_ptr<TBitmap32>(TBookType type, const TBitmap32& front,
                                                              const TBitmap32& side, const TBitmap32* top)>;

// Decodes the cover's original front, side and (for types that are not paged) top. With a view,
// composes them into it; without one, picture := the flat drawing (emptied when none is made).
// Returns whether a picture was made; a front or side that does not decode makes none, so the
// caller can show its default picture rather than the previous template's cover.
bool RenderPreview(const TBookCover& cover, TBitmap32& picture, TBookType bookType, ICoverView* view,
                   const TFlatDrawing& flatDrawing);
