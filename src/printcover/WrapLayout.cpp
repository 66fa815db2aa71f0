#include "printcover/WrapLayout.h"

#include <cmath>

QSizeF TCoverMeasures::WrapInches() const
{
    return {2 * Trim.Width + Spine + 2 * Bleed, Trim.Height + 2 * Bleed};
}

QRectF TWrapLayout::Face(TCoverFace face) const
{
    switch (face) {
    case TCoverFace::Front:
        return Front;
    case TCoverFace::Spine:
        return Spine;
    case TCoverFace::Back:
        return Back;
    }
    return {};
}

TWrapLayout WrapLayout(const TCoverMeasures& measures, QSizeF pictureSize)
{
    const QSizeF wrap = measures.WrapInches();
    const double sx = pictureSize.width() / wrap.width();
    const double sy = pictureSize.height() / wrap.height();
    const double top = measures.Bleed * sy, height = measures.Trim.Height * sy;
    double x = measures.Bleed * sx;
    TWrapLayout layout;
    layout.Back = QRectF(x, top, measures.Trim.Width * sx, height);
    x += measures.Trim.Width * sx;
    layout.Spine = QRectF(x, top, measures.Spine * sx, height);
    x += measures.Spine * sx;
    layout.Front = QRectF(x, top, measures.Trim.Width * sx, height);
    return layout;
}

QSize FacePixels(const TCoverMeasures& measures, TCoverFace face, double dpi)
{
    const double width = face == TCoverFace::Spine ? measures.Spine : measures.Trim.Width;
    return {int(std::lround(width * dpi)), int(std::lround(measures.Trim.Height * dpi))};
}

void CheckWrapSize(const TCoverMeasures& measures, QSizeF found, const QString& foundDetail)
{
    const QSizeF wrap = measures.WrapInches();
    const auto off = [](double is, double should) { return std::abs(is - should) > WrapSizeTolerance * should; };
    if (!off(found.width(), wrap.width()) && !off(found.height(), wrap.height()))
        return;
    throw TCoverSizeError(
        QStringLiteral("the cover is %1 x %2 (%3), but a %4 trim with a %5 spine and %6 bleed needs %7 x %8 "
                       "(within 1 %)")
            .arg(InchText(found.width()).chopped(3), InchText(found.height()), foundDetail, measures.Trim.Name,
                 InchText(measures.Spine), InchText(measures.Bleed), InchText(wrap.width()).chopped(3), InchText(wrap.height())));
}
