#pragma once
// A wrap-around cover read from its file: a PDF's first page rendered through Poppler, or any
// picture the program reads, with the resolution that says how large it is in inches.

#include "printcover/WrapLayout.h"
#include "raster/TBitmap32.h"

#include <QSizeF>
#include <QString>

struct TCoverPicture {
    // Where Dpi came from, for messages: a PDF rendered at it, a picture's own header, or (for a
    // picture that declares none) its height taken to be the wrap's height.
    enum TDpiSource { Rendered, Declared, FromHeight };

    TBitmap32 Pixels;
    double Dpi = 0; // pixels per inch
    TDpiSource Source = Rendered;
    QSizeF PageInches; // a PDF's page; a picture's pixels / Dpi

    // "the PDF's first page", "3600 x 2700 pixels at 300 dpi from the file" (or "from its height")
    QString SizeDetail() const;
    // For a picture that declares no resolution: the dpi that makes it wrapHeight inches high.
    void FitHeight(double wrapHeight);
};

// True when the file starts as a PDF does.
bool IsPdfFile(const QString& path);

// Reads path: a PDF's first page at dpi (its size is checked against CheckBitmapSize before
// anything is drawn), else the picture as `tavlo convert` reads it, at the dpi its header
// declares or, without one, at the dpi that makes it wrapHeight inches high. Throws
// std::runtime_error naming the file when it cannot be read.
TCoverPicture ReadCoverPicture(const QString& path, double dpi, double wrapHeight);

// Reads path as above and checks its size against measures (CheckWrapSize), a PDF's page before it
// is drawn, so a wrong file is refused before anything is cut.
TCoverPicture ReadCheckedCover(const QString& path, const TCoverMeasures& measures, double dpi);
