// The passes of one frame: clearing, the shadow (hard, or soft as one layer of many copies), the
// box with its rings and disc, and the smoothing that averages jittered passes. Every part is
// drawn with the model-view matrices of the scene.
#include "render/D3DRenderer.h"

#include "render/Accumulator.h"
#include "render/GLHeaders.h"
#include "render/SoftShadow.h"
#include "render/TextureObject.h"

#include <QScopeGuard>
#include <algorithm>
#include <cmath>

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
    const auto reset = qScopeGuard([this] { FCoverageAlpha = false; });
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
            DrawShadow(QPointF(FJitterX, FJitterY) * ShadowShiftPerJitter);
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
        DrawShadowGeometry(QPointF(gx / FZoom * FInvWidth, gy / FZoom * FInvHeight) * ShadowShiftPerJitter, false);
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
        DrawShadow(QPointF(FJitterX, FJitterY) * ShadowShiftPerJitter);
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
    const TSceneCamera camera = Camera();
    const TCoverPlacement cover = Placement();
    const QPointF shift = FSmooth ? QPointF(FJitterX, FJitterY) : QPointF();
    glPushMatrix();
    glLoadMatrixf(CoverModelView(camera, cover, TCoverPart::Box, shift).constData());
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
        glLoadMatrixf(CoverModelView(camera, cover, TCoverPart::Disc, shift).constData());
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

void TD3DRenderer::DrawShadow(QPointF floorShift)
{
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    const float c = 1.0f - 0.27f * FShadowStrength;
    if (FTransparent) // black, as opaque as the shadow is dark
        glColor4f(0, 0, 0, 0.27f * FShadowStrength);
    else
        glColor3f(c * RedOf(FBackColor) / 255.0f, c * GreenOf(FBackColor) / 255.0f, c * BlueOf(FBackColor) / 255.0f);
    glDisable(GL_TEXTURE_2D);
    DrawShadowGeometry(floorShift, true);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

void TD3DRenderer::DrawShadowGeometry(QPointF floorShift, bool blendExtras)
{
    const TSceneCamera camera = Camera();
    const TCoverPlacement cover = Placement();
    const std::array<double, 3> light{FLightPos[0], FLightPos[1], FLightPos[2]};
    auto load = [&](TCoverPart part) {
        glLoadMatrixf(ShadowModelView(camera, cover, light, part, floorShift).constData());
    };
    glPushMatrix();
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
        load(TCoverPart::Disc);
        glBindTexture(GL_TEXTURE_2D, FDiscTexture->Name());
        glCallList(FListDisc);
        endExtra();
    }
    load(TCoverPart::Box);
    glCallList(FListBox);
    if (FRingBinding) {
        beginExtra();
        glBindTexture(GL_TEXTURE_2D, FRingTexture->Name());
        glCallList(FListRing);
        endExtra();
    }
    glPopMatrix();
}
