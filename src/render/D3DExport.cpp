// Pictures beyond the view: offscreen renders at any size in tiles, the cut to the content the
// scene's framing gives, and the read-back of a framebuffer.
#include "render/D3DRenderer.h"

#include "render/GLHeaders.h"

#include <QScopeGuard>
#include <algorithm>
#include <stdexcept>

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
    const auto restore = qScopeGuard([&] {
        FInvWidth = invW;
        FInvHeight = invH;
        SetupProjection(viewW, viewH);
        BuildGeometry(false);
    });
    SetupProjection(width, height);
    BuildGeometry(false);
    return RenderTiles(width, height, tileSide);
}

TContentFrame TD3DRenderer::ContentFrame(QSize size) const
{
    return FrameContent(size, QSize(FWidth, FHeight),
                        [this](double p) { return ShownContentBounds(FramingInput(p), FShadow); });
}

int TD3DRenderer::NaturalContentWidth() const { return ::NaturalContentWidth(FramingInput(), FShadow); }

QSize TD3DRenderer::ContentSize(int width) const
{
    const TContentFrame f = ContentFrame(QSize(width, 0));
    return {f.Width, f.Height};
}

TBitmap32 TD3DRenderer::RenderContent(int width, int tileSide)
{
    if (!FGLReady)
        throw std::runtime_error("The 3D view is not available.");
    if (width < 1 || width > 8192)
        throw std::runtime_error("The picture width must be between 1 and 8192 pixels.");
    return RenderFramed(ContentFrame(QSize(width, 0)), tileSide);
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
    const auto restore = qScopeGuard([&] {
        FInvWidth = invW;
        FInvHeight = invH;
        FCameraAspect = 0;
        FExportFraming = false;
        FClip = clip;
        SetupProjection(viewW, viewH);
    });
    return RenderTiles(frame.Width, frame.Height, tileSide);
}

TBitmap32 TD3DRenderer::RenderTiles(int width, int height, int tileSide)
{
    tileSide = std::max(tileSide, 16);
    TBitmap32 result(width, height);
    const auto endTile = qScopeGuard([this] { FTile = nullptr; });
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
