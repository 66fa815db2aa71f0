#pragma once
// The 3D view's camera as plain maths: a perspective of 28.1 degrees divided by the zoom, three
// units in front of the cover, tilted by the view's angle about the horizontal axis, with the
// clip-space fit (scale and shift) the view applies to frame its content. Points are given in
// the floor's frame (the cover already turned about the vertical axis). The OpenGL view loads
// these very matrices, so both renderers see through one camera.

#include <QMatrix4x4>
#include <QRectF>
#include <array>
#include <optional>

// A scale and shift of clip space applied before the camera's perspective: x' = Sx x + Tx w.
struct TClipMap {
    double Sx = 1, Sy = 1, Tx = 0, Ty = 0;
    bool operator==(const TClipMap&) const = default;
};

// The clip map as a matrix, to be applied after a projection.
QMatrix4x4 ClipMatrix(const TClipMap& map);

// The smallest zoom-out the view makes to keep a shadow in it; a shadow that passes the camera
// cannot be shown whole whatever the zoom.
constexpr double MinFitScale = 0.25;

// The nearest the near plane comes to the eye: closer, the depth buffer loses its resolution.
constexpr double MinNearPlane = 0.05;

struct TSceneCamera {
    double AngleX = 0;   // degrees about the horizontal axis
    double Zoom = 1;     // the field-of-view divisor the view uses (after its zoom formula)
    double Aspect = 4.0 / 3.0; // the camera's: the view's width over its height
    TClipMap Clip;       // applied to normalised device coordinates after the perspective
    int Width = 800, Height = 600; // the picture drawn through this camera
    // The near clipping plane's depth: 1, nearer only where content comes closer (ViewCamera).
    double Near = 1;

    // Vertical field of view in degrees.
    double FieldOfView() const;
    // The perspective alone (Near to 100), and with the clip map after it.
    QMatrix4x4 Perspective() const;
    QMatrix4x4 Projection() const;
    // Eye from floor: the tilt, then three units back; `shift` moves the picture plane by a
    // smoothing offset (eye units).
    QMatrix4x4 View(QPointF shift = {}) const;
    // Normalised device coordinates (before the clip map) of a point; nothing when it lies behind
    // the camera (as the view counts it: w below 0.001).
    std::optional<std::array<double, 2>> Project(const std::array<double, 3>& point) const;
    // The camera's position, and the unit direction of the ray through the picture point (x, y)
    // measured in pixels from the top left corner.
    std::array<double, 3> Position() const;
    std::array<double, 3> RayDirection(double x, double y) const;
    // The same direction before its normalisation is Corner + x StepX + y StepY: a tracer can
    // take these once per picture.
    struct TRayPlane {
        std::array<double, 3> Corner, StepX, StepY;
    };
    TRayPlane RayPlane() const;
};

// Whether the view takes a zoom: 0 < v < 10 and, below 1, above the value at which the zoom
// formula opens the field of view to 180 degrees (about 0.7603).
bool ViewZoomAccepted(double zoomAsked);
// The divisor the view makes of the zoom asked of it (below 1 the field of view opens faster).
double ViewZoomDivisor(double zoomAsked);

// Where a projected point (x, y, w) lands, in normalised device coordinates; nothing when it
// lies behind the camera.
std::optional<std::array<double, 2>> DeviceCoordinates(const QVector4D& clip);
