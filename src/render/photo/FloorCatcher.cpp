#include "render/photo/FloorCatcher.h"

#include <algorithm>
#include <numbers>

namespace {
TSurface MirrorSurface(float blur)
{
    TSurface s;
    s.Metal = true;
    s.Specular = {1, 1, 1};
    s.Roughness = 0.02f + 0.55f * blur;
    return s;
}
} // namespace

TFloorCatcher::TFloorCatcher(const TPhotoScene& scene, const TCoverTransport& transport)
    : FFloor(scene.Floor), FTransport(transport), FMirror(MirrorSurface(scene.Floor.Blur))
{
    const double light = transport.Light().FloorIrradiance();
    const double sky = std::numbers::pi * Luminance(ToRgb(scene.Sky));
    FLightShare = light + sky > 0 ? light / (light + sky) : 0;
}

float TFloorCatcher::Shadow(TVec p, TSampler& sampler) const
{
    const TVec up{0, 1, 0};
    // The key light: one point of the rectangle, so the penumbra comes from the light's size.
    const auto ul = sampler.Next2D();
    double lightHidden = 0;
    if (FLightShare > 0) {
        const TLightSample ls = FTransport.Light().Sample(p, ul[0], ul[1]);
        if (ls.Pdf > 0 && ls.Wi.y > 0)
            lightHidden = 1 - FTransport.Transmittance(OffsetFrom(p, up, ls.Wi), ls.Wi, ls.Distance);
    }
    // The sky: a cosine-weighted direction, which gives the contact shadow where cover meets floor.
    const auto us = sampler.Next2D();
    const double r = std::sqrt(us[0]), phi = 2 * std::numbers::pi * us[1];
    const TVec wi{r * std::cos(phi), std::sqrt(std::max(0.0, 1 - us[0])), r * std::sin(phi)};
    const double skyHidden = 1 - FTransport.Transmittance(OffsetFrom(p, up, wi), wi, FFloor.OcclusionReach);
    // Exactly 1 where nothing is hidden, so the unshadowed floor is exactly the background.
    return float(1 - FFloor.ShadowStrength * (FLightShare * lightHidden + (1 - FLightShare) * skyHidden));
}

TFloorShade TFloorCatcher::Shade(TVec p, TVec dir, TSampler& sampler) const
{
    TFloorShade shade;
    if (FFloor.ShadowStrength > 0)
        shade.Kept = Shadow(p, sampler);
    if (FFloor.Reflection <= 0)
        return shade;
    // The mirrored direction, spread by the blur: the floor as a glossy mirror facing up.
    const TFrame frame(TVec{0, 1, 0});
    const auto u = sampler.Next2D();
    const TBsdfSample s = FMirror.Sample(frame.ToLocal(-dir), 0, u[0], u[1]);
    if (s.Pdf <= 0)
        return shade;
    const TVec wi = frame.ToWorld(s.Wi);
    TRayHit hit;
    if (!FTransport.NextSurface(OffsetFrom(p, {0, 1, 0}, wi), wi, 1e30, sampler, hit))
        return shade;
    const double height = hit.Pos.y - FFloor.Y;
    const double fade = std::clamp(1 - height / FFloor.ReflectionFade, 0.0, 1.0);
    shade.Reflection = float(FFloor.Reflection * fade * fade);
    if (shade.Reflection > 0)
        shade.Reflected = FTransport.Radiance(hit, wi, sampler);
    return shade;
}
