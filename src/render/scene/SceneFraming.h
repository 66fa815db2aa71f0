#pragma once
// Framing of a cover picture: where the cover and its shadow land before any fit, the fit the
// view makes to keep the whole shadow inside it, and the tight framing of a saved picture. The
// same rules as the 3D view's (without its smoothing jitter: the photo samples every pixel).

#include "render/scene/CoverPlacement.h"
#include "render/scene/SceneCamera.h"

#include <QRectF>
#include <QSize>
#include <optional>

struct TFramingInput {
    TCoverPlacement Cover;
    std::array<double, 3> Light{0, 1, 0}; // towards the light, as the shadow is cast
    double AngleX = 0;
    double Zoom = 1;                      // the view's divisor
    int ViewWidth = 800, ViewHeight = 600;
    // The photo's floor reflection is content too, down to this depth below the floor (0: none,
    // as in the 3D view), whether or not the shadow is on.
    double ReflectionDepth = 0;
};

// The camera of the view itself, before any fit.
TSceneCamera ViewCamera(const TFramingInput& in);

// The box (with disc and rings) and/or its shadow on the floor in normalised device
// coordinates before any fit; nothing when a point lies behind the camera.
std::optional<QRectF> SceneContentBounds(const TFramingInput& in, bool box, bool shadow);

// The clip-space fit of a view of in's size that keeps the whole shadow inside it.
TClipMap ViewFit(const TFramingInput& in);

// A picture `size` framed tightly (two pixels of margin) around what the view shows of the cover
// and, when shadow, of its shadow; a size without height takes the height that follows the
// content's shape. The camera keeps the view's aspect.
TSceneCamera ContentCamera(const TFramingInput& in, bool shadow, QSize size);

// The whole view of width x height (the box fitted to that shape) with the view's own fit.
TSceneCamera WholeViewCamera(const TFramingInput& in);
