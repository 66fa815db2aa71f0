#pragma once
// How a point of the cover reflects light, in its local frame (the normal is +z): a diffuse base
// under a clear coat (print, paper, the case's insert) or a bare metal (disc, rings), the glossy
// part a GGX microfacet lobe with Smith shadowing and Schlick's Fresnel, sampled by its visible
// normals.

#include "render/photo/PhotoMath.h"

struct TSurface {
    TRgb Diffuse;          // albedo of the base (dielectrics)
    TRgb Specular;         // reflectance at normal incidence (the coat's, or the metal's colour)
    float Roughness = 0.5f;
    bool Metal = false;
};

struct TBsdfSample {
    TVec Wi;     // local
    TRgb F;      // the BSDF's value (without the cosine)
    double Pdf = 0;
};

class TBsdf {
public:
    explicit TBsdf(const TSurface& s);

    TRgb Eval(TVec wo, TVec wi) const;
    double Pdf(TVec wo, TVec wi) const;
    // Pdf 0 when no direction could be drawn.
    TBsdfSample Sample(TVec wo, double uLobe, double u1, double u2) const;

private:
    double D(TVec h) const;
    double Lambda(TVec w) const;
    double SpecularProbability(TVec wo) const;
    TSurface FS;
    double FAlpha;
    bool FHasSpecular, FHasDiffuse;
};
