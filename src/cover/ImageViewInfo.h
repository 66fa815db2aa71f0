#pragma once
// The editing state of one face (front, side or top) kept by the wizard between visits of the
// face's step: the face flattened with its layers, and a copy of it that composition may reshape.

#include "raster/Layers.h"
#include "raster/TBitmap32.h"

class TImageViewInfo {
public:
    // The face as a 32-bit ARGB image flattened with all its layers; rewritten each time the
    // user leaves the face's step.
    TBitmap32 Bitmap;
    // Copy of Bitmap made for composition, which reshapes it in place.
    TBitmap32 Flat;
    // The face's layers while its step is not shown; the face view takes them over (and hands
    // them back) when the step is entered (and left).
    TLayerCollection Layers;

    // Copies Bitmap afresh into Flat and returns Flat (still owned by the record), so every
    // composition starts from the unreshaped face.
    TBitmap32& GetFlatBitmap();
    // Removes all layers and empties Bitmap.
    void Clear();
};
