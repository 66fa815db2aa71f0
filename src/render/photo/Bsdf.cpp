#include "render/photo/Bsdf.h"

#include <algorithm>
#include <numbers>

namespace {
constexpr double Pi = std::numbers::pi;

double SchlickWeight(double cosine)
{
    const double m = std::clamp(1 - cosine, 0.0, 1.0), m2 = m * m;
    return m2 * m2 * m;
}

TRgb Schlick(TRgb f0, double cosine)
{
    const float w = float(SchlickWeight(cosine));
    return {f0.r + (1 - f0.r) * w, f0.g + (1 - f0.g) * w, f0.b + (1 - f0.b) * w};
}
} // namespace

TBsdf::TBsdf(const TSurface& s)
    : FS(s), FAlpha(std::max(double(s.Roughness) * s.Roughness, 1e-4)), FHasSpecular(s.Metal || MaxOf(s.Specular) > 0),
      FHasDiffuse(!s.Metal && MaxOf(s.Diffuse) > 0)
{
}

double TBsdf::D(TVec h) const
{
    const double a2 = FAlpha * FAlpha, c2 = h.z * h.z;
    const double d = c2 * (a2 - 1) + 1;
    return a2 / (Pi * d * d);
}

double TBsdf::Lambda(TVec w) const
{
    const double c2 = w.z * w.z;
    if (c2 >= 1)
        return 0;
    const double t2 = (1 - c2) / c2;
    return (-1 + std::sqrt(1 + FAlpha * FAlpha * t2)) / 2;
}

double TBsdf::SpecularProbability(TVec wo) const
{
    if (!FHasSpecular)
        return 0;
    if (!FHasDiffuse)
        return 1;
    // Glossy coats get more of the samples: their highlight is where the noise would be.
    const double f = MaxOf(FS.Specular) + (1 - MaxOf(FS.Specular)) * SchlickWeight(wo.z);
    return std::clamp(f + (FS.Roughness < 0.2f ? 0.4 : 0.15), 0.0, 0.8);
}

TRgb TBsdf::Eval(TVec wo, TVec wi) const
{
    if (wo.z <= 0 || wi.z <= 0)
        return {};
    TRgb f;
    if (FHasDiffuse) {
        // The coat reflects a part; the rest reaches the base (energy stays at most one).
        const float kd = FHasSpecular ? float(1 - (MaxOf(FS.Specular) + (1 - MaxOf(FS.Specular)) * SchlickWeight(wo.z))) : 1;
        f = FS.Diffuse * float(kd / Pi);
    }
    if (FHasSpecular) {
        const TVec h = Normalized(wo + wi);
        const double g = 1 / (1 + Lambda(wo) + Lambda(wi));
        const double spec = D(h) * g / (4 * wo.z * wi.z);
        f += Schlick(FS.Specular, Dot(wo, h)) * float(spec);
    }
    return f;
}

double TBsdf::Pdf(TVec wo, TVec wi) const
{
    if (wo.z <= 0 || wi.z <= 0)
        return 0;
    const double ps = SpecularProbability(wo);
    double pdf = (1 - ps) * wi.z / Pi;
    if (ps > 0) {
        const TVec h = Normalized(wo + wi);
        const double g1 = 1 / (1 + Lambda(wo));
        pdf += ps * g1 * D(h) / (4 * wo.z);
    }
    return pdf;
}

TBsdfSample TBsdf::Sample(TVec wo, double uLobe, double u1, double u2) const
{
    TBsdfSample s;
    if (wo.z <= 0)
        return s;
    if (uLobe < SpecularProbability(wo)) {
        // Visible normals of the GGX distribution (Heitz 2018).
        const TVec vh = Normalized({FAlpha * wo.x, FAlpha * wo.y, wo.z});
        const double lensq = vh.x * vh.x + vh.y * vh.y;
        const TVec t1 = lensq > 0 ? TVec{-vh.y, vh.x, 0} * (1 / std::sqrt(lensq)) : TVec{1, 0, 0};
        const TVec t2 = Cross(vh, t1);
        const double r = std::sqrt(u1), phi = 2 * Pi * u2;
        const double p1 = r * std::cos(phi);
        const double sw = 0.5 * (1 + vh.z);
        const double p2 = (1 - sw) * std::sqrt(std::max(0.0, 1 - p1 * p1)) + sw * r * std::sin(phi);
        const TVec nh = t1 * p1 + t2 * p2 + vh * std::sqrt(std::max(0.0, 1 - p1 * p1 - p2 * p2));
        const TVec h = Normalized({FAlpha * nh.x, FAlpha * nh.y, std::max(1e-9, nh.z)});
        s.Wi = h * (2 * Dot(wo, h)) - wo;
    } else {
        const double r = std::sqrt(u1), phi = 2 * Pi * u2;
        s.Wi = {r * std::cos(phi), r * std::sin(phi), std::sqrt(std::max(0.0, 1 - u1))};
    }
    if (s.Wi.z <= 0)
        return s;
    s.Pdf = Pdf(wo, s.Wi);
    s.F = Eval(wo, s.Wi);
    return s;
}
