#include "render/photo/CoverTransport.h"

#include <algorithm>

namespace {
constexpr int MaxPassThrough = 8; // see-through layers one ray may cross

TRgb Clamped(TRgb c, float limit)
{
    const float m = MaxOf(c);
    return m > limit ? c * (limit / m) : c;
}

double PowerHeuristic(double a, double b) { return a * a / (a * a + b * b); }
} // namespace

TVec OffsetFrom(TVec p, TVec ng, TVec dir)
{
    const double scale = 1 + std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
    const double eps = 4e-5 * scale; // well above float rounding of the hit, below any box's thickness
    return p + ng * (Dot(ng, dir) > 0 ? eps : -eps);
}

TCoverTransport::TCoverTransport(const TPhotoScene& scene, const TRayScene& rays)
    : FScene(scene), FRays(rays), FLight(scene.Light)
{
}

TMaterialPoint TCoverTransport::MaterialAt(const TRayHit& hit) const
{
    const TSceneMaterial& m = FScene.Materials[size_t(hit.Part)];
    std::array<float, 4> tex{1, 1, 1, 1};
    if (m.Texture >= 0 && size_t(m.Texture) < FScene.Textures.size())
        tex = FScene.Textures[size_t(m.Texture)]->Sample(hit.S, hit.Tc);
    const TRgb tint = ToRgb(m.Tint);
    const TRgb colour = m.AlphaOnly ? tint : TRgb{tex[0], tex[1], tex[2]} * tint;
    TMaterialPoint p;
    p.Albedo = colour;
    p.Coverage = m.Cutout ? tex[3] : 1.0f;
    p.Surface.Roughness = m.Roughness;
    p.Surface.Metal = m.Metal;
    if (m.Metal) {
        p.Surface.Specular = colour;
    } else {
        p.Surface.Diffuse = colour;
        p.Surface.Specular = {m.Specular, m.Specular, m.Specular};
    }
    return p;
}

bool TCoverTransport::NextSurface(TVec o, TVec d, double tMax, TSampler& sampler, TRayHit& hit) const
{
    for (int i = 0; i < MaxPassThrough; ++i) {
        if (!FRays.Intersect(o, d, 0, tMax, hit))
            return false;
        if (!FScene.Materials[size_t(hit.Part)].Cutout)
            return true;
        const float coverage = MaterialAt(hit).Coverage;
        if (coverage >= 1 || sampler.Next1D() < coverage)
            return true;
        o = OffsetFrom(hit.Pos, hit.Ng, d);
        tMax -= hit.T;
    }
    return false;
}

double TCoverTransport::Transmittance(TVec o, TVec d, double distance) const
{
    double passed = 1;
    TRayHit hit;
    for (int i = 0; i < MaxPassThrough && passed > 0; ++i) {
        if (!FRays.Intersect(o, d, 0, distance, hit))
            return passed;
        if (!FScene.Materials[size_t(hit.Part)].Cutout)
            return 0;
        passed *= 1 - MaterialAt(hit).Coverage;
        o = OffsetFrom(hit.Pos, hit.Ng, d);
        distance -= hit.T;
    }
    return 0;
}

TRgb TCoverTransport::Surroundings(TVec dir) const { return ToRgb(dir.y >= 0 ? FScene.Sky : FScene.Ground); }

TRgb TCoverTransport::Radiance(const TRayHit& first, TVec dir, TSampler& sampler) const
{
    TRgb total, throughput{1, 1, 1};
    TRayHit hit = first;
    auto add = [&](TRgb c, int bounce) { total += bounce == 0 ? c : Clamped(c, IndirectClamp); };
    for (int bounce = 0; bounce < MaxBounces; ++bounce) {
        const TVec wo = -dir;
        const TVec ng = Dot(hit.Ng, wo) >= 0 ? hit.Ng : -hit.Ng;
        TVec ns = Dot(hit.Ns, ng) >= 0 ? hit.Ns : -hit.Ns;
        if (Dot(ns, wo) <= 0)
            ns = ng; // an interpolated normal turned away from the viewer: use the flat one
        const TFrame frame(ns);
        const TBsdf bsdf(MaterialAt(hit).Surface);
        const TVec woL = frame.ToLocal(wo);
        const TVec p = hit.Pos;

        // The key light, sampled directly.
        const auto ul = sampler.Next2D();
        if (!FLight.Off()) {
            const TLightSample ls = FLight.Sample(p, ul[0], ul[1]);
            if (ls.Pdf > 0 && Dot(ls.Wi, ng) > 0) {
                const TVec wiL = frame.ToLocal(ls.Wi);
                const TRgb f = bsdf.Eval(woL, wiL);
                if (MaxOf(f) > 0) {
                    const double t = Transmittance(OffsetFrom(p, ng, ls.Wi), ls.Wi, ls.Distance);
                    if (t > 0) {
                        const double w = PowerHeuristic(ls.Pdf, bsdf.Pdf(woL, wiL));
                        add(throughput * f * FLight.Radiance() * float(wiL.z * t * w / ls.Pdf), bounce);
                    }
                }
            }
        }

        // The BSDF's own direction: the next surface, the light or the surroundings.
        const auto ub = sampler.Next2D();
        const double lobe = sampler.Next1D();
        const TBsdfSample bs = bsdf.Sample(woL, lobe, ub[0], ub[1]);
        if (bs.Pdf <= 0)
            break;
        const TVec wi = frame.ToWorld(bs.Wi);
        if (Dot(wi, ng) <= 0)
            break; // below the true surface: the shading normal promised light that is not there
        throughput = throughput * bs.F * float(bs.Wi.z / bs.Pdf);
        if (!(MaxOf(throughput) > 0))
            break;
        const TVec o = OffsetFrom(p, ng, wi);
        TRayHit next;
        if (NextSurface(o, wi, 1e30, sampler, next)) {
            hit = next;
            dir = wi;
            continue;
        }
        double lightDistance = 0, lightPdf = 0;
        if (!FLight.Off() && FLight.Hit(o, wi, lightDistance, lightPdf))
            add(throughput * FLight.Radiance() * float(PowerHeuristic(bs.Pdf, lightPdf)), bounce);
        else
            add(throughput * Surroundings(wi), bounce);
        break;
    }
    return total;
}
