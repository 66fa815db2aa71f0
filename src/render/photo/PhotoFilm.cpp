#include "render/photo/PhotoFilm.h"

#include "render/scene/PhotoScene.h"

#include <algorithm>
#include <cmath>

namespace {
// Close to the display's sRGB curve and cheap: noise measured in it is noise as seen.
double Tone(const TRgb& c) { return std::sqrt(std::max(0.0f, Luminance(c))); }
} // namespace

TPhotoFilm::TPhotoFilm(int width, int height)
    : FWidth(std::max(width, 1)), FHeight(std::max(height, 1)), FPixels(size_t(FWidth) * FHeight)
{
}

void TPhotoFilm::Add(int x, int y, const TPixelSample& s)
{
    TFilmPixel& p = FPixels[size_t(y) * FWidth + x];
    const float c[3] = {s.Colour.r, s.Colour.g, s.Colour.b};
    // A broken sample (NaN or infinite) is dropped rather than spoil the pixel.
    if (!std::isfinite(c[0] + c[1] + c[2] + s.Alpha))
        return;
    for (int k = 0; k < 3; ++k)
        p.Colour[k] += c[k];
    p.Alpha += s.Alpha;
    const double t = Tone(s.Colour) + (1 - s.Alpha) * 0.5; // a coverage edge is noise too
    p.Tone += t;
    p.Tone2 += t * t;
    const float a[3] = {s.Albedo.r, s.Albedo.g, s.Albedo.b}, n[3] = {float(s.Normal.x), float(s.Normal.y), float(s.Normal.z)};
    for (int k = 0; k < 3; ++k) {
        p.Albedo[k] += a[k];
        p.Normal[k] += n[k];
    }
    p.Depth += s.Depth;
    p.Kinds |= 1u << unsigned(s.Kind);
    ++p.Count;
}

TRgb TPhotoFilm::Mean(int x, int y) const
{
    const TFilmPixel& p = At(x, y);
    if (!p.Count)
        return {};
    const double n = p.Count;
    return {float(p.Colour[0] / n), float(p.Colour[1] / n), float(p.Colour[2] / n)};
}

float TPhotoFilm::MeanAlpha(int x, int y) const
{
    const TFilmPixel& p = At(x, y);
    return p.Count ? float(p.Alpha / p.Count) : 0.0f;
}

double TPhotoFilm::NoiseLevels(int x, int y) const
{
    const TFilmPixel& p = At(x, y);
    if (p.Count < 2)
        return 1e9;
    const double n = p.Count, mean = p.Tone / n;
    const double variance = std::max(0.0, (p.Tone2 / n - mean * mean) * n / (n - 1));
    return std::sqrt(variance / n) * 255;
}

int TPhotoFilm::UpdateActive(double levels, std::vector<uint8_t>& active) const
{
    active.assign(FPixels.size(), 0);
    std::vector<double> noise(FPixels.size());
    for (int y = 0; y < FHeight; ++y)
        for (int x = 0; x < FWidth; ++x)
            noise[size_t(y) * FWidth + x] = NoiseLevels(x, y);
    int count = 0;
    // A pixel goes on while any neighbour is noisy: a lucky pixel in a noisy area cannot stop.
    for (int y = 0; y < FHeight; ++y)
        for (int x = 0; x < FWidth; ++x) {
            double worst = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = std::clamp(x + dx, 0, FWidth - 1), ny = std::clamp(y + dy, 0, FHeight - 1);
                    worst = std::max(worst, noise[size_t(ny) * FWidth + nx]);
                }
            const bool on = worst > levels;
            active[size_t(y) * FWidth + x] = on;
            count += on;
        }
    return count;
}

TBitmap32 TPhotoFilm::Resolve(int width, int height, const std::vector<TRgb>& colour, const std::vector<float>& alpha,
                              bool transparent)
{
    TBitmap32 picture(width, height);
    for (int y = 0; y < height; ++y) {
        TColor32* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * width + x;
            TRgb c = colour[i];
            int a = 255;
            if (transparent) {
                a = std::clamp(int(std::lround(alpha[i] * 255)), 0, 255);
                if (a == 0) {
                    row[x] = 0;
                    continue;
                }
                c = c * (1 / std::max(alpha[i], 1e-6f));
            }
            row[x] = Color32(LinearToSrgb(c.r), LinearToSrgb(c.g), LinearToSrgb(c.b), a);
        }
    }
    return picture;
}

TBitmap32 TPhotoFilm::Resolve(bool transparent) const
{
    std::vector<TRgb> colour(FPixels.size());
    std::vector<float> alpha(FPixels.size());
    for (int y = 0; y < FHeight; ++y)
        for (int x = 0; x < FWidth; ++x) {
            colour[size_t(y) * FWidth + x] = Mean(x, y);
            alpha[size_t(y) * FWidth + x] = MeanAlpha(x, y);
        }
    return Resolve(FWidth, FHeight, colour, alpha, transparent);
}
