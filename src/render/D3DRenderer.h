#pragma once
// The 3D view without any window: every parameter of the view, the fixed GL state, camera,
// lights, the mesh and the textures, and the drawing of one frame (with shadow and smoothing)
// into whatever framebuffer is bound. TD3DWin (the widget) and THeadlessView (EGL, no display)
// put a context and a framebuffer around it.

#include "cover/ICoverView.h"
#include "raster/TBitmap32.h"
#include "render/CoverMesh.h"

#include <array>
#include <cstdint>
#include <memory>

class TTextureObject;
class TAccumulator;

// Standard projection onto plane p from light l (4 floats each), column-major.
void BuildShadowMatrix(std::array<float, 16>& m, const std::array<float, 4>& p, const std::array<float, 4>& l);

// The sub-pixel offset of pass i of n (before the zoom and pixel unit are applied): column and
// row of an r x r grid, r = round(sqrt(n)), scaled by 3 / sqrt(n).
void JitterOffset(int pass, int passes, float& gridX, float& gridY);

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
    std::array<float, 4> FLightPos{};
    std::array<float, 16> FShadowMatrix{};
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
    bool FRingBinding = false;
    float FRingRadius = 0.03f;
    float FRingRepeat = 30.0f;

    // --- ICoverView (ShowCover is the owner's: it needs a context and a framebuffer).
    void SetRingBinding(bool on) override { FRingBinding = on; }
    void SetIsCD(bool on) override { FIsCD = on; }
    void SetPagedBook(bool on) override { FPagedBook = on; }
    void SetAngleX(float radians) override;
    void SetAngleY(float radians) override;
    float GetAngleX() const override;
    float GetAngleY() const override;
    void SetPageInset(float value) override;

    void SetZoom(float v);            // ignored unless 0 < v < 10; takes effect at the next frame
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
    // Draws one frame (all passes) into the bound framebuffer, whose size is the window's.
    void Paint();
    void DrawShadow(float dx, float dy, float dz);
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

private:
    struct TRenderTile {
        int X = 0, Y = 0, W = 0, H = 0;
    };
    const TRenderTile* FTile = nullptr; // set while an offscreen render draws one tile

    int FWidth = 1, FHeight = 1;
    bool FGLReady = false;
    bool FProjectionDirty = false;
    void* FQuadric = nullptr;
    unsigned FListBox = 0, FListDisc = 0, FListRing = 0;
    std::unique_ptr<TTextureObject> FCoverTexture, FDiscTexture, FRingTexture;
    std::unique_ptr<TAccumulator> FAccumulator;
};

// Reads the W x H area at (0, 0) of the bound framebuffer, top row first, alpha forced to 255.
TBitmap32 ReadFramebuffer(int width, int height);

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
