#include "printcover/WrapLayout.h"

#include <cmath>

QSizeF TCoverSpec::WrapInches() const
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

TWrapLayout WrapLayout(const TCoverSpec& spec, QSizeF pictureSize)
{
    const QSizeF wrap = spec.WrapInches();
    const double sx = pictureSize.width() / wrap.width();
    const double sy = pictureSize.height() / wrap.height();
    const double top = spec.Bleed * sy, height = spec.Trim.Height * sy;
    double x = spec.Bleed * sx;
    TWrapLayout layout;
    layout.Back = QRectF(x, top, spec.Trim.Width * sx, height);
    x += spec.Trim.Width * sx;
    layout.Spine = QRectF(x, top, spec.Spine * sx, height);
    x += spec.Spine * sx;
    layout.Front = QRectF(x, top, spec.Trim.Width * sx, height);
    return layout;
}

QSize FacePixels(const TCoverSpec& spec, TCoverFace face, double dpi)
{
    const double width = face == TCoverFace::Spine ? spec.Spine : spec.Trim.Width;
    return {int(std::lround(width * dpi)), int(std::lround(spec.Trim.Height * dpi))};
}

void CheckWrapSize(const TCoverSpec& spec, QSizeF found, const QString& foundDetail)
{
    const QSizeF wrap = spec.WrapInches();
    const auto off = [](double is, double should) { return std::abs(is - should) > WrapSizeTolerance * should; };
    if (!off(found.width(), wrap.width()) && !off(found.height(), wrap.height()))
        return;
    throw TCoverSizeError(
        QStringLiteral("the cover is %1 x %2 (%3), but a %4 trim with a %5 spine and %6 bleed needs %7 x %8 "
                       "(within 1 %)")
            .arg(InchText(found.width()).chopped(3), InchText(found.height()), foundDetail, spec.Trim.Name,
                 InchText(spec.Spine), InchText(spec.Bleed), InchText(wrap.width()).chopped(3), InchText(wrap.height())));
}
