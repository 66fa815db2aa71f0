#pragma once
// The 3D view without any window: every parameter of the view, the fixed GL state, the mesh and
// the textures, and the drawing of one frame (with shadow and smoothing) into whatever
// framebuffer is bound. Camera, model transforms, light direction and framing come from the
// scene (render/scene), which the photo renderer draws from too. TD3DWin (the widget) and
// THeadlessView (EGL, no display) put a context and a framebuffer around it. The work is split
// by job: D3DRenderer.cpp (state and GL set-up), D3DPasses.cpp (the passes of a frame),
// D3DExport.cpp (offscreen pictures, read-back) and D3DTurntable.cpp.

#include "cover/ICoverView.h"
#include "raster/TBitmap32.h"
#include "render/CoverMesh.h"
#include "render/scene/SceneFraming.h"

#include <QSize>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class TTextureObject;
class TAccumulator;
class TSoftShadow;

// The sub-pixel offset of pass i of n (before the zoom and pixel unit are applied): column and
// row of an r x r grid, r = round(sqrt(n)), scaled by 3 / sqrt(n).
void JitterOffset(int pass, int passes, float& gridX, float& gridY);

// The offset of smoothing sample i of n in the same units: one sample in each cell of a grid
// over [0, 3) in both directions (the spread the plain jitter reaches with many passes), placed
// so that no two samples share an x or a y. Every sample count gives the same look, only finer.
void SmoothSampleOffset(int sample, int samples, float& gridX, float& gridY);

class TD3DRenderer : public ICoverView {
public:
    TD3DRenderer();
    ~TD3DRenderer() override;
    TD3DRenderer(const TD3DRenderer&) = delete;
    TD3DRenderer& operator=(const TD3DRenderer&) = delete;

    // --- Parameters of the view. The flags, colours and positions below are written directly by
    // the composition and the final page; the rest goes through the setters with their guards.
    float FAngleY = 0;          // degrees, about the vertical axis
    float FAngleX = 0;          // degrees, about the horizontal axis
    float FZoom = 1.0f;         // field-of-view divisor
    TColor32 FBackColor = Color32(255, 255, 255, 0);
    std::array<float, 4> FAmbient{0.7f, 0.7f, 0.7f, 1.0f};
    std::array<float, 4> FMaterial{0.95f, 0.95f, 0.95f, 1.0f};
    std::array<float, 4> FLightPos{}; // towards the light (LightDirection), directional
    bool FShadow = false;
    float FShadowStrength = 0.5f;
    bool FSmooth = false;
    float FJitterX = 0, FJitterY = 0;
    float FInvWidth = 1, FInvHeight = 1; // jitter unit: one over the window size
    uint8_t FPasses = 9;
    float FCDPosition = 0.5f;
    bool FIsCD = false;
    bool FPagedBook = false;
    float FPageInset = 1.0f;
    // The loaded atlas holds a back cover beside the front (known from its layout at LoadCover).
    bool FBackRegion = false;
    bool FRingBinding = false;
    float FRingRadius = 0.03f;
    float FRingRepeat = 30.0f;
    // Draw for a transparent picture: the background is cleared to alpha 0, the shadow becomes
    // black with its darkness as opacity and the cover is opaque. Only offscreen pictures use it.
    bool FTransparent = false;
    // The view zooms out (and shifts) just enough to keep the whole shadow inside its edges; the
    // shadow's place counts even while it is off, so switching it never moves the cover.
    bool FFitShadow = true;
    // Copies of the shadow averaged into the smoothed shadow layer (a 16 x 16 grid).
    static constexpr int ShadowSamples = 64;

    // --- ICoverView (ShowCover is the owner's: it needs a context and a framebuffer).
    void SetRingBinding(bool on) override { FRingBinding = on; }
    void SetIsCD(bool on) override { FIsCD = on; }
    void SetPagedBook(bool on) override { FPagedBook = on; }
    void SetAngleX(float radians) override;
    void SetAngleY(float radians) override;
    float GetAngleX() const override;
    float GetAngleY() const override;
    void SetPageInset(float value) override;

    // Ignored unless 0 < v < 10 and the field of view stays below 180 degrees (v above about
    // 0.7603); takes effect at the next frame.
    void SetZoom(float v);
    void SetShadowStrength(float v);  // ignored unless 0 <= v <= 1
    void SetLight(float elevation, float azimuth);

    // --- GL work; every call below needs this renderer's context current.
    // Fixed state, projection, display lists, lights and the three textures. Returns false when
    // the context cannot draw the view.
    bool InitGL(int width, int height);
    void ReleaseGL();
    bool GLReady() const { return FGLReady; }
    void SetupProjection(int width, int height);
    void SetupLighting();
    bool BuildGeometry(bool withDisc);
    // Loads an atlas (nothing when null) and rebuilds the box and ring for the current window.
    void LoadCover(const TBitmap32* atlas, int frontWidth, int frontHeight, int sideWidth);
    // Draws one frame into the bound framebuffer, whose size is the window's. Smoothed, the
    // shadow is one soft layer of many jittered copies and the edges are FPasses averaged passes.
    void Paint();
    // The plain smoothing: `passes` whole jittered passes (shadow and box) averaged. It is the
    // fallback where float framebuffers are missing, and with many passes the look to match.
    void PaintAccumulated(int passes);
    void DrawShadow(QPointF floorShift); // moved along the floor by a smoothing offset
    // One pass of a frame of `passes`: clear, shadow, box and extras at pass's jitter offset.
    void DrawPass(int pass, int passes);

    // The box sizes after the fit to the window (1, 1, 1 before any atlas).
    TBoxSize BoxSize() const;
    int WindowWidth() const { return FWidth; }
    int WindowHeight() const { return FHeight; }
    const TTextureObject* CoverTexture() const { return FCoverTexture.get(); }
    // Forces a smoothing backend (tests compare them); by default the best one is chosen.
    void SetAccumulator(std::unique_ptr<TAccumulator> accumulator);

    // Renders the current cover at width x height into an offscreen framebuffer with the same
    // camera, light, shadow and smoothing and returns the pixels (alpha 255). Throws
    // std::runtime_error with a readable message when the driver cannot make such a target.
    // Large pictures are drawn in tiles of at most tileSide pixels a side.
    TBitmap32 RenderToBitmap(int width, int height, int tileSide = 2048);
    // The cover and its whole shadow framed tightly (two pixels of margin) in a picture `width`
    // wide, as the view shows it; the height follows the content's shape (ContentSize). The
    // smoothing jitter keeps its size in output pixels. Throws like RenderToBitmap.
    TBitmap32 RenderContent(int width, int tileSide = 2048);
    QSize ContentSize(int width) const;
    // Frames of the cover turning a full circle about its vertical axis, starting at the current
    // angle, all framed alike (every frame's content fits) in pictures `width` wide. Each frame
    // goes to frameDone as soon as it is drawn; frameDone answers false to stop, and then this
    // answers false. Throws like RenderContent.
    bool RenderTurntable(int frames, int width, const std::function<bool(int index, const TBitmap32& frame)>& frameDone);
    // The same in pictures of exactly `size` (as the final page shows the saved picture's size):
    // the content of every angle centred and scaled to fit inside the margin.
    bool RenderTurntable(int frames, QSize size, const std::function<bool(int index, const TBitmap32& frame)>& frameDone);
    // The size of RenderTurntable's frames, known before any is drawn (the height follows the
    // turning content when size has none). Throws like RenderTurntable for a size out of range.
    QSize TurntableFrameSize(int frames, QSize size);
    // The width RenderContent needs to show the content at the view's own scale.
    int NaturalContentWidth() const;

private:
    struct TRenderTile {
        int X = 0, Y = 0, W = 0, H = 0;
    };
    const TRenderTile* FTile = nullptr; // set while an offscreen render draws one tile

    // The view as the scene's framing sees it; one picture pixel spans viewPixelsPerPixel pixels
    // of the view (the smoothing jitter's extent follows it).
    TFramingInput FramingInput(double viewPixelsPerPixel = 1) const;
    TCoverPlacement Placement() const;
    TSceneCamera Camera() const; // the camera of the frame being drawn (tile aside)
    TContentFrame ContentFrame(QSize size) const;         // framing what the view shows
    TContentFrame TurntableFrame(int frames, QSize size); // framing every angle of a turn alike
    TBitmap32 RenderFramed(const TContentFrame& frame, int tileSide);
    TBitmap32 RenderTiles(int width, int height, int tileSide);
    void UpdateFraming();
    bool RenderSoftShadow(int width, int height);
    void PaintSmoothed(int passes);
    void ClearPass();
    void DrawBox();
    void DrawShadowGeometry(QPointF floorShift, bool blendExtras);

    TClipMap FClip; // the view's fit around its shadow, or an export's framing
    bool FExportFraming = false; // RenderContent has set FClip: the view's fit stays out
    float FCameraAspect = 0;     // the camera's aspect when not the target's (RenderContent)
    std::unique_ptr<TSoftShadow> FSoftShadow;
    bool FSoftShadowFailed = false;
    bool FCoverageAlpha = false; // passes keep the cover's coverage in alpha (transparent or layered)

    int FWidth = 1, FHeight = 1;
    bool FGLReady = false;
    bool FProjectionDirty = false;
    void* FQuadric = nullptr;
    unsigned FListBox = 0, FListDisc = 0, FListRing = 0;
    std::unique_ptr<TTextureObject> FCoverTexture, FDiscTexture, FRingTexture;
    std::unique_ptr<TAccumulator> FAccumulator;
};

// Reads the W x H area at (0, 0) of the bound framebuffer, top row first, alpha forced to 255;
// with keepAlpha the (premultiplied) alpha is kept and the colours are unpremultiplied.
TBitmap32 ReadFramebuffer(int width, int height, bool keepAlpha = false);

// A framebuffer object with an 8-bit RGBA colour and a depth buffer; binds itself while alive
// and restores the previous binding on destruction.
class TOffscreenTarget {
public:
    TOffscreenTarget(int width, int height); // throws std::runtime_error when it cannot be made
    ~TOffscreenTarget();
    TOffscreenTarget(const TOffscreenTarget&) = delete;
    TOffscreenTarget& operator=(const TOffscreenTarget&) = delete;

private:
    void Release();
    int FPrevious = 0;
    unsigned FFbo = 0, FColor = 0, FDepth = 0;
};
