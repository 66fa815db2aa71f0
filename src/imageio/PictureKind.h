#pragma once
// The kind of a picture file by its extension.

#include <QString>

enum class PictureKind { None = 0, Bitmap = 1, Icon = 2, Metafile = 3, Gif = 4, Jpeg = 5, Png = 6, Tiff = 7, WebP = 8 };

// The text after the last dot of the file name, without the dot; empty when there is none.
QString ExtractExtension(const QString& path);
// "BMP" -> Bitmap, "ICO" -> Icon, "WMF"/"EMF" -> Metafile, "GIF", "JPG"/"JPEG", "PNG", "TIF", "WEBP";
// without regard to ASCII case; anything else (also "tiff" and "") -> None.
PictureKind PictureKindOf(const QString& extension);
// Equal without regard to the case of ASCII letters (extensions and MIME types compare this way).
bool SameTextAscii(QStringView a, QLatin1StringView b);
