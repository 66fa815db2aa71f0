#include "app/PhotoRequest.h"

#include "render/photo/PhotoRenderer.h"
#include "render/scene/SceneFraming.h"

#include <stdexcept>
#include <tuple>

int RequestedSamples(const TPhotoRequest& request)
{
    return request.Samples > 0 ? request.Samples : TPhotoOptions::DefaultSamples;
}

namespace {
auto Fields(const TCoverRenderSettings& s)
{
    // Smoothing is the 3D view's: a traced photo is the same with or without it.
    return std::tie(s.Type, s.AngleX, s.AngleY, s.LightElevation, s.LightAzimuth, s.Shadow, s.ShadowStrength, s.Zoom,
                    s.Background, s.CDPosition, s.Width, s.Height, s.ViewWidth, s.ViewHeight,
                    s.Crop, s.Transparent);
}

auto Fields(const TPhotoLook& l) { return std::tie(l.Reflection, l.Gloss, l.Blur); }

auto Fields(const TSceneCamera& c) { return std::tie(c.AngleX, c.Zoom, c.Aspect, c.Clip, c.Width, c.Height); }
} // namespace

bool SamePhoto(const TPhotoRequest& a, const TPhotoRequest& b)
{
    if (a.Camera.has_value() != b.Camera.has_value() || (a.Camera && Fields(*a.Camera) != Fields(*b.Camera)))
        return false;
    return a.Cover == b.Cover && RequestedSamples(a) == RequestedSamples(b) && Fields(a.Settings) == Fields(b.Settings)
        && Fields(a.Look) == Fields(b.Look);
}

TPhotoScene BuildRequestedScene(const TPhotoRequest& request)
{
    if (!request.Cover)
        throw std::runtime_error("There is no cover to trace.");
    TPhotoScene scene = BuildPhotoScene(*request.Cover, request.Settings, request.Look);
    if (request.Camera)
        scene.Camera = *request.Camera;
    return scene;
}

TSceneCamera PhotoTurntableCamera(const TPhotoRequest& request, int frames, QSize size)
{
    TPhotoRequest cut = request;
    cut.Settings.Crop = true;
    cut.Camera.reset();
    // The floor as the photo has it (seen or not, how deep the reflection reaches) from the scene itself.
    const TSceneFloor floor = BuildRequestedScene(cut).Floor;
    const TCoverRenderSettings& s = cut.Settings;
    TFramingInput in = FramingInputFor(*cut.Cover, s, s.ViewWidth, s.ViewHeight);
    in.ReflectionDepth = floor.Present && floor.Reflection > 0 ? floor.ReflectionFade : 0;
    const bool shadow = s.Shadow.value_or(!ClearsShadow(s.Type));
    return TurntableCamera(in, frames, shadow, size);
}
