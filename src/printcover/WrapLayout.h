#pragma once
// Where the faces lie on a wrap-around cover: the back on the left, then the spine, then the
// front, the bleed around all of it. The layout is kept in fractions of the whole picture, so the
// same numbers place the faces on a picture of any resolution (and on one a little off size).

#include "printcover/PrintMeasures.h"

#include <QRectF>
#include <QSizeF>

struct TCoverMeasures {
    TTrimSize Trim;
    double Spine = 0; // inches
    double Bleed = 0.125; // inches, cut from the four outer edges

    // The whole wrap: two trims and the spine across, the bleed around.
    QSizeF WrapInches() const;
};

// A picture may be this far off the expected size, in each direction.
constexpr double WrapSizeTolerance = 0.01;

enum class TCoverFace { Front = 0, Spine = 1, Back = 2 };

struct TWrapLayout {
    QRectF Back, Spine, Front; // in the picture's pixels
    // The trim box: the bleed lies outside it.
    QRectF Trim() const { return Back.united(Front); }
    QRectF Face(TCoverFace face) const;
};

// The faces on a picture of pictureSize pixels that shows the wrap of measures (each direction scaled on
// its own, so a picture within the tolerance is cut where its own proportions say).
TWrapLayout WrapLayout(const TCoverMeasures& measures, QSizeF pictureSize);

// The size a face is written at: its inches times dpi, rounded.
QSize FacePixels(const TCoverMeasures& measures, TCoverFace face, double dpi);

// A picture that is not the wrap the measures describe; what() names both sizes.
struct TCoverSizeError : std::runtime_error {
    explicit TCoverSizeError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// Throws TCoverSizeError when found (inches) is more than the tolerance off the measured wrap in
// width or height: "the cover is 12 x 9 in (detail), but a 6 x 9 in trim ... needs 12.813 x 9.25 in".
// foundDetail tells where the found size came from ("3600 x 2700 pixels at 300 dpi").
void CheckWrapSize(const TCoverMeasures& measures, QSizeF found, const QString& foundDetail);
