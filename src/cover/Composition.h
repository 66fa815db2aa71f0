#pragma once
// Composition: reshapes the three faces of a cover for a book type, joins them into one atlas
// bitmap and hands the atlas with the type's view settings to a 3D view.
//
// Atlas layout (Ws side width, Wf/Hf front size, top height = Ws after fitting):
//   side  x 0..Ws,        y Ws..Ws+Hf
//   front x Ws..Ws+Wf,    y Ws..Ws+Hf
//   top   x Ws..Ws+Wf,    y 0..Ws
//   x 0..Ws, y 0..Ws is left transparent and never sampled.
// A paged type with a back face adds the back cover beside the front, so the atlas is Ws + 2 Wf
// wide (without one it stays Ws + Wf and the back cover samples the front region mirrored):
//   back  x Ws+Wf..Ws+2Wf, y Ws..Ws+Hf
//   x Ws+Wf..Ws+2Wf, y 0..Ws is left transparent and never sampled.

#include "cover/BookType.h"
#include "raster/TBitmap32.h"

class ICoverView;
class TImageViewInfo;

// Joins the faces into a new atlas. The top (may be null) is fitted in place first (FitTopFace):
// a missing or empty top is generated front-coloured. Each face is stretched into its region;
// the side is thus brought to the front's height. An empty front or side gives an empty atlas.
// A back (may be null) adds the back region, stretched to the front's size.
TBitmap32 BuildAtlas(const TBitmap32& front, const TBitmap32& side, TBitmap32* top, const TBitmap32* back = nullptr);

// Whether an atlas of atlasWidth with these front and side widths holds the back region. Views
// learn it from the atlas they are shown, so every view sees the layout composition made.
bool AtlasHasBack(int atlasWidth, int frontWidth, int sideWidth);

// Composes the faces for bookType and shows them in view. The faces are changed in place (the
// side by the type's reshaping, the top when fitted, and for the CD case all three), so callers
// pass bitmaps they can spare. A paged type ignores top; a missing top is generated. A paged
// type's back cover shows back (left as it is) from the back region; when back is null or empty
// the atlas has no back region and the back cover shows the front mirrored. Other types ignore
// back.
// Returns whether a cover was shown: nothing happens (false) when view is null or when front or
// side is null or empty, e.g. because its file did not decode.
bool Compose(TBookType bookType, ICoverView* view, TBitmap32* top, TBitmap32* side, TBitmap32* front,
             const TBitmap32* back = nullptr);

// The model part of the final page's composition: composes flat copies of the three face
// records (the top record is not used for the book cover, type 2) into view, with the back
// cover's picture (may be null).
bool ComposeFinal(TBookType bookType, ICoverView* view, TImageViewInfo& frontRecord, TImageViewInfo& sideRecord,
                  TImageViewInfo& topRecord, const TBitmap32* back = nullptr);
