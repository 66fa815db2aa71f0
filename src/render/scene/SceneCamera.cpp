#include "render/scene/SceneCamera.h"

#include <cmath>
#include <numbers>

namespace {
constexpr double FieldOfViewDeg = 28.1;
constexpr double CameraDistance = 3;
double Radians(double degrees) { return degrees * std::numbers::pi / 180; }
} // namespace

double ViewZoomDivisor(double zoomAsked) { return zoomAsked >= 1 ? zoomAsked : 2 * zoomAsked * zoomAsked - 1; }

double TSceneCamera::FieldOfView() const { return FieldOfViewDeg / Zoom; }

std::optional<std::array<double, 2>> TSceneCamera::Project(const std::array<double, 3>& p) const
{
    // Eye = translate(0, 0, -3) * rotate(AngleX about x) * p, as the view's matrix stack.
    const double a = Radians(AngleX), c = std::cos(a), s = std::sin(a);
    const double ex = p[0], ey = c * p[1] - s * p[2], ez = s * p[1] + c * p[2] - CameraDistance;
    const double f = 1 / std::tan(Radians(FieldOfView()) / 2);
    const double w = -ez;
    if (w < 1e-3)
        return std::nullopt;
    return std::array<double, 2>{f / Aspect * ex / w, f * ey / w};
}

std::array<double, 3> TSceneCamera::Position() const
{
    // The inverse tilt of the eye's origin (0, 0, 3 in front of the cover).
    const double a = Radians(AngleX), c = std::cos(a), s = std::sin(a);
    return {0, s * CameraDistance, c * CameraDistance};
}

std::array<double, 3> TSceneCamera::RayDirection(double x, double y) const
{
    // Picture point -> device coordinates after the fit -> before it -> eye direction.
    const double nx = (2 * x / Width - 1 - Clip.Tx) / Clip.Sx;
    const double ny = (1 - 2 * y / Height - Clip.Ty) / Clip.Sy;
    const double t = std::tan(Radians(FieldOfView()) / 2);
    const double dx = nx * t * Aspect, dy = ny * t, dz = -1;
    const double a = Radians(AngleX), c = std::cos(a), s = std::sin(a);
    // Rotate by -AngleX about x back into the floor's frame.
    const double wx = dx, wy = c * dy + s * dz, wz = -s * dy + c * dz;
    const double n = std::sqrt(wx * wx + wy * wy + wz * wz);
    return {wx / n, wy / n, wz / n};
}
