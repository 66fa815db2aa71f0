#pragma once
// Writing a 32-bit picture as a file whose extension picks the format: GIF, JPEG and BMP through
// our picture objects, PNG and TIFF through Qt's image writers found by MIME type. Save As and
// `tavlo convert` both write through WriteImageFile.
//
// Every writer writes to a temporary file in the target folder and renames it over the target only
// when it is complete, so a failed save never destroys an existing file.

#include "imageio/PictureKind.h"
#include "raster/TBitmap32.h"

#include <QString>

class TPicture;

// Picks the writer by the extension of path (any ASCII case) and writes. Unlike the original
// program, nothing fails silently: an extension without a writer ("tiff", "ico", none...), an empty
// picture, a missing encoder and every write error throw std::runtime_error with a message for the
// user ("Cannot create file %s", "JPEG error #%d", ...). The caller marks the document saved and
// remembers the folder (RememberFolder) before calling this.
void WriteImageFile(const TBitmap32& picture, const QString& path);

// A picture with see-through pixels (straight alpha), as the format allows: PNG and TIFF keep
// the alpha; GIF lays partly clear pixels onto `background` and gives the fully clear ones one
// transparent index; JPEG and BMP, which cannot be transparent, lay everything onto `background`.
void WriteTransparentImageFile(const TBitmap32& picture, const QString& path, TColor32 background);

// The picture laid onto an opaque colour; with keepClear, fully clear pixels stay clear.
TBitmap32 FlattenOnto(const TBitmap32& picture, TColor32 background, bool keepClear = false);

// Bitmap, GIF and JPEG: the kind's picture object takes the picture, is prepared and written.
// Answers false when the kind has no picture object that writes.
bool SaveWithPictureClass(PictureKind kind, const TBitmap32& picture, const QString& path);

// The per-format settings: GIF optimised (crop, merge, cleanup, colour map) with the comment
// "produced by " + ProductNameVersion; JPEG at quality 100; nothing for the others.
void PrepareForSave(TPicture& writer, PictureKind kind);

// PNG ("png") and TIFF ("tiff"): the Qt writer of MIME type "image/" + format; the fourth byte
// of each pixel is written as alpha.
void SaveWithEncoder(const TBitmap32& picture, const QString& path, const QString& format);

// The image format name of the first Qt writer whose MIME type equals mime without regard to
// case; empty when there is none.
QByteArray FindEncoderByMime(const QString& mime);
