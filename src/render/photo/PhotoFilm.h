#pragma once
// The picture being sampled: per pixel the running sums of colour, coverage and the noise
// estimate, and the guides (albedo, normal, depth, what was hit) the noise filter reads; which
// pixels still need samples; and the finished 8-bit picture.

#include "raster/TBitmap32.h"
#include "render/photo/PathTracer.h"

#include <vector>

struct TFilmPixel {
    double Colour[3] = {0, 0, 0}; // premultiplied sums
    double Alpha = 0;
    double Tone = 0, Tone2 = 0;   // sums of a display-like tone value and of its square
    float Albedo[3] = {0, 0, 0};
    float Normal[3] = {0, 0, 0};
    float Depth = 0;
    uint32_t Count = 0;
    uint32_t Kinds = 0; // bit per TPixelKind seen
};

class TPhotoFilm {
public:
    TPhotoFilm(int width, int height);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void Add(int x, int y, const TPixelSample& s);
    const TFilmPixel& At(int x, int y) const { return FPixels[size_t(y) * FWidth + x]; }

    // The mean colour (premultiplied) and coverage of a pixel.
    TRgb Mean(int x, int y) const;
    float MeanAlpha(int x, int y) const;
    // The standard error of the pixel's mean in 8-bit display levels.
    double NoiseLevels(int x, int y) const;
    // Marks the pixels whose neighbourhood is still noisier than `levels`; returns how many.
    int UpdateActive(double levels, std::vector<uint8_t>& active) const;

    // The picture from per-pixel linear colours (premultiplied) and coverages: opaque pictures
    // take alpha 255; transparent ones keep the coverage with the colour unpremultiplied.
    static TBitmap32 Resolve(int width, int height, const std::vector<TRgb>& colour, const std::vector<float>& alpha,
                             bool transparent);
    TBitmap32 Resolve(bool transparent) const;

private:
    int FWidth, FHeight;
    std::vector<TFilmPixel> FPixels;
};
