#include "render/scene/CoverScene.h"

#include "render/TextureObject.h"
#include "render/scene/SceneMesh.h"

#include <QSize>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {
using TV = std::array<double, 3>;

constexpr double LightDistance = 10;  // from the cover's centre
constexpr double LightSide = 2.6;     // about 15 degrees seen from the cover: a soft shadow
constexpr double KeyIrradiance = 0.6; // of a white face turned to the light, before the sky
constexpr float SkyStrength = 0.35f;

double Degrees(float radians) { return double(radians) * 180 / std::numbers::pi; }

TV Cross(const TV& a, const TV& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

TV Scaled(const TV& v, double k) { return {v[0] * k, v[1] * k, v[2] * k}; }

TV Unit(const TV& v) { return Scaled(v, 1 / std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])); }

// A square light facing the cover from the light's direction.
TSceneLight KeyLight(const TV& direction)
{
    TSceneLight light;
    light.Direction = direction;
    light.Centre = Scaled(direction, LightDistance);
    // Any axis not along the direction gives the square's edges; the light is 6 degrees or more
    // above the horizon, so the x axis never is.
    const TV u = Unit(Cross(direction, {1, 0, 0})), v = Unit(Cross(direction, u));
    light.EdgeU = Scaled(u, LightSide);
    light.EdgeV = Scaled(v, LightSide);
    // Radiance over the light's solid angle gives KeyIrradiance x pi at normal incidence, so a
    // white diffuse face turned to the light shows KeyIrradiance of white from it.
    const double solidAngle = LightSide * LightSide / (LightDistance * LightDistance);
    const float radiance = float(KeyIrradiance * std::numbers::pi / solidAngle);
    light.Radiance = {radiance, radiance, radiance};
    return light;
}

std::array<TSceneMaterial, ScenePartCount> Materials(const TPhotoLook& look)
{
    const float gloss = look.Gloss / 100.0f;
    std::array<TSceneMaterial, ScenePartCount> m;
    auto& cover = m[size_t(TScenePart::CoverPrint)];
    cover.Texture = 0;
    cover.Roughness = 0.65f + (0.08f - 0.65f) * gloss; // matte print .. glossy laminate
    cover.Specular = 0.04f;
    auto& pages = m[size_t(TScenePart::PageBlock)];
    pages.Texture = 0;
    pages.Roughness = 0.9f;
    pages.Specular = 0.02f;
    auto& insert = m[size_t(TScenePart::CaseInsert)];
    insert.Texture = 0;
    insert.Roughness = std::min(cover.Roughness, 0.05f); // clear plastic is always glossy
    insert.Specular = 0.045f;
    auto& disc = m[size_t(TScenePart::Disc)];
    disc.Texture = 1;
    disc.Metal = true;
    disc.Cutout = true;
    disc.Roughness = 0.18f;
    auto& ring = m[size_t(TScenePart::RingMetal)];
    ring.Texture = 2;
    ring.Metal = true;
    ring.Cutout = true;
    ring.AlphaOnly = true;
    ring.Tint = {0.38f, 0.39f, 0.44f}; // dark steel
    ring.Roughness = 0.3f;
    return m;
}

std::vector<std::shared_ptr<const TSceneTexture>> Textures(const TComposedCover& cover)
{
    const auto disc = MakeDiscTexels();
    const auto ring = MakeRingTexels();
    return {std::make_shared<TSceneTexture>(TSceneTexture::FromAtlas(cover.Atlas)),
            std::make_shared<TSceneTexture>(TTextureObject::DiscSize, TTextureObject::DiscSize, disc.data(), false),
            std::make_shared<TSceneTexture>(TTextureObject::RingSize, TTextureObject::RingSize, ring.data(), true)};
}

TSceneRgb Linear(uint32_t argb)
{
    return {SrgbToLinear(int((argb >> 16) & 255)), SrgbToLinear(int((argb >> 8) & 255)), SrgbToLinear(int(argb & 255))};
}
} // namespace

void ValidateLook(const TPhotoLook& look)
{
    auto check = [](int v, const char* message) {
        if (v < 0 || v > 100)
            throw std::runtime_error(message);
    };
    check(look.Reflection, "The reflection must be between 0 and 100.");
    check(look.Gloss, "The gloss must be between 0 and 100.");
    check(look.Blur, "The reflection blur must be between 0 and 100.");
}

TFramingInput FramingInputFor(const TComposedCover& cover, const TCoverRenderSettings& s, int viewWidth,
                              int viewHeight)
{
    TFramingInput in;
    TCoverPlacement& c = in.Cover;
    c.Box = FitBoxToWindow(BoxProportionsFor(cover.FrontWidth, cover.FrontHeight, cover.SideWidth), viewWidth,
                           viewHeight);
    c.AngleY = s.AngleY ? double(*s.AngleY) : Degrees(cover.AngleY);
    c.IsCD = cover.IsCD;
    c.CDPosition = s.CDPosition;
    c.Paged = cover.Paged;
    c.BackRegion = cover.BackRegion;
    c.PageInset = cover.PageInset;
    c.Ring = cover.Ring;
    in.Light = LightDirection(s.LightElevation, s.LightAzimuth);
    in.AngleX = s.AngleX ? double(*s.AngleX) : Degrees(cover.AngleX);
    in.Zoom = ViewZoomDivisor(s.Zoom);
    in.ViewWidth = std::max(viewWidth, 1);
    in.ViewHeight = std::max(viewHeight, 1);
    return in;
}

TPhotoScene BuildPhotoScene(const TComposedCover& cover, const TCoverRenderSettings& s, const TPhotoLook& look)
{
    ValidateSettings(s);
    ValidateLook(look);
    if (cover.Atlas.Empty() || cover.FrontWidth <= 0)
        throw std::runtime_error("The cover could not be composed from these pictures.");
    const bool shadow = s.Shadow.value_or(!ClearsShadow(s.Type));

    // The view's shape as the headless renderer chooses it.
    QSize view(s.Width, s.Height);
    if (s.ViewWidth > 0 && s.ViewHeight > 0)
        view = QSize(s.ViewWidth, s.ViewHeight);
    else if (view.width() > 800 || view.height() > 800)
        view.scale(800, 800, Qt::KeepAspectRatio);
    // A whole picture is drawn as a view of the picture's own size, the box fitted to it.
    if (!s.Crop)
        view = QSize(s.Width, s.Height);
    TFramingInput in = FramingInputFor(cover, s, view.width(), view.height());

    TPhotoScene scene;
    TSceneFloor& floor = scene.Floor;
    floor.Y = in.Cover.FloorY();
    floor.ShadowStrength = shadow ? s.ShadowStrength : 0.0f;
    floor.Reflection = look.Reflection / 100.0f;
    floor.ReflectionFade = 0.6 * -floor.Y; // gone at 30 % of the cover's standing height
    floor.OcclusionReach = 2 * -floor.Y;   // the cover's standing height
    floor.Blur = look.Blur / 100.0f;
    // Seen from below its plane (some types' default angles) the floor would hide the cover.
    floor.Present = ViewCamera(in).Position()[1] > floor.Y + 1e-6;
    // A cut picture keeps the reflection in it; the whole view keeps the view's own fit, so
    // switching between the Standard and Photo pictures never moves the cover.
    if (s.Crop && floor.Present && floor.Reflection > 0)
        in.ReflectionDepth = floor.ReflectionFade;
    scene.Camera = s.Crop ? ContentCamera(in, shadow, QSize(s.Width, 0)) : WholeViewCamera(in);

    scene.Mesh = BuildCoverMesh(in.Cover);
    scene.Materials = Materials(look);
    scene.Textures = Textures(cover);
    scene.Light = KeyLight(in.Light);
    scene.Background = s.Background | 0xFF000000u;
    scene.Transparent = s.Transparent;
    // The sky takes the background's colour, lifted towards white so a dark background still
    // leaves some light on the cover's shaded sides.
    const TSceneRgb bg = Linear(scene.Background);
    for (size_t k = 0; k < 3; ++k) {
        scene.Sky[k] = SkyStrength * (0.45f + 0.55f * bg[k]);
        // The floor as the cover sees it is what the camera sees of it: the background colour.
        // (Key light and sky together light the floor about as much as that takes.)
        scene.Ground[k] = bg[k];
    }
    return scene;
}
