#pragma once
// The floor as a catcher of the cover's shadow and reflection: where neither reaches it shows the
// background exactly, so the picture's floor and background are one colour. The shadow is the
// fraction of the key light and of the sky the cover hides from a floor point (soft from the
// light's size, dark where the cover meets the floor); the reflection is the cover's radiance in
// the mirrored (blurred) direction, fading with the height of what it mirrors.

#include "render/photo/CoverTransport.h"

struct TFloorShade {
    float Kept = 1;       // the light left after the shadow, 0..1
    float Reflection = 0; // how much of the reflected cover covers the floor here, 0..1
    TRgb Reflected;       // the cover's radiance seen in the floor
};

class TFloorCatcher {
public:
    TFloorCatcher(const TPhotoScene& scene, const TCoverTransport& transport);

    // The floor at point p, seen along dir.
    TFloorShade Shade(TVec p, TVec dir, TSampler& sampler) const;

private:
    float Shadow(TVec p, TSampler& sampler) const;

    const TSceneFloor& FFloor;
    const TCoverTransport& FTransport;
    double FLightShare = 0; // the key light's part of the floor's light; the sky has the rest
    TBsdf FMirror;
};
