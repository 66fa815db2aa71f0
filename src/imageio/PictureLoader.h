#pragma once
// The two ways a picture file becomes a TBitmap32.

#include "raster/TBitmap32.h"

#include <QString>

class TPicture;

// The framework picture loader (the bitmap's load-from-file): the format is found by extension
// among PictureFormats(), unknown ones fail with "Unknown picture file extension (.%s)". A BMP's
// pixels are copied (32-bit ones keep their alpha, others are opaque); any other picture is drawn
// onto the target, then every alpha := 255, so unpainted pixels come out opaque black. Throws
// std::runtime_error with the file's name and the decoder's message on the next line; target
// untouched then. Face images load so. PNG, TIFF and WebP keep their alpha like 32-bit BMPs.
void LoadPictureFromFile(TBitmap32& target, const QString& path);

// Reads a file into target for a new image layer: icons, metafiles and GIFs through
// LoadWithGdiPlus (transparent where they do not paint), everything else, and any file that path
// fails on, through LoadPictureFromFile. Throws as that does.
void LoadPictureFile(TBitmap32& target, const QString& path);

// Decodes the file by its content (GIF, icon, BMP, JPEG, metafile, PNG, TIFF, WebP) and draws it
// onto a transparent target of its size: unpainted pixels stay fully transparent. Answers false,
// target untouched, when the file cannot be read or decoded; never throws for that.
bool LoadWithGdiPlus(TBitmap32& target, const QString& path);

// The face-image rule of the framework loader applied to a decoded picture; decoded pixels are
// moved into target, leaving the picture empty.
void PaintAsFaceImage(TPicture& picture, TBitmap32& target);

// The whole file; throws std::runtime_error("Cannot open file \"%s\". %s") when it cannot be read,
// is no regular file (a pipe or a device never ends) or is larger than MaxPictureFileBytes.
QByteArray ReadPictureFileBytes(const QString& path);
