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

TSceneCamera::TRayPlane TSceneCamera::RayPlane() const
{
    // Picture point -> device coordinates after the fit -> before it -> eye direction, rotated
    // by -AngleX about x back into the floor's frame; all linear in x and y.
    const double t = std::tan(Radians(FieldOfView()) / 2);
    const double a = Radians(AngleX), c = std::cos(a), s = std::sin(a);
    auto eyeToFloor = [&](double dx, double dy, double dz) {
        return std::array<double, 3>{dx, c * dy + s * dz, -s * dy + c * dz};
    };
    // nx = (2 x / Width - 1 - Tx) / Sx, ny = (1 - 2 y / Height - Ty) / Sy.
    const double nx0 = (-1 - Clip.Tx) / Clip.Sx, ny0 = (1 - Clip.Ty) / Clip.Sy;
    TRayPlane plane;
    plane.Corner = eyeToFloor(nx0 * t * Aspect, ny0 * t, -1);
    plane.StepX = eyeToFloor(2.0 / Width / Clip.Sx * t * Aspect, 0, 0);
    plane.StepY = eyeToFloor(0, -2.0 / Height / Clip.Sy * t, 0);
    return plane;
}

std::array<double, 3> TSceneCamera::RayDirection(double x, double y) const
{
    const TRayPlane p = RayPlane();
    std::array<double, 3> d{};
    for (size_t k = 0; k < 3; ++k)
        d[k] = p.Corner[k] + x * p.StepX[k] + y * p.StepY[k];
    const double n = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    return {d[0] / n, d[1] / n, d[2] / n};
}
