#pragma once
// The resolution a picture file declares: the JFIF header of a JPEG, the pHYs chunk of a PNG.
// Other files, and these when they only give an aspect ratio, declare none.

#include <QByteArray>
#include <optional>

// Pixels per inch across (the covers read here have square pixels, as print files do).
std::optional<double> DeclaredDpi(const QByteArray& file);
