#pragma once
// The rectangular key light: points drawn uniformly on it for next-event estimation, and the
// density with which a direction from a point would have drawn it, for weighting the BSDF's
// samples that hit it (multiple importance sampling).

#include "render/photo/PhotoMath.h"
#include "render/scene/PhotoScene.h"

struct TLightSample {
    TVec Wi;           // unit, from the shaded point to the light
    double Distance = 0;
    double Pdf = 0;    // per solid angle; 0 when the light faces away
};

class TAreaLight {
public:
    explicit TAreaLight(const TSceneLight& light);

    TLightSample Sample(TVec from, double u1, double u2) const;
    // The distance to the light along the ray and its density per solid angle, or false.
    bool Hit(TVec origin, TVec dir, double& distance, double& pdf) const;
    TRgb Radiance() const { return FRadiance; }
    bool Off() const { return MaxOf(FRadiance) <= 0; }
    // Irradiance of an unshadowed surface facing up (the floor), from the whole light.
    double FloorIrradiance() const;

private:
    double SolidAnglePdf(double distance, double cosLight) const;
    TVec FCorner, FU, FV, FNormal;
    double FArea;
    TRgb FRadiance;
    TVec FCentre;
};
