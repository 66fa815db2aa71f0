#pragma once
// Decoding the bytes of a picture file held in memory (the cover document keeps face files as bytes).

#include "imageio/PictureKind.h"
#include "raster/TBitmap32.h"

#include <QByteArray>

// Decodes bytes of the given kind into target as the framework picture loader does for a face
// image: 32-bit BMPs, PNG, TIFF and WebP keep their alpha, other bitmaps and every other kind come
// out with alpha 255 (unpainted pixels opaque black). Returns false, target untouched, for kind
// None. Throws std::runtime_error with the decoder's message when the bytes do not
// decode ("Bitmap image is not valid", "Invalid GIF data", "JPEG error #%d", ...); target untouched.
bool DecodePicture(PictureKind kind, const QByteArray& bytes, TBitmap32& target);
