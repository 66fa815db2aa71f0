#pragma once
// The compressed picture data of a PNG, TIFF or WebP file, found from the file's own structure.
// The decode budget counts this data, not the file: padding (a long text chunk, a stray tail)
// buys nothing.

#include "imageio/PictureKind.h"

#include <QByteArray>
#include <cstdint>

// The most pixels the picture data of bytes can paint at the best packing its format allows
// (PNG IDAT chunks, TIFF strips or tiles, the WebP image chunk): a 1-bit PNG row of deflated
// zeros, a fax-coded TIFF row of one bit, a lossless WebP of one colour (no bits per pixel: its
// chunk only has to be there). width is the declared width. 0 when no picture data is found.
int64_t PaintablePixels(const QByteArray& bytes, PictureKind kind, int64_t width);

// libpng allocates an ancillary chunk whole, at the length its header claims: false when a chunk
// other than picture data claims more than the file holds.
bool PngChunksFit(const QByteArray& bytes);

// The PNG without its text chunks (tEXt, zTXt, iTXt) when they are large: libpng and Qt keep
// several copies of a text while reading a header, so a padded file would cost five times its
// padding. Otherwise the same bytes, not copied.
QByteArray WithoutLargePngText(const QByteArray& bytes);

// The EXIF block of a WebP file (its orientation is not read by Qt's plugin); empty when none.
QByteArray WebPExif(const QByteArray& bytes);
