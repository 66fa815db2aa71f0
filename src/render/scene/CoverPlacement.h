#pragma once
// Where the parts of a cover stand in the floor's frame: the box (for the CD case laid on its
// edge and slid aside), the disc and the ring binding, turned about the vertical axis; and where
// the floor is. The same model transforms as the 3D view's, as plain maths.

#include "render/CoverMesh.h"

#include <array>

struct TCoverPlacement {
    TBoxSize Box{1, 1, 1};   // after the fit to the view
    double AngleY = 0;       // degrees about the vertical axis
    bool IsCD = false;
    double CDPosition = 0.5; // 0..1, how far the disc is slid out of its case
    bool Paged = false;
    float PageInset = 1;
    bool Ring = false;
    float RingRadius = 0.03f, RingRepeat = 30.0f; // as the view draws the binding

    // A point of the box (or ring) model, and of the disc model, in the floor's frame.
    std::array<double, 3> BoxToFloor(const std::array<double, 3>& p) const;
    std::array<double, 3> DiscToFloor(const std::array<double, 3>& p) const;
    // The same for a direction (normals).
    std::array<double, 3> BoxDirToFloor(const std::array<double, 3>& d) const;
    std::array<double, 3> DiscDirToFloor(const std::array<double, 3>& d) const;
    // The floor's height: the box stands on it (the case on its edge).
    double FloorY() const;
};

// Where a point falls on the floor along the parallel light towards lightDir (unit, upwards).
std::array<double, 3> ShadowOnFloor(const std::array<double, 3>& p, const std::array<double, 3>& lightDir,
                                    double floorY);

// The view's light direction from "Light Attitude" and "Light Orientation" (0..1 each): 6 to 90
// degrees above the horizon, a full turn around the vertical axis.
std::array<double, 3> LightDirection(float elevation, float azimuth);
