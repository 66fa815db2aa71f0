#include "render/D3DRenderer.h"

#include "cover/Composition.h"
#include "render/Accumulator.h"
#include "render/GLHeaders.h"
#include "render/SoftShadow.h"
#include "render/TextureObject.h"

#include <algorithm>
#include <numbers>

namespace {
constexpr long double Pi = std::numbers::pi_v<long double>;
} // namespace

TD3DRenderer::TD3DRenderer() { SetLight(0.72f, 0.1f); }

TD3DRenderer::~TD3DRenderer() = default; // GL objects are freed by ReleaseGL with the context current

void TD3DRenderer::SetAngleX(float radians) { FAngleX = float(180.0L * radians / Pi); }
void TD3DRenderer::SetAngleY(float radians) { FAngleY = float(180.0L * radians / Pi); }
float TD3DRenderer::GetAngleX() const { return float(FAngleX / 180.0L * Pi); }
float TD3DRenderer::GetAngleY() const { return float(FAngleY / 180.0L * Pi); }

void TD3DRenderer::SetPageInset(float value)
{
    if (value > 0 && value < 100)
        FPageInset = value;
}

void TD3DRenderer::SetZoom(float v)
{
    if (!ViewZoomAccepted(v))
        return; // at or below the floor the field of view would turn over
    FZoom = float(ViewZoomDivisor(v));
    // Applied by the next frame, with this view's context current (another view's may be now).
    FProjectionDirty = true;
}

void TD3DRenderer::SetShadowStrength(float v)
{
    if (v >= 0 && v <= 1)
        FShadowStrength = v;
}

void TD3DRenderer::SetLight(float elevation, float azimuth)
{
    const auto d = LightDirection(elevation, azimuth);
    FLightPos = {float(d[0]), float(d[1]), float(d[2]), 0.0f};
}

TCoverPlacement TD3DRenderer::Placement() const
{
    TCoverPlacement c;
    c.Box = BoxSize();
    c.AngleY = FAngleY;
    c.IsCD = FIsCD;
    c.CDPosition = FCDPosition;
    c.Paged = FPagedBook;
    c.BackRegion = FBackRegion;
    c.PageInset = FPageInset;
    c.Ring = FRingBinding;
    c.RingRadius = FRingRadius;
    c.RingRepeat = FRingRepeat;
    return c;
}

TFramingInput TD3DRenderer::FramingInput(double viewPixelsPerPixel) const
{
    TFramingInput in;
    in.Cover = Placement();
    in.Light = {FLightPos[0], FLightPos[1], FLightPos[2]};
    in.AngleX = FAngleX;
    in.Zoom = FZoom;
    in.ViewWidth = FWidth;
    in.ViewHeight = FHeight;
    // Before a cover is shown there is no shadow to keep in the view.
    in.FitShadow = FFitShadow && FCoverTexture && FCoverTexture->Loaded();
    if (FSmooth) {
        // Every jitter grid stays below 3 of its units (JitterOffset, SmoothSampleOffset).
        in.JitterX = 3.0 / FZoom * FInvWidth * viewPixelsPerPixel;
        in.JitterY = 3.0 / FZoom * FInvHeight * viewPixelsPerPixel;
    }
    return in;
}

TSceneCamera TD3DRenderer::Camera() const
{
    TSceneCamera camera = ViewCamera(FramingInput());
    camera.Clip = FClip;
    if (FCameraAspect > 0) // a framed export keeps the view's shape
        camera.Aspect = FCameraAspect;
    return camera;
}

void TD3DRenderer::UpdateFraming()
{
    const TClipMap fit = ViewFit(FramingInput());
    if (!(fit == FClip)) {
        FClip = fit;
        FProjectionDirty = true;
    }
}

bool TD3DRenderer::InitGL(int width, int height)
{
    if (!glGetString(GL_VERSION))
        return false;
    width = std::max(width, 1);
    height = std::max(height, 1);
    FInvWidth = 1.0f / float(width);
    FInvHeight = 1.0f / float(height);
    SetupProjection(width, height);
    glEnable(GL_AUTO_NORMAL);
    glClearColor(1, 1, 1, 1);
    FBackColor = (FBackColor & 0xFF000000u) | 0x00FFFFFFu;
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    if (!BuildGeometry(true)) {
        ReleaseGL(); // with this context current, as the lists and the quadric need
        return false;
    }
    SetupLighting();
    FCoverTexture = std::make_unique<TTextureObject>(nullptr, TTextureKind::Cover);
    FDiscTexture = std::make_unique<TTextureObject>(nullptr, TTextureKind::Disc);
    FRingTexture = std::make_unique<TTextureObject>(nullptr, TTextureKind::Ring);
    FGLReady = glGetError() == GL_NO_ERROR;
    if (!FGLReady)
        ReleaseGL(); // the textures are freed now, while their context is current
    return FGLReady;
}

void TD3DRenderer::ReleaseGL()
{
    FCoverTexture.reset();
    FRingTexture.reset();
    FDiscTexture.reset();
    FAccumulator.reset();
    FSoftShadow.reset();
    for (unsigned* list : {&FListBox, &FListDisc, &FListRing}) {
        if (*list)
            glDeleteLists(*list, 1);
        *list = 0;
    }
    if (FQuadric)
        gluDeleteQuadric(static_cast<GLUquadric*>(FQuadric));
    FQuadric = nullptr;
    FGLReady = false;
}

void TD3DRenderer::SetupProjection(int width, int height)
{
    width = std::max(width, 1);
    height = std::max(height, 1); // a zero height would divide by zero in the aspect
    FProjectionDirty = false;
    FWidth = width;
    FHeight = height;
    TClipMap tileMap;
    if (const TRenderTile* t = FTile) {
        // Clip-space scale and shift that make this tile of the W x H picture fill the viewport.
        glViewport(0, 0, t->W, t->H);
        const double xa = 2.0 * t->X / width - 1, xb = 2.0 * (t->X + t->W) / width - 1;
        const double ya = 2.0 * t->Y / height - 1, yb = 2.0 * (t->Y + t->H) / height - 1;
        tileMap = {2 / (xb - xa), 2 / (yb - ya), -(xa + xb) / (xb - xa), -(ya + yb) / (yb - ya)};
    } else {
        glViewport(0, 0, width, height);
    }
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf((ClipMatrix(tileMap) * Camera().Projection()).constData());
    glMatrixMode(GL_MODELVIEW);
    // Each part loads its own model-view; the lights are directional and set under this one, so
    // they stay fixed to the eye whatever the cover's angles.
    glLoadIdentity();
}

void TD3DRenderer::SetupLighting()
{
    FAmbient = {0.7f, 0.7f, 0.7f, 1.0f};
    FMaterial = {0.95f, 0.95f, 0.95f, 1.0f};
    SetLight(0.72f, 0.1f);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, FAmbient.data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, FMaterial.data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, FMaterial.data());
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 100.0f);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, FMaterial.data());
    glLightfv(GL_LIGHT0, GL_SPECULAR, FMaterial.data());
    glEnable(GL_LIGHT1);
    const float light1[4] = {0, 0, 6, 0}; // directional, from the viewer's side
    glLightfv(GL_LIGHT1, GL_POSITION, light1);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, FMaterial.data());
}

TBoxSize TD3DRenderer::BoxSize() const
{
    if (FCoverTexture && FCoverTexture->Loaded())
        return {FCoverTexture->FSizeX, FCoverTexture->FSizeY, FCoverTexture->FSizeZ};
    return FitBoxToWindow({1, 1, 1}, FWidth, FHeight);
}

bool TD3DRenderer::BuildGeometry(bool withDisc)
{
    TBoxSize box{1, 1, 1};
    if (FCoverTexture && FCoverTexture->Loaded())
        box = {FCoverTexture->NaturalX(), FCoverTexture->NaturalY(), FCoverTexture->NaturalZ()};
    // Fitting always starts from the loaded proportions, so a later render at another shape
    // (an export size) does not compound with the fit of the window.
    box = FitBoxToWindow(box, FWidth, FHeight);
    if (FCoverTexture && FCoverTexture->Loaded()) {
        FCoverTexture->FSizeX = box.X;
        FCoverTexture->FSizeY = box.Y;
        FCoverTexture->FSizeZ = box.Z;
    }
    FListBox = CompileBoxList(FListBox, {box, FPagedBook, FPageInset, FBackRegion});
    FListRing = CompileRingList(FListRing, box, FRingRadius, FRingRepeat);
    if (withDisc) {
        if (!FQuadric)
            FQuadric = gluNewQuadric();
        if (!FQuadric)
            return false;
        gluQuadricTexture(static_cast<GLUquadric*>(FQuadric), GL_TRUE);
        FListDisc = CompileDiscList(FListDisc, FQuadric);
    }
    return FListBox != 0 && FListRing != 0 && (!withDisc || FListDisc != 0);
}

void TD3DRenderer::LoadCover(const TBitmap32* atlas, int frontWidth, int frontHeight, int sideWidth)
{
    if (!FGLReady || !atlas || atlas->Empty() || frontWidth <= 0)
        return;
    FCoverTexture->LoadBitmap(atlas, frontWidth, frontHeight, sideWidth);
    FBackRegion = AtlasHasBack(atlas->Width(), frontWidth, sideWidth);
    BuildGeometry(false);
}

void TD3DRenderer::SetAccumulator(std::unique_ptr<TAccumulator> accumulator) { FAccumulator = std::move(accumulator); }
