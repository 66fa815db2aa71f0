#pragma once
// Covers and scenes the photo tests build again and again.

#include "render/photo/PhotoRenderer.h"
#include "render/scene/CoverScene.h"

#include "common/TestBitmaps.h"

#include <cstdlib>

// A cover of type composed from one-colour faces: front fw x fh, side sw wide, top as wide as
// the front.
inline TComposedCover PlainCover(TBookType type, TColor32 front, TColor32 side, TColor32 top, int fw = 300,
                                 int fh = 450, int sw = 40)
{
    TBitmap32 f = Filled(fw, fh, front), s = Filled(sw, fh, side), t = Filled(fw, sw, top);
    return ComposeCover(type, f, s, &t);
}

// Settings for a whole picture of w x h (not cut to the content).
inline TCoverRenderSettings WholePicture(TBookType type, int w, int h)
{
    TCoverRenderSettings s;
    s.Type = type;
    s.Width = w;
    s.Height = h;
    s.Crop = false;
    return s;
}

inline TBitmap32 Photo(const TPhotoScene& scene, int samples, bool filter = false, uint32_t seed = 1)
{
    TPhotoOptions options;
    options.Samples = samples;
    options.Filter = filter;
    options.Seed = seed;
    const auto picture = RenderPhoto(scene, options);
    return picture ? *picture : TBitmap32();
}

inline int MaxChannelDiff(TColor32 a, TColor32 b)
{
    return std::max({std::abs(RedOf(a) - RedOf(b)), std::abs(GreenOf(a) - GreenOf(b)), std::abs(BlueOf(a) - BlueOf(b))});
}

// The picture point (in pixels) of a point in the floor's frame, or (-1, -1) behind the camera.
inline QPointF PicturePoint(const TSceneCamera& camera, const std::array<double, 3>& p)
{
    const auto ndc = camera.Project(p);
    if (!ndc)
        return {-1, -1};
    const double x = camera.Clip.Sx * (*ndc)[0] + camera.Clip.Tx, y = camera.Clip.Sy * (*ndc)[1] + camera.Clip.Ty;
    return {(x + 1) / 2 * camera.Width, (1 - y) / 2 * camera.Height};
}
