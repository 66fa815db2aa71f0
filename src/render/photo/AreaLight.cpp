#include "render/photo/AreaLight.h"

TAreaLight::TAreaLight(const TSceneLight& light)
    : FU(ToVec(light.EdgeU)), FV(ToVec(light.EdgeV)), FRadiance(ToRgb(light.Radiance)), FCentre(ToVec(light.Centre))
{
    FCorner = FCentre - (FU + FV) * 0.5;
    const TVec n = Cross(FU, FV);
    FArea = Length(n);
    FNormal = n * (1 / FArea);
    if (Dot(FNormal, FCentre) > 0) // the light shines towards the cover at the origin
        FNormal = -FNormal;
}

double TAreaLight::SolidAnglePdf(double distance, double cosLight) const
{
    return cosLight > 0 ? distance * distance / (FArea * cosLight) : 0;
}

TLightSample TAreaLight::Sample(TVec from, double u1, double u2) const
{
    TLightSample s;
    const TVec p = FCorner + FU * u1 + FV * u2;
    const TVec d = p - from;
    s.Distance = Length(d);
    s.Wi = d * (1 / s.Distance);
    s.Pdf = SolidAnglePdf(s.Distance, -Dot(FNormal, s.Wi));
    return s;
}

bool TAreaLight::Hit(TVec origin, TVec dir, double& distance, double& pdf) const
{
    const double cosLight = -Dot(FNormal, dir);
    if (cosLight <= 0)
        return false;
    const double t = Dot(FCorner - origin, FNormal) / Dot(dir, FNormal);
    if (!(t > 0))
        return false;
    const TVec q = origin + dir * t - FCorner;
    const double a = Dot(q, FU) / Dot(FU, FU), b = Dot(q, FV) / Dot(FV, FV);
    if (a < 0 || a > 1 || b < 0 || b > 1)
        return false;
    distance = t;
    pdf = SolidAnglePdf(t, cosLight);
    return true;
}

double TAreaLight::FloorIrradiance() const
{
    // The light is small and far: its solid angle times the cosine at the cover's centre.
    const double d = Length(FCentre);
    const double cosLight = -Dot(FNormal, FCentre * (-1 / d));
    const double solidAngle = FArea * std::fabs(cosLight) / (d * d);
    return Luminance(FRadiance) * solidAngle * (FCentre.y / d);
}
