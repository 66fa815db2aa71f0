#pragma once
// The flat two-dimensional cover drawing used when no OpenGL view can be made: each face is
// squeezed, tapered or sheared and the shapes are placed side by side.

#include "cover/Preview.h"
#include "raster/TBitmap32.h"

#include <QPointF>
#include <QString>

// A copy of `source` whose columns lose one pixel at the top and one at the bottom every `step`
// columns, starting full height at the left edge (fromLeft) or at the right edge. Empty for an
// empty source.
TBitmap32 TaperColumns(const TBitmap32& source, int step, bool fromLeft);

// Type 0: the spine squeezed to half its width and tapered, the front tapered beside it.
TBitmap32 FlatTwoSided(const TBitmap32& front, const TBitmap32& side);

// Type 1: side, front and top sheared into parallelograms. `top` may be null (a grey top).
TBitmap32 FlatThreeSided(const TBitmap32& front, const TBitmap32& side, const TBitmap32* top);

// Paints `source` into the parallelogram whose upper-left, upper-right and lower-left corners
// land on the three points.
void DrawParallelogram(TBitmap32& target, const TBitmap32& source, QPointF upperLeft, QPointF upperRight,
                       QPointF lowerLeft);

// The flat drawing of a book type: a picture for types 0 and 1; none for the others. For
// type 2 `message` is set to what the user is told ("Not implemented yet.").
TBitmap32 FlatCover(int bookType, const TBitmap32* front, const TBitmap32* side, const TBitmap32* top,
                    QString* message = nullptr);

// The flat drawing the start page hands to RenderPreview when it has no 3D view; `tell` shows a
// message to the user (the book cover's "Not implemented yet.").
TFlatDrawing FlatPreviewDrawing(std::function<void(const QString&)> tell);

// What the corners no face covers are filled with.
constexpr TColor32 FlatBackground = Color32(255, 255, 255);
