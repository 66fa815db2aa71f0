#pragma once
// Framing of a cover picture: where the cover and its shadow land before any fit, the fit the
// view makes to keep the whole shadow inside it, and the tight framing of a saved picture. One
// set of rules for both renderers: the OpenGL view gives the extent of its smoothing jitter, the
// photo (which samples every pixel) none.

#include "render/scene/CoverPlacement.h"
#include "render/scene/SceneCamera.h"

#include <QRectF>
#include <QSize>
#include <functional>
#include <optional>

// A smoothing offset of the cover moves its shadow this many times as far along the floor: the
// jittered copies of the shadow spread into a soft one.
constexpr double ShadowShiftPerJitter = 30;

struct TFramingInput {
    TCoverPlacement Cover;
    std::array<double, 3> Light{0, 1, 0}; // towards the light, as the shadow is cast
    double AngleX = 0;
    double Zoom = 1;                      // the view's divisor
    int ViewWidth = 800, ViewHeight = 600;
    // The view zooms out to keep the whole shadow in it (the OpenGL view only once it shows a
    // cover, and unless told not to).
    bool FitShadow = true;
    // The largest smoothing offset of the cover in the picture plane (eye units, 0 unsmoothed).
    double JitterX = 0, JitterY = 0;
    // The photo's floor reflection is content too, down to this depth below the floor (0: none,
    // as in the 3D view), whether or not the shadow is on.
    double ReflectionDepth = 0;
};

// The camera of the view itself, before any fit.
TSceneCamera ViewCamera(const TFramingInput& in);

// The box (with disc and rings) and/or its shadow on the floor in normalised device
// coordinates before any fit, over every smoothing offset; nothing when a point lies behind the
// camera.
std::optional<QRectF> SceneContentBounds(const TFramingInput& in, bool box, bool shadow);

// The clip-space fit of a view of in's size that keeps the whole shadow inside it.
TClipMap ViewFit(const TFramingInput& in);

// What the view shows of the cover and, when shadow, its shadow (normalised device coordinates
// before any fit): the content bounds, or where a shadow passes the camera, as much as the
// view's own fit shows.
QRectF ShownContentBounds(const TFramingInput& in, bool shadow);

// The width a cut picture needs to show the content at the view's own scale.
int NaturalContentWidth(const TFramingInput& in, bool shadow);

// A picture framed around content: the clip map that makes it the whole picture, the picture's
// size and how many view pixels one of its pixels spans.
struct TContentFrame {
    TClipMap Map;
    int Width = 1, Height = 1;
    double ViewPixelsPerPixel = 1;
};

// A picture `size` framed tightly (two pixels of margin) around bounds(p), the content in the
// normalised device coordinates of a view of `view` pixels when one picture pixel spans p view
// pixels (asked again once p is known: the smoothing jitter keeps its size in picture pixels);
// a size without height takes the height that follows the content's shape.
TContentFrame FrameContent(QSize size, QSize view, const std::function<QRectF(double viewPixelsPerPixel)>& bounds);

// A picture `size` framed tightly around what the view shows of the cover and, when shadow, of
// its shadow. The camera keeps the view's aspect.
TSceneCamera ContentCamera(const TFramingInput& in, bool shadow, QSize size);

// What the view shows over a full turn of `frames` frames about the vertical axis from the
// input's angle on: the union of every frame's content.
QRectF TurnContentBounds(const TFramingInput& in, int frames, bool shadow);

// A picture `size` framed around every angle of that turn alike, so the cover turns in place.
TSceneCamera TurntableCamera(const TFramingInput& in, int frames, bool shadow, QSize size);

// The whole view of width x height (the box fitted to that shape) with the view's own fit.
TSceneCamera WholeViewCamera(const TFramingInput& in);
