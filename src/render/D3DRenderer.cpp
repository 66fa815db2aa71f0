#include "render/D3DRenderer.h"

#include "render/Accumulator.h"
#include "render/GLHeaders.h"
#include "render/SoftShadow.h"
#include "render/TextureObject.h"

#include <QMatrix4x4>
#include <QVector4D>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {
constexpr long double Pi = std::numbers::pi_v<long double>;
constexpr long double FieldOfView = 28.1L;
// The zoom at which the field of view 28.1 / (2 v^2 - 1) reaches 180 degrees.
const float ZoomFloor = float(std::sqrt((1.0L + FieldOfView / 180.0L) / 2.0L));
constexpr int MarginPixels = 2; // around the content of a framed picture or a fitted view
} // namespace

void BuildShadowMatrix(std::array<float, 16>& m, const std::array<float, 4>& p, const std::array<float, 4>& l)
{
    const float dot = float((long double)p[0] * l[0] + (long double)p[1] * l[1] + (long double)p[2] * l[2] +
                            (long double)p[3] * l[3]);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            m[4 * c + r] = (r == c ? dot : 0.0f) - l[r] * p[c];
}

void JitterOffset(int pass, int passes, float& gridX, float& gridY)
{
    const float s = std::sqrt(float(passes));
    const int r = std::max(1, int(std::lround(s)));
    gridX = float(pass / r) * 3.0f / s;
    gridY = float(pass % r) * 3.0f / s;
}

void SmoothSampleOffset(int sample, int samples, float& gridX, float& gridY)
{
    const int rows = std::max(1, int(std::lround(std::sqrt(float(std::max(samples, 1))))));
    const int columns = std::max(1, (samples + rows - 1) / rows);
    const int column = sample / rows, row = sample % rows;
    // Within its cell each sample sits at a different fraction in x and in y, so an edge that is
    // nearly level or upright meets as many distinct positions as there are samples.
    gridX = (float(column) + (float(row) + 0.5f) / float(rows)) * 3.0f / float(columns);
    gridY = (float(row) + (float(column) + 0.5f) / float(columns)) * 3.0f / float(rows);
}

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
    if (!(v > 0 && v < 10) || (v < 1 && v <= ZoomFloor))
        return; // at or below the floor the field of view would turn over
    FZoom = v >= 1 ? v : 2 * v * v - 1;
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
    elevation = std::clamp(elevation, 0.0f, 1.0f);
    azimuth = std::clamp(azimuth, 0.0f, 1.0f);
    // 6 to 90 degrees above the horizon, a full turn around the vertical axis.
    const double e = 1.4660765716752369 * elevation + 0.10471975511965978;
    const double a = 6.283185307179586 * azimuth;
    FLightPos = {float(std::cos(e) * std::cos(a)), float(std::sin(e)), float(std::cos(e) * std::sin(a)), 0.0f};
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
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (const TRenderTile* t = FTile) {
        // Clip-space scale and shift that make this tile of the W x H picture fill the viewport.
        glViewport(0, 0, t->W, t->H);
        const double xa = 2.0 * t->X / width - 1, xb = 2.0 * (t->X + t->W) / width - 1;
        const double ya = 2.0 * t->Y / height - 1, yb = 2.0 * (t->Y + t->H) / height - 1;
        glScaled(2.0 / (xb - xa), 2.0 / (yb - ya), 1.0);
        glTranslated(-(xa + xb) / 2, -(ya + yb) / 2, 0.0);
    } else {
        glViewport(0, 0, width, height);
    }
    glTranslated(FClip.Tx, FClip.Ty, 0.0);
    glScaled(FClip.Sx, FClip.Sy, 1.0);
    const double aspect = FCameraAspect > 0 ? double(FCameraAspect) : double(width) / double(height);
    gluPerspective(double(FieldOfView / FZoom), aspect, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -3);
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
    FListBox = CompileBoxList(FListBox, {box, FPagedBook, FPageInset});
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
    BuildGeometry(false);
}

void TD3DRenderer::SetAccumulator(std::unique_ptr<TAccumulator> accumulator) { FAccumulator = std::move(accumulator); }

void TD3DRenderer::Paint()
{
    if (!FGLReady)
        return;
    if (!FExportFraming)
        UpdateFraming();
    if (FProjectionDirty)
        SetupProjection(FWidth, FHeight);
    if (FSmooth)
        PaintSmoothed(std::max<int>(1, FPasses));
    else
        PaintAccumulated(1);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void TD3DRenderer::PaintAccumulated(int passes)
{
    const int n = std::max(1, passes);
    if (n == 1) {
        DrawPass(0, 1);
        return;
    }
    if (!FAccumulator)
        FAccumulator = TAccumulator::CreateBest();
    FAccumulator->Begin(FTile ? FTile->W : FWidth, FTile ? FTile->H : FHeight);
    for (int i = 0; i < n; ++i) {
        DrawPass(i, n);
        FAccumulator->Accumulate(1.0f / float(n));
    }
    FAccumulator->Return();
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void TD3DRenderer::PaintSmoothed(int passes)
{
    const int targetW = FTile ? FTile->W : FWidth, targetH = FTile ? FTile->H : FHeight;
    GLint alphaBits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    // The soft layer goes under the averaged edge passes at the end, through the coverage that
    // the passes leave in alpha; without alpha bits the shadow stays in every pass.
    const bool layer = FShadow && alphaBits > 0 && RenderSoftShadow(targetW, targetH);
    FCoverageAlpha = layer || FTransparent;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FCoverageAlpha};
    if (!FAccumulator)
        FAccumulator = TAccumulator::CreateBest();
    FAccumulator->Begin(targetW, targetH);
    for (int i = 0; i < passes; ++i) {
        float gx = 0, gy = 0;
        SmoothSampleOffset(i, passes, gx, gy);
        FJitterX = gx * (1.0f / FZoom) * FInvWidth;
        FJitterY = gy * (1.0f / FZoom) * FInvHeight;
        ClearPass();
        if (FShadow && !layer)
            DrawShadow(30 * FJitterX, 30 * FJitterY, 0);
        DrawBox();
        FAccumulator->Accumulate(1.0f / float(passes));
    }
    FAccumulator->Return();
    if (layer) {
        FSoftShadow->ComposeUnder(RedOf(FBackColor) / 255.0f, GreenOf(FBackColor) / 255.0f,
                                  BlueOf(FBackColor) / 255.0f, FTransparent);
        if (!FTransparent) { // what the window shows is opaque
            glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        }
    }
}

bool TD3DRenderer::RenderSoftShadow(int width, int height)
{
    if (FSoftShadowFailed)
        return false;
    if (!FSoftShadow) {
        if (!TSoftShadow::Supported()) {
            FSoftShadowFailed = true;
            return false;
        }
        FSoftShadow = std::make_unique<TSoftShadow>();
    }
    if (!FSoftShadow->Begin(width, height)) {
        FSoftShadow.reset();
        FSoftShadowFailed = true;
        return false;
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    const float darkness = 0.27f * FShadowStrength / float(ShadowSamples);
    for (int k = 0; k < ShadowSamples; ++k) {
        float gx = 0, gy = 0;
        SmoothSampleOffset(k, ShadowSamples, gx, gy);
        FSoftShadow->Sample(k, darkness);
        DrawShadowGeometry(30 * gx / FZoom * FInvWidth, 30 * gy / FZoom * FInvHeight, 0, false);
    }
    FSoftShadow->End();
    return true;
}

void TD3DRenderer::ClearPass()
{
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const float clearAlpha = FCoverageAlpha || FTransparent ? 0.0f : 1.0f;
    if (FTransparent)
        glClearColor(0, 0, 0, 0);
    else
        glClearColor(RedOf(FBackColor) / 255.0f, GreenOf(FBackColor) / 255.0f, BlueOf(FBackColor) / 255.0f, clearAlpha);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The picture is opaque: texture alpha must not punch holes into what the window shows. A
    // transparent or layered picture keeps alpha as coverage: the box writes its lit alpha (1).
    if (!FTransparent && !FCoverageAlpha)
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_AUTO_NORMAL);
    glLightfv(GL_LIGHT0, GL_POSITION, FLightPos.data());
}

void TD3DRenderer::DrawPass(int pass, int passes)
{
    float gx = 0, gy = 0;
    JitterOffset(pass, passes, gx, gy);
    FJitterX = gx * (1.0f / FZoom) * FInvWidth;
    FJitterY = gy * (1.0f / FZoom) * FInvHeight;
    ClearPass();
    if (FShadow)
        DrawShadow(30 * FJitterX, 30 * FJitterY, 0);
    DrawBox();
}

void TD3DRenderer::DrawBox()
{
    // Over a transparent background blended parts must compose alpha as "over" does.
    const bool coverage = FTransparent || FCoverageAlpha;
    auto blendOver = [coverage] {
        if (coverage)
            glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        else
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    };
    glPushMatrix();
    if (FSmooth)
        glTranslatef(FJitterX, FJitterY, 0);
    glRotatef(FAngleX, 1, 0, 0);
    glRotatef(FAngleY, 0, 1, 0);
    if (FIsCD) {
        glRotatef(-90, 1, 0, 0);
        glTranslatef(-0.3f * FCDPosition, 0, 0);
    }
    glBindTexture(GL_TEXTURE_2D, FCoverTexture->Name());
    if (coverage) {
        // The atlas's fourth byte is no coverage: the box takes the lit (opaque) alpha.
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_PRIMARY_COLOR);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_PRIMARY_COLOR);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    }
    glCallList(FListBox);
    if (coverage)
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (FRingBinding) {
        // First only the rings' front halves, then all of them over it.
        glEnable(GL_CULL_FACE);
        glEnable(GL_ALPHA_TEST);
        glEnable(GL_BLEND);
        blendOver();
        glBindTexture(GL_TEXTURE_2D, FRingTexture->Name());
        glCallList(FListRing);
        glDisable(GL_CULL_FACE);
        glCallList(FListRing);
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_BLEND);
    }
    if (FIsCD) {
        glDisable(GL_LIGHT0);
        glEnable(GL_ALPHA_TEST);
        glEnable(GL_BLEND);
        blendOver();
        glRotatef(90, 1, 0, 0);
        glTranslatef(FCDPosition, 0, 0);
        if (FTransparent) // as it looks over the background colour, not see-through
            PaintUnderDisc(*FDiscTexture, FListDisc, RedOf(FBackColor) / 255.0f, GreenOf(FBackColor) / 255.0f, BlueOf(FBackColor) / 255.0f);
        glBindTexture(GL_TEXTURE_2D, FDiscTexture->Name());
        glCallList(FListDisc);
        glEnable(GL_LIGHT0);
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_BLEND);
    }
    glPopMatrix();
}

void TD3DRenderer::DrawShadow(float dx, float dy, float dz)
{
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    const float c = 1.0f - 0.27f * FShadowStrength;
    if (FTransparent) // black, as opaque as the shadow is dark
        glColor4f(0, 0, 0, 0.27f * FShadowStrength);
    else
        glColor3f(c * RedOf(FBackColor) / 255.0f, c * GreenOf(FBackColor) / 255.0f, c * BlueOf(FBackColor) / 255.0f);
    glDisable(GL_TEXTURE_2D);
    DrawShadowGeometry(dx, dy, dz, true);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

void TD3DRenderer::DrawShadowGeometry(float dx, float dy, float dz, bool blendExtras)
{
    glPushMatrix();
    const TBoxSize box = BoxSize();
    const float d = FIsCD ? box.X / 2 : box.Y / 2; // the case stands on its edge
    BuildShadowMatrix(FShadowMatrix, {0, 1, 0, d}, FLightPos);
    glRotatef(FAngleX, 1, 0, 0);
    glMultMatrixf(FShadowMatrix.data());
    glTranslatef(dx, dy, dz);
    glRotatef(FAngleY, 0, 1, 0);
    // Texturing is off: the disc and the rings cast solid shadows, blended or not.
    auto beginExtra = [&] {
        if (!blendExtras)
            return;
        glEnable(GL_ALPHA_TEST);
        glEnable(GL_BLEND);
        if (FTransparent)
            glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ZERO);
        else
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    };
    auto endExtra = [&] {
        if (!blendExtras)
            return;
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_BLEND);
    };
    if (FIsCD) {
        beginExtra();
        glTranslatef(0.7f * FCDPosition, 0, 0);
        glBindTexture(GL_TEXTURE_2D, FDiscTexture->Name());
        glCallList(FListDisc);
        endExtra();
        glRotatef(-90, 1, 0, 0);
        glTranslatef(-FCDPosition, 0, 0);
    }
    glCallList(FListBox);
    if (FRingBinding) {
        beginExtra();
        glBindTexture(GL_TEXTURE_2D, FRingTexture->Name());
        glCallList(FListRing);
        endExtra();
    }
    glPopMatrix();
}

std::optional<QRectF> TD3DRenderer::ContentBounds(bool withBox, bool withShadow) const
{
    const float aspect = FCameraAspect > 0 ? FCameraAspect : float(FWidth) / float(std::max(FHeight, 1));
    QMatrix4x4 camera;
    camera.perspective(float(FieldOfView / FZoom), aspect, 1.0f, 100.0f);
    camera.translate(0, 0, -3);
    const TBoxSize b = BoxSize();
    std::vector<QVector3D> boxPoints, discPoints;
    for (float x : {-b.X / 2, b.X / 2})
        for (float y : {-b.Y / 2, b.Y / 2})
            for (float z : {-b.Z / 2, b.Z / 2})
                boxPoints.emplace_back(x, y, z);
    if (FRingBinding) {
        const float r = FRingRadius * b.X;
        for (float x : {-b.X / 2 - r, -b.X / 2 + r})
            for (float y : {-b.Y / 2, b.Y / 2})
                for (float z : {-r, r})
                    boxPoints.emplace_back(x, y, z);
    }
    if (FIsCD)
        for (int i = 0; i < 32; ++i) {
            const double a = i * 2 * 3.141592653589793 / 32;
            // A polygon around the disc's rim, a little outside it.
            discPoints.emplace_back(float(0.51 * std::cos(a)), float(0.51 * std::sin(a)), 0.0f);
        }
    double left = 1e30, right = -1e30, bottom = 1e30, top = -1e30;
    bool behind = false;
    auto add = [&](const QMatrix4x4& m, const std::vector<QVector3D>& points) {
        for (const QVector3D& p : points) {
            const QVector4D c = m * QVector4D(p, 1.0f);
            if (c.w() < 1e-3f) {
                behind = true;
                continue;
            }
            left = std::min(left, double(c.x() / c.w()));
            right = std::max(right, double(c.x() / c.w()));
            bottom = std::min(bottom, double(c.y() / c.w()));
            top = std::max(top, double(c.y() / c.w()));
        }
    };
    std::array<float, 16> shadow{};
    BuildShadowMatrix(shadow, {0, 1, 0, FIsCD ? b.X / 2 : b.Y / 2}, FLightPos);
    QMatrix4x4 flatten;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            flatten(r, c) = shadow[size_t(4 * c + r)];
    const float jx = FSmooth ? 3.0f / FZoom * FInvWidth : 0, jy = FSmooth ? 3.0f / FZoom * FInvHeight : 0;
    for (float ox : {0.0f, jx})
        for (float oy : {0.0f, jy}) {
            if (withBox) {
                QMatrix4x4 m = camera;
                m.translate(ox, oy, 0);
                m.rotate(FAngleX, 1, 0, 0);
                m.rotate(FAngleY, 0, 1, 0);
                if (FIsCD) {
                    m.rotate(-90, 1, 0, 0);
                    m.translate(-0.3f * FCDPosition, 0, 0);
                }
                add(m, boxPoints);
                m.rotate(90, 1, 0, 0);
                m.translate(FCDPosition, 0, 0);
                add(m, discPoints);
            }
            if (withShadow) {
                QMatrix4x4 m = camera;
                m.rotate(FAngleX, 1, 0, 0);
                m = m * flatten;
                m.translate(30 * ox, 30 * oy, 0);
                m.rotate(FAngleY, 0, 1, 0);
                if (FIsCD) {
                    m.translate(0.7f * FCDPosition, 0, 0);
                    add(m, discPoints);
                    m.rotate(-90, 1, 0, 0);
                    m.translate(-FCDPosition, 0, 0);
                }
                add(m, boxPoints);
            }
        }
    if (behind || left > right)
        return std::nullopt;
    return QRectF(QPointF(left, bottom), QPointF(right, top));
}

void TD3DRenderer::UpdateFraming()
{
    TClipMap fit;
    // The shadow's place counts whether or not it is drawn, so switching it never moves the cover.
    if (FFitShadow && FCoverTexture && FCoverTexture->Loaded()) {
        const double mx = 2.0 * MarginPixels / FWidth, my = 2.0 * MarginPixels / FHeight;
        if (const auto b = ContentBounds(false, true)) {
            const double s = std::min({1.0, (2 - 2 * mx) / b->width(), (2 - 2 * my) / b->height()});
            fit.Sx = fit.Sy = std::max(s, MinFitScale);
            // Zoomed out about the cover; then shifted as little as keeps the shadow inside.
            auto shift = [](double lo, double hi, double m) {
                if (lo < -1 + m)
                    return std::min(-1 + m - lo, 1 - m - hi);
                if (hi > 1 - m)
                    return std::max(1 - m - hi, -1 + m - lo);
                return 0.0;
            };
            fit.Tx = shift(fit.Sx * b->left(), fit.Sx * b->right(), mx);
            fit.Ty = shift(fit.Sy * b->top(), fit.Sy * b->bottom(), my);
        } else {
            fit.Sx = fit.Sy = MinFitScale; // the shadow passes the camera: show as much as sensible
        }
    }
    if (!(fit == FClip)) {
        FClip = fit;
        FProjectionDirty = true;
    }
}

TBitmap32 TD3DRenderer::RenderToBitmap(int width, int height, int tileSide)
{
    if (!FGLReady)
        throw std::runtime_error("The 3D view is not available.");
    if (width < 1 || height < 1 || width > 8192 || height > 8192)
        throw std::runtime_error("The picture size must be between 1 x 1 and 8192 x 8192 pixels.");
    const int viewW = FWidth, viewH = FHeight;
    const float invW = FInvWidth, invH = FInvHeight;
    // The smoothing jitter keeps its size in output pixels, as in the view.
    FInvWidth = invW * float(viewW) / float(width);
    FInvHeight = invH * float(viewH) / float(height);
    auto restore = [&] {
        FInvWidth = invW;
        FInvHeight = invH;
        SetupProjection(viewW, viewH);
        BuildGeometry(false);
    };
    try {
        SetupProjection(width, height);
        BuildGeometry(false);
        TBitmap32 result = RenderTiles(width, height, tileSide);
        restore();
        return result;
    } catch (...) {
        restore();
        throw;
    }
}

QRectF TD3DRenderer::ViewContentBounds() const
{
    if (const auto b = ContentBounds(true, FShadow))
        return *b;
    // A shadow that passes the camera: as much as the view's own fit shows.
    return QRectF(QPointF((-1 - FClip.Tx) / FClip.Sx, (-1 - FClip.Ty) / FClip.Sy),
                  QPointF((1 - FClip.Tx) / FClip.Sx, (1 - FClip.Ty) / FClip.Sy));
}

TD3DRenderer::TContentFrame TD3DRenderer::ContentFrame(QSize size, const std::function<QRectF()>& bounds) const
{
    TContentFrame frame;
    frame.Width = std::max(size.width(), 1);
    const bool fixedHeight = size.height() > 0;
    const double viewW = FWidth, viewH = FHeight;
    const int innerW = std::max(1, frame.Width - 2 * MarginPixels);
    const int innerH = fixedHeight ? std::max(1, size.height() - 2 * MarginPixels) : 0;
    // View pixels per output pixel: the width fits, and with a fixed height the height too.
    auto scaleFor = [&](const QRectF& b) {
        const double p = b.width() / 2 * viewW / innerW;
        return fixedHeight ? std::max(p, b.height() / 2 * viewH / innerH) : p;
    };
    QRectF b = bounds();
    double p = scaleFor(b);
    if (FSmooth && p > 0) {
        // The jitter keeps its size in output pixels, which changes the smoothed extent a little.
        auto* self = const_cast<TD3DRenderer*>(this);
        const float invW = FInvWidth, invH = FInvHeight;
        self->FInvWidth = float(invW * p);
        self->FInvHeight = float(invH * p);
        b = bounds();
        self->FInvWidth = invW;
        self->FInvHeight = invH;
        p = scaleFor(b);
    }
    p = std::max(p, 1e-6);
    frame.ViewPixelsPerPixel = p;
    frame.Height = fixedHeight ? size.height()
                               : std::max(1, int(std::ceil(b.height() / 2 * viewH / p - 1e-6)) + 2 * MarginPixels);
    // The region of the view, in its normalised coordinates, that becomes the whole picture.
    const double halfW = frame.Width * p / viewW, halfH = frame.Height * p / viewH;
    frame.Map.Sx = 1 / halfW;
    frame.Map.Sy = 1 / halfH;
    frame.Map.Tx = -frame.Map.Sx * b.center().x();
    frame.Map.Ty = -frame.Map.Sy * b.center().y();
    return frame;
}

int TD3DRenderer::NaturalContentWidth() const
{
    // As large as the view shows it, after its zoom-out for a long shadow.
    const double w = ViewContentBounds().width() / 2 * FWidth * FClip.Sx;
    return std::clamp(int(std::lround(w)) + 2 * MarginPixels, 1, 8192);
}

QSize TD3DRenderer::ContentSize(int width) const
{
    const TContentFrame f = ContentFrame(QSize(width, 0), [this] { return ViewContentBounds(); });
    return {f.Width, f.Height};
}

TBitmap32 TD3DRenderer::RenderContent(int width, int tileSide)
{
    if (!FGLReady)
        throw std::runtime_error("The 3D view is not available.");
    if (width < 1 || width > 8192)
        throw std::runtime_error("The picture width must be between 1 and 8192 pixels.");
    return RenderFramed(ContentFrame(QSize(width, 0), [this] { return ViewContentBounds(); }), tileSide);
}

TBitmap32 TD3DRenderer::RenderFramed(const TContentFrame& frame, int tileSide)
{
    if (frame.Height > 8192)
        throw std::runtime_error("The picture would be taller than 8192 pixels; choose a smaller width.");
    const int viewW = FWidth, viewH = FHeight;
    const float invW = FInvWidth, invH = FInvHeight;
    const TClipMap clip = FClip;
    FInvWidth = float(invW * frame.ViewPixelsPerPixel);
    FInvHeight = float(invH * frame.ViewPixelsPerPixel);
    FCameraAspect = float(viewW) / float(viewH);
    FExportFraming = true;
    FClip = frame.Map;
    auto restore = [&] {
        FInvWidth = invW;
        FInvHeight = invH;
        FCameraAspect = 0;
        FExportFraming = false;
        FClip = clip;
        SetupProjection(viewW, viewH);
    };
    try {
        TBitmap32 result = RenderTiles(frame.Width, frame.Height, tileSide);
        restore();
        return result;
    } catch (...) {
        restore();
        throw;
    }
}

TBitmap32 TD3DRenderer::RenderTiles(int width, int height, int tileSide)
{
    tileSide = std::max(tileSide, 16);
    TBitmap32 result(width, height);
    struct TEndTile {
        const TRenderTile*& Tile;
        ~TEndTile() { Tile = nullptr; }
    } endTile{FTile};
    for (int ty = 0; ty < height; ty += tileSide) {
        for (int tx = 0; tx < width; tx += tileSide) {
            const TRenderTile tile{tx, ty, std::min(tileSide, width - tx), std::min(tileSide, height - ty)};
            TOffscreenTarget target(tile.W, tile.H);
            FTile = &tile;
            SetupProjection(width, height);
            Paint();
            const TBitmap32 part = ReadFramebuffer(tile.W, tile.H, FTransparent);
            FTile = nullptr;
            // GL rows count from the bottom: tile y runs upward from the picture's bottom edge.
            const int top = height - ty - tile.H;
            for (int y = 0; y < tile.H; ++y)
                std::copy_n(part.ScanLine(y), tile.W, result.ScanLine(top + y) + tx);
        }
    }
    return result;
}

TBitmap32 ReadFramebuffer(int width, int height, bool keepAlpha)
{
    TBitmap32 bitmap(width, height);
    std::vector<uint32_t> rows(size_t(width) * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = rows.data() + size_t(height - 1 - y) * width;
        TColor32* dst = bitmap.ScanLine(y);
        if (!keepAlpha) {
            for (int x = 0; x < width; ++x)
                dst[x] = src[x] | 0xFF000000u;
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const int a = int(src[x] >> 24);
            if (a == 0 || a == 255) {
                dst[x] = a ? src[x] : 0u;
                continue;
            }
            auto un = [a](int c) { return std::min(255, (c * 255 + a / 2) / a); };
            dst[x] = Color32(un(RedOf(src[x])), un(GreenOf(src[x])), un(BlueOf(src[x])), a);
        }
    }
    return bitmap;
}

TOffscreenTarget::TOffscreenTarget(int width, int height)
{
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width > maxSize || height > maxSize)
        throw std::runtime_error("The OpenGL driver cannot render a picture of this size.");
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &FPrevious);
    glGenFramebuffers(1, &FFbo);
    glBindFramebuffer(GL_FRAMEBUFFER, FFbo);
    glGenRenderbuffers(1, &FColor);
    glBindRenderbuffer(GL_RENDERBUFFER, FColor);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, FColor);
    glGenRenderbuffers(1, &FDepth);
    glBindRenderbuffer(GL_RENDERBUFFER, FDepth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, FDepth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        Release();
        throw std::runtime_error("The OpenGL driver cannot make an offscreen picture.");
    }
}

TOffscreenTarget::~TOffscreenTarget() { Release(); }

void TOffscreenTarget::Release()
{
    glBindFramebuffer(GL_FRAMEBUFFER, FPrevious);
    if (FDepth)
        glDeleteRenderbuffers(1, &FDepth);
    if (FColor)
        glDeleteRenderbuffers(1, &FColor);
    if (FFbo)
        glDeleteFramebuffers(1, &FFbo);
    FDepth = FColor = FFbo = 0;
}
