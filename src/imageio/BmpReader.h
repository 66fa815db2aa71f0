#pragma once
// Our reader of Windows bitmaps: BMP files and packed DIBs (as embedded in icons and metafiles).
// 1, 4, 8, 16, 24 and 32 bits per pixel; RLE4 and RLE8; bottom-up and top-down; OS/2 1.x and 2.x,
// Windows V3 (40, 52, 56 bytes), V4 and V5 headers; bit-field masks.

#include "raster/TBitmap32.h"

#include <QtGlobal>
#include <vector>

struct TDibInfo {
    int Width = 0;
    int Height = 0;      // always positive
    int BitsPerPixel = 0;
    bool HasAlpha = false; // the pixels carry alpha (32 bits per pixel; see DecodeDib)
};

// Decodes a packed DIB (information header, optional bit-field masks, colour table, pixel bits;
// no file header) into target. 32-bit pixels keep their fourth byte (or alpha mask) as alpha,
// except when it is zero everywhere, which old writers leave unset: those come out opaque. Every
// other depth comes out with alpha 255. Throws std::runtime_error("Bitmap image is not valid")
// for anything malformed, or the size message of CheckBitmapSize; target untouched then.
TDibInfo DecodeDib(const uchar* data, qsizetype size, TBitmap32& target);

// Like DecodeDib, but the pixel bits start at bitsOffset from data (a BMP file's bfOffBits made
// relative to the information header) instead of straight after the colour table.
TDibInfo DecodeDibAt(const uchar* data, qsizetype size, qsizetype bitsOffset, TBitmap32& target);

// Like DecodeDibAt for a DIB of up to 8 bits per pixel stored without its colour table (bitsOffset
// -1: the bits follow the header directly): palette gives the colours instead.
TDibInfo DecodeDibWithPalette(const uchar* data, qsizetype size, qsizetype bitsOffset, const std::vector<TColor32>& palette,
                              TBitmap32& target);

// Whether a DIB of up to 8 bits per pixel really carries the colour table its header announces
// (see DecodeDibAt for bitsOffset; -1: the bits follow the table). Deeper DIBs need none.
bool DibHasColorTable(const uchar* data, qsizetype size, qsizetype bitsOffset);

// Decodes a whole BMP file (file header "BM" + DIB).
TDibInfo DecodeBmpFile(const uchar* data, qsizetype size, TBitmap32& target);
