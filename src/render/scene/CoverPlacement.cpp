#include "render/scene/CoverPlacement.h"

#include "render/scene/SceneCamera.h"

#include <algorithm>
#include <cmath>

namespace {
using TV = std::array<double, 3>;

QVector3D ToQ(const TV& v) { return QVector3D(float(v[0]), float(v[1]), float(v[2])); }
TV FromQ(const QVector3D& v) { return {v.x(), v.y(), v.z()}; }
} // namespace

QMatrix4x4 TCoverPlacement::BoxModel() const
{
    QMatrix4x4 m;
    m.rotate(float(AngleY), 0, 1, 0);
    if (IsCD) {
        // The case lies on its edge (a quarter turn back), slid aside as the disc comes out.
        m.rotate(-90, 1, 0, 0);
        m.translate(float(-0.3 * CDPosition), 0, 0);
    }
    return m;
}

QMatrix4x4 TCoverPlacement::DiscModel() const
{
    // Inside the case's frame the disc turns back upright and slides out by the CD position.
    QMatrix4x4 m = BoxModel();
    m.rotate(90, 1, 0, 0);
    m.translate(float(CDPosition), 0, 0);
    return m;
}

TV TCoverPlacement::BoxToFloor(const TV& p) const { return FromQ(BoxModel().map(ToQ(p))); }
TV TCoverPlacement::DiscToFloor(const TV& p) const { return FromQ(DiscModel().map(ToQ(p))); }
TV TCoverPlacement::BoxDirToFloor(const TV& d) const { return FromQ(BoxModel().mapVector(ToQ(d))); }
TV TCoverPlacement::DiscDirToFloor(const TV& d) const { return FromQ(DiscModel().mapVector(ToQ(d))); }

double TCoverPlacement::FloorY() const { return -(IsCD ? Box.X : Box.Y) / 2; }

QMatrix4x4 ShadowMatrix(double floorY, const TV& l)
{
    // The standard projection onto the plane p from the light l at infinity: dot(p, l) I - l p^T.
    const std::array<double, 4> p{0, 1, 0, -floorY}, light{l[0], l[1], l[2], 0};
    const double dot = p[0] * light[0] + p[1] * light[1] + p[2] * light[2] + p[3] * light[3];
    QMatrix4x4 m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m(r, c) = float((r == c ? dot : 0.0) - light[size_t(r)] * p[size_t(c)]);
    return m;
}

namespace {
QMatrix4x4 PartModel(const TCoverPlacement& cover, TCoverPart part)
{
    return part == TCoverPart::Disc ? cover.DiscModel() : cover.BoxModel();
}
} // namespace

QMatrix4x4 CoverModelView(const TSceneCamera& camera, const TCoverPlacement& cover, TCoverPart part, QPointF shift)
{
    return camera.View(shift) * PartModel(cover, part);
}

QMatrix4x4 ShadowModelView(const TSceneCamera& camera, const TCoverPlacement& cover, const TV& lightDir,
                           TCoverPart part, QPointF floorShift)
{
    QMatrix4x4 m = camera.View() * ShadowMatrix(cover.FloorY(), lightDir);
    m.translate(float(floorShift.x()), float(floorShift.y()), 0);
    return m * PartModel(cover, part);
}

TV LightDirection(float elevation, float azimuth)
{
    const double e = 1.4660765716752369 * std::clamp(elevation, 0.0f, 1.0f) + 0.10471975511965978;
    const double a = 6.283185307179586 * std::clamp(azimuth, 0.0f, 1.0f);
    return {std::cos(e) * std::cos(a), std::sin(e), std::cos(e) * std::sin(a)};
}
