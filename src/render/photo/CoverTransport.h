#pragma once
// Light transport on the cover: the radiance leaving a point of it, by a path traced with
// next-event estimation of the key light and multiple importance sampling (power heuristic)
// against the BSDF's own samples; the sky and the floor's bounce light as its surroundings; the
// see-through parts (disc, rings) passed or stopped by their coverage.
//
// Clamped: after the first bounce a path's contribution is limited to IndirectClamp (in units
// of white), so a rare path from the small bright light through a glossy bounce cannot leave a
// firefly. Direct light and light seen through a single reflection are never clamped.

#include "render/photo/AreaLight.h"
#include "render/photo/Bsdf.h"
#include "render/photo/RayScene.h"
#include "render/photo/Sampler.h"

struct TMaterialPoint {
    TSurface Surface;
    TRgb Albedo;          // what the picture's colour is made of there (for the noise filter)
    float Coverage = 1;   // 1: opaque
};

class TCoverTransport {
public:
    static constexpr int MaxBounces = 3;
    static constexpr float IndirectClamp = 4.0f;

    TCoverTransport(const TPhotoScene& scene, const TRayScene& rays);

    TMaterialPoint MaterialAt(const TRayHit& hit) const;
    // The first surface along the ray that stops it: clear parts of the disc and rings are passed
    // with the probability of their clearness.
    bool NextSurface(TVec origin, TVec dir, double tMax, TSampler& sampler, TRayHit& hit) const;
    // The fraction of light that gets through along a segment (0 behind anything opaque).
    double Transmittance(TVec origin, TVec dir, double distance) const;
    // The radiance leaving hit back along dir (the direction the ray travelled).
    TRgb Radiance(const TRayHit& hit, TVec dir, TSampler& sampler) const;
    // What a ray that leaves the cover sees: the sky above the horizon, the floor below.
    TRgb Surroundings(TVec dir) const;

    const TAreaLight& Light() const { return FLight; }
    const TRayScene& Rays() const { return FRays; }

private:
    const TPhotoScene& FScene;
    const TRayScene& FRays;
    TAreaLight FLight;
};

// A point moved off a surface to the side the ray leaves by, so the ray cannot hit the surface
// it starts on (no self-shadowing acne) while staying closer than any neighbouring surface.
TVec OffsetFrom(TVec p, TVec geometricNormal, TVec dir);
