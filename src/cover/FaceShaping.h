#pragma once
// Reshaping the faces of a cover for its book type before they are joined into the atlas: the
// side's fixed widths, the generated top face, fitting a top to the atlas and the CD case faces.
// Faces are changed in place; empty faces stay empty and never reach a division.

#include "cover/BookType.h"
#include "raster/TBitmap32.h"

// Adds amount to red, green and blue separately, each clamped to 0..255; alpha stays.
TColor32 Lighten(TColor32 color, int amount);

// Stretches the side to the type's fixed width (and for type 5 to the front's height). Types
// without a side shape, and empty sides, are left alone.
void ReshapeSide(TBookType type, const TBitmap32& front, TBitmap32& side);

// A new front-width x side-width top face, filled and framed. Paged types: white, framed white
// darkened by 16. Others: the front's pixel at (width / 2, 2) lightened by 48, framed lightened
// by 64. The two-pixel pen centred on the bitmap's outline leaves a one-pixel frame inside it.
TBitmap32 MakeTopFace(TBookType type, const TBitmap32& front, const TBitmap32& side);

// Makes the top exactly front width x side width: an empty top is generated front-coloured,
// any other top of another size is stretched (its aspect is not kept).
void FitTopFace(TBitmap32& top, const TBitmap32& front, const TBitmap32& side);

// The CD case (type 4), with W the front's width: the top becomes W x W black with the front
// stretched into x 30..W (a 30-pixel hinge strip on the left); the front becomes W x 12 white;
// the side is stretched to W x 12.
void MakeCDCaseFaces(TBitmap32& front, TBitmap32& side, TBitmap32& top);
