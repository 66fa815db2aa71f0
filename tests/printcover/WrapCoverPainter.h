#pragma once
// A synthetic wrap-around cover for the tests: bleed yellow, back red, spine green, front blue,
// each face with a black mark half an inch in from its trim's top left corner, half an inch
// square (the spine's mark as wide as the spine allows).

#include "printcover/WrapLayout.h"

#include <QColor>
#include <QPaintDevice>
#include <QPainter>

inline const QColor BleedColour(255, 255, 0), BackColour(220, 0, 0), SpineColour(0, 160, 0), FrontColour(0, 0, 220);

inline QColor FaceColour(TCoverFace face)
{
    return face == TCoverFace::Front ? FrontColour : face == TCoverFace::Spine ? SpineColour : BackColour;
}

// Paints the wrap of measures onto painter, dpi device pixels per inch.
inline void PaintWrapCover(QPainter& painter, const TCoverMeasures& measures, double dpi)
{
    const QSizeF wrap = measures.WrapInches() * dpi;
    painter.fillRect(QRectF(QPointF(0, 0), wrap), BleedColour);
    const TWrapLayout layout = WrapLayout(measures, wrap);
    for (TCoverFace f : {TCoverFace::Front, TCoverFace::Spine, TCoverFace::Back}) {
        const QRectF place = layout.Face(f);
        painter.fillRect(place, FaceColour(f));
        const double side = std::min(0.5 * dpi, place.width() / 3);
        painter.fillRect(QRectF(place.left() + std::min(0.5 * dpi, side), place.top() + 0.5 * dpi, side, side), Qt::black);
    }
}
