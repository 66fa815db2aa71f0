#include "render/scene/SceneCamera.h"

#include <QVector4D>
#include <cmath>
#include <numbers>

namespace {
constexpr double FieldOfViewDeg = 28.1;
constexpr double CameraDistance = 3;
double Radians(double degrees) { return degrees * std::numbers::pi / 180; }
} // namespace

QMatrix4x4 ClipMatrix(const TClipMap& map)
{
    QMatrix4x4 m;
    m.translate(float(map.Tx), float(map.Ty), 0);
    m.scale(float(map.Sx), float(map.Sy), 1);
    return m;
}

bool ViewZoomAccepted(double v)
{
    // The zoom at which the field of view 28.1 / (2 v^2 - 1) reaches 180 degrees.
    static const double floor = std::sqrt((1 + FieldOfViewDeg / 180) / 2);
    return v > 0 && v < 10 && (v >= 1 || v > floor);
}

double ViewZoomDivisor(double zoomAsked) { return zoomAsked >= 1 ? zoomAsked : 2 * zoomAsked * zoomAsked - 1; }

double TSceneCamera::FieldOfView() const { return FieldOfViewDeg / Zoom; }

QMatrix4x4 TSceneCamera::Perspective() const
{
    QMatrix4x4 m;
    m.perspective(float(FieldOfView()), float(Aspect), float(Near), 100.0f);
    return m;
}

QMatrix4x4 TSceneCamera::Projection() const { return ClipMatrix(Clip) * Perspective(); }

QMatrix4x4 TSceneCamera::View(QPointF shift) const
{
    QMatrix4x4 m;
    m.translate(float(shift.x()), float(shift.y()), float(-CameraDistance));
    m.rotate(float(AngleX), 1, 0, 0);
    return m;
}

std::optional<std::array<double, 2>> DeviceCoordinates(const QVector4D& c)
{
    if (c.w() < 1e-3f)
        return std::nullopt;
    return std::array<double, 2>{double(c.x() / c.w()), double(c.y() / c.w())};
}

std::optional<std::array<double, 2>> TSceneCamera::Project(const std::array<double, 3>& p) const
{
    return DeviceCoordinates(Perspective() * View() * QVector4D(float(p[0]), float(p[1]), float(p[2]), 1));
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
