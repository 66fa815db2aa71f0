#include "render/scene/CoverPlacement.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
using TV = std::array<double, 3>;

TV TurnY(const TV& p, double degrees)
{
    const double a = degrees * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
    return {c * p[0] + s * p[2], p[1], -s * p[0] + c * p[2]};
}

// The case lies on its edge: a quarter turn back about the horizontal axis.
TV CaseUp(const TV& p) { return {p[0], p[2], -p[1]}; }
} // namespace

TV TCoverPlacement::BoxDirToFloor(const TV& d) const { return TurnY(IsCD ? CaseUp(d) : d, AngleY); }

TV TCoverPlacement::BoxToFloor(const TV& p) const
{
    if (!IsCD)
        return TurnY(p, AngleY);
    TV q = CaseUp(p);
    q[0] -= 0.3 * CDPosition;
    return TurnY(q, AngleY);
}

TV TCoverPlacement::DiscDirToFloor(const TV& d) const { return TurnY(d, AngleY); }

TV TCoverPlacement::DiscToFloor(const TV& p) const
{
    // Inside the case's frame the disc turns back upright and slides out by the CD position.
    return TurnY({p[0] + 0.7 * CDPosition, p[1], p[2]}, AngleY);
}

double TCoverPlacement::FloorY() const { return -(IsCD ? Box.X : Box.Y) / 2; }

TV ShadowOnFloor(const TV& p, const TV& l, double floorY)
{
    const double k = (p[1] - floorY) / l[1];
    return {p[0] - l[0] * k, floorY, p[2] - l[2] * k};
}

TV LightDirection(float elevation, float azimuth)
{
    const double e = 1.4660765716752369 * std::clamp(elevation, 0.0f, 1.0f) + 0.10471975511965978;
    const double a = 6.283185307179586 * std::clamp(azimuth, 0.0f, 1.0f);
    return {std::cos(e) * std::cos(a), std::sin(e), std::cos(e) * std::sin(a)};
}
