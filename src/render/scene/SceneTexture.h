#pragma once
// A texture of the photo scene: linear RGB with alpha, sampled bilinearly as OpenGL samples the
// view's textures (t = 0 is the first row stored, which for the atlas is its bottom row).

#include <array>
#include <cstdint>
#include <vector>

class TBitmap32;

class TSceneTexture {
public:
    // RGBA bytes in sRGB, the first row at t = 0; repeat wraps, otherwise the edges clamp.
    TSceneTexture(int width, int height, const uint8_t* rgba, bool repeat);
    // The atlas as the view loads it: its bottom row at t = 0.
    static TSceneTexture FromAtlas(const TBitmap32& atlas);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Linear red, green, blue and alpha at (s, t).
    std::array<float, 4> Sample(double s, double t) const;

private:
    int FWidth, FHeight;
    bool FRepeat;
    std::vector<std::array<float, 4>> FTexels;
};
