#pragma once
// The cover's triangles in the floor's frame, from the same quads, strip and disc the 3D view
// draws, each triangle tagged with the part it belongs to.

#include "render/scene/CoverPlacement.h"
#include "render/scene/PhotoScene.h"

TSceneMesh BuildCoverMesh(const TCoverPlacement& cover);

// The disc's inner and outer radius (the view's disc) and how many steps the photo takes around.
constexpr double DiscInner = 0.09, DiscOuter = 0.5;
constexpr int DiscSteps = 128;
