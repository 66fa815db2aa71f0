#pragma once
// The smoothed shadow as one layer: many jittered copies of the flat shadow added into a float
// texture (each copy counted once per pixel, however often its quads overlap), so its penumbra
// is continuous instead of a few visible steps. The layer is then laid under every edge pass as
// the background: the background colour darkened by the averaged shadow, or for a transparent
// picture black with the shadow's darkness as its opacity.

class TSoftShadow {
public:
    TSoftShadow() = default;
    ~TSoftShadow(); // needs the context the layer was made in current
    TSoftShadow(const TSoftShadow&) = delete;
    TSoftShadow& operator=(const TSoftShadow&) = delete;

    // Whether the bound context can make the layer (float colour targets with a stencil buffer).
    static bool Supported();

    // Binds the layer's framebuffer for a W x H target, cleared, ready for Sample() calls; returns
    // false when the driver cannot make it (the caller then falls back to jittered whole passes).
    // The layer has a quarter of the target's resolution in each direction: the penumbra is
    // tens of pixels wide, and the layer is drawn back magnified with linear filtering.
    bool Begin(int width, int height);
    static constexpr int Reduction = 2;
    // Sets up the stencil and blending so that the next draw adds `darkness` once per pixel.
    void Sample(int index, float darkness);
    // Rebinds the framebuffer that was bound at Begin.
    void End();
    // Puts the layer under what the bound framebuffer holds, where its alpha says it is not
    // covered yet: the cover's averaged passes drawn over `red, green, blue` with alpha 0 (alpha
    // = how much of each pixel the cover covers). Opaque, the background colour there is
    // darkened by the shadow and alpha becomes 1; transparent, the shadow adds black with its
    // darkness as opacity.
    void ComposeUnder(float red, float green, float blue, bool transparent) const;

private:
    void Release();
    int FWidth = 0, FHeight = 0, FPrevious = 0;
    unsigned FFbo = 0, FTexture = 0, FStencil = 0;
};
