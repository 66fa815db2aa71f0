#pragma once
// The 3D view's camera as plain maths: a perspective of 28.1 degrees divided by the zoom, three
// units in front of the cover, tilted by the view's angle about the horizontal axis, with the
// clip-space fit (scale and shift) the view applies to frame its content. Points are given in
// the floor's frame (the cover already turned about the vertical axis).

#include "render/D3DRenderer.h" // TClipMap, MinFitScale

#include <QRectF>
#include <array>
#include <optional>

struct TSceneCamera {
    double AngleX = 0;   // degrees about the horizontal axis
    double Zoom = 1;     // the field-of-view divisor the view uses (after its zoom formula)
    double Aspect = 4.0 / 3.0; // the camera's: the view's width over its height
    TClipMap Clip;       // applied to normalised device coordinates after the perspective
    int Width = 800, Height = 600; // the picture drawn through this camera

    // Vertical field of view in degrees.
    double FieldOfView() const;
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

// The divisor the view makes of the zoom asked of it (below 1 the field of view opens faster).
double ViewZoomDivisor(double zoomAsked);
