#pragma once
// Where the parts of a cover stand in the floor's frame: the box (for the CD case laid on its
// edge and slid aside), the disc and the ring binding, turned about the vertical axis; where the
// floor is; and how the light flattens the cover onto it. The model transforms of both
// renderers: the OpenGL view loads these matrices, the photo builds its mesh with them.

#include "render/CoverMesh.h"

#include <QMatrix4x4>
#include <QPointF>
#include <array>

struct TSceneCamera;

struct TCoverPlacement {
    TBoxSize Box{1, 1, 1};   // after the fit to the view
    double AngleY = 0;       // degrees about the vertical axis
    bool IsCD = false;
    double CDPosition = 0.5; // 0..1, how far the disc is slid out of its case
    bool Paged = false;
    float PageInset = 1;
    bool BackRegion = false; // the atlas holds the back cover beside the front
    bool Ring = false;
    float RingRadius = 0.03f, RingRepeat = 30.0f; // as the view draws the binding

    // Floor from model: the box (and ring binding), and the disc.
    QMatrix4x4 BoxModel() const;
    QMatrix4x4 DiscModel() const;
    // A point of the box (or ring) model, and of the disc model, in the floor's frame.
    std::array<double, 3> BoxToFloor(const std::array<double, 3>& p) const;
    std::array<double, 3> DiscToFloor(const std::array<double, 3>& p) const;
    // The same for a direction (normals).
    std::array<double, 3> BoxDirToFloor(const std::array<double, 3>& d) const;
    std::array<double, 3> DiscDirToFloor(const std::array<double, 3>& d) const;
    // The floor's height: the box stands on it (the case on its edge).
    double FloorY() const;
};

// The projection of the floor's frame onto the floor y = floorY along the parallel light
// towards lightDir (upwards): the shadow.
QMatrix4x4 ShadowMatrix(double floorY, const std::array<double, 3>& lightDir);

// The parts of the cover that are drawn with a model transform of their own.
enum class TCoverPart { Box, Disc };

// Eye from model for a part of the cover, and for its shadow on the floor. A smoothing offset
// moves the cover in the picture plane (`shift`, eye units); its shadow is moved along the floor
// before it is flattened (`floorShift`), so a soft shadow spreads where it falls.
QMatrix4x4 CoverModelView(const TSceneCamera& camera, const TCoverPlacement& cover, TCoverPart part,
                          QPointF shift = {});
QMatrix4x4 ShadowModelView(const TSceneCamera& camera, const TCoverPlacement& cover,
                           const std::array<double, 3>& lightDir, TCoverPart part, QPointF floorShift = {});

// The view's light direction from "Light Attitude" and "Light Orientation" (0..1 each): 6 to 90
// degrees above the horizon, a full turn around the vertical axis.
std::array<double, 3> LightDirection(float elevation, float azimuth);
