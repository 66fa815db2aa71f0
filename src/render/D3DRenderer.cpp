#include "render/D3DRenderer.h"

#include "render/Accumulator.h"
#include "render/GLHeaders.h"
#include "render/TextureObject.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {
constexpr long double Pi = std::numbers::pi_v<long double>;
constexpr long double FieldOfView = 28.1L;
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
    if (!(v > 0 && v < 10))
        return;
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
    if (!BuildGeometry(true))
        return false;
    SetupLighting();
    FCoverTexture = std::make_unique<TTextureObject>(nullptr, TTextureKind::Cover);
    FDiscTexture = std::make_unique<TTextureObject>(nullptr, TTextureKind::Disc);
    FRingTexture = std::make_unique<TTextureObject>(nullptr, TTextureKind::Ring);
    FGLReady = glGetError() == GL_NO_ERROR;
    return FGLReady;
}

void TD3DRenderer::ReleaseGL()
{
    FCoverTexture.reset();
    FRingTexture.reset();
    FDiscTexture.reset();
    FAccumulator.reset();
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
    gluPerspective(double(FieldOfView / FZoom), double(width) / double(height), 1.0, 100.0);
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
    if (FProjectionDirty)
        SetupProjection(FWidth, FHeight);
    const int n = FSmooth ? std::max<int>(1, FPasses) : 1;
    int targetW = FWidth, targetH = FHeight;
    if (FTile) {
        targetW = FTile->W;
        targetH = FTile->H;
    }
    if (FSmooth) {
        if (!FAccumulator)
            FAccumulator = TAccumulator::CreateBest();
        FAccumulator->Begin(targetW, targetH);
    }
    for (int i = 0; i < n; ++i) {
        DrawPass(i, n);
        if (FSmooth)
            FAccumulator->Accumulate(1.0f / float(n));
    }
    if (FSmooth)
        FAccumulator->Return();
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void TD3DRenderer::DrawPass(int pass, int passes)
{
    float gx = 0, gy = 0;
    JitterOffset(pass, passes, gx, gy);
    FJitterX = gx * (1.0f / FZoom) * FInvWidth;
    FJitterY = gy * (1.0f / FZoom) * FInvHeight;

    glClearColor(RedOf(FBackColor) / 255.0f, GreenOf(FBackColor) / 255.0f, BlueOf(FBackColor) / 255.0f, 1.0f);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The picture is opaque: texture alpha must not punch holes into what the window shows.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_AUTO_NORMAL);
    glLightfv(GL_LIGHT0, GL_POSITION, FLightPos.data());

    if (FShadow)
        DrawShadow(30 * FJitterX, 30 * FJitterY, 0);

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
    glCallList(FListBox);
    if (FRingBinding) {
        // First only the rings' front halves, then all of them over it.
        glEnable(GL_CULL_FACE);
        glEnable(GL_ALPHA_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
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
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glRotatef(90, 1, 0, 0);
        glTranslatef(FCDPosition, 0, 0);
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
    glPushMatrix();
    const TBoxSize box = BoxSize();
    const float d = FIsCD ? box.X / 2 : box.Y / 2; // the case stands on its edge
    BuildShadowMatrix(FShadowMatrix, {0, 1, 0, d}, FLightPos);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    const float c = 1.0f - 0.27f * FShadowStrength;
    glColor3f(c * RedOf(FBackColor) / 255.0f, c * GreenOf(FBackColor) / 255.0f, c * BlueOf(FBackColor) / 255.0f);
    glDisable(GL_TEXTURE_2D);
    glRotatef(FAngleX, 1, 0, 0);
    glMultMatrixf(FShadowMatrix.data());
    glTranslatef(dx, dy, dz);
    glRotatef(FAngleY, 0, 1, 0);
    if (FIsCD) {
        glEnable(GL_ALPHA_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glTranslatef(0.7f * FCDPosition, 0, 0);
        glBindTexture(GL_TEXTURE_2D, FDiscTexture->Name());
        glCallList(FListDisc);
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_BLEND);
        glRotatef(-90, 1, 0, 0);
        glTranslatef(-FCDPosition, 0, 0);
    }
    glCallList(FListBox);
    if (FRingBinding) {
        glEnable(GL_ALPHA_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glBindTexture(GL_TEXTURE_2D, FRingTexture->Name());
        glCallList(FListRing);
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_BLEND);
    }
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
}

TBitmap32 TD3DRenderer::RenderToBitmap(int width, int height, int tileSide)
{
    tileSide = std::max(tileSide, 16);
    if (!FGLReady)
        throw std::runtime_error("The 3D view is not available.");
    if (width < 1 || height < 1 || width > 8192 || height > 8192)
        throw std::runtime_error("The picture size must be between 1 x 1 and 8192 x 8192 pixels.");
    TBitmap32 result(width, height);
    const int viewW = FWidth, viewH = FHeight;
    const float invW = FInvWidth, invH = FInvHeight;
    // The smoothing jitter keeps its size in output pixels, as in the view.
    FInvWidth = invW * float(viewW) / float(width);
    FInvHeight = invH * float(viewH) / float(height);
    auto restore = [&] {
        FTile = nullptr;
        FInvWidth = invW;
        FInvHeight = invH;
        SetupProjection(viewW, viewH);
        BuildGeometry(false);
    };
    try {
        SetupProjection(width, height);
        BuildGeometry(false);
        for (int ty = 0; ty < height; ty += tileSide) {
            for (int tx = 0; tx < width; tx += tileSide) {
                const TRenderTile tile{tx, ty, std::min(tileSide, width - tx), std::min(tileSide, height - ty)};
                TOffscreenTarget target(tile.W, tile.H);
                FTile = &tile;
                SetupProjection(width, height);
                Paint();
                const TBitmap32 part = ReadFramebuffer(tile.W, tile.H);
                FTile = nullptr;
                // GL rows count from the bottom: tile y runs upward from the picture's bottom edge.
                const int top = height - ty - tile.H;
                for (int y = 0; y < tile.H; ++y)
                    std::copy_n(part.ScanLine(y), tile.W, result.ScanLine(top + y) + tx);
            }
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return result;
}

TBitmap32 ReadFramebuffer(int width, int height)
{
    TBitmap32 bitmap(width, height);
    std::vector<uint32_t> rows(size_t(width) * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = rows.data() + size_t(height - 1 - y) * width;
        TColor32* dst = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x)
            dst[x] = src[x] | 0xFF000000u;
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
