#pragma once
// The way a camera says how its picture is to be shown: the EXIF (and TIFF) orientation tag.
// Pictures are turned as they are decoded, so the pixels stored upright need no second copy.

#include "raster/TBitmap32.h"

#include <QByteArray>
#include <QSize>

// The eight values of the tag: 1 as stored, 2 mirrored left to right, 3 half turn, 4 upside
// down, 5 transposed, 6 quarter turn clockwise, 7 transverse, 8 quarter turn counter-clockwise.
enum class TOrientation { Upright = 1, Mirrored, HalfTurn, Flipped, Transposed, QuarterTurnRight, Transverse, QuarterTurnLeft };

// The orientation tag of an EXIF block (a TIFF structure, with or without the "Exif\0\0" start);
// Upright when the block has none or is damaged.
TOrientation ExifOrientation(const QByteArray& exif);

// The size of the picture as shown.
QSize OrientedSize(QSize stored, TOrientation orientation);

// Places rows [y, y + count) of a picture stored width x height pixels into target, which has
// the oriented size already. rows holds count rows of width pixels, one after the other.
void PlaceOrientedRows(const TColor32* rows, int width, int height, int y, int count, TOrientation orientation,
                       TBitmap32& target);
