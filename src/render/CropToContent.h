#pragma once
// Cuts a captured picture down to everything that differs from its background colour.

class TBitmap32;

// The background is the bottom-right pixel unless the pixels at (1, H-1) and (W-1, 1) agree on
// another colour. Row 0 and column 0 are never examined; a picture with nothing but background
// keeps its full size.
void CropToContent(TBitmap32& bitmap);
