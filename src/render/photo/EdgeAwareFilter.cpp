// TBB before Qt: its headers use a name Qt defines as a macro (emit).
#include <tbb/parallel_for.h>

#include "render/photo/EdgeAwareFilter.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int Passes = 3;
constexpr float Kernel[5] = {1 / 16.0f, 1 / 4.0f, 3 / 8.0f, 1 / 4.0f, 1 / 16.0f};
constexpr float NoiseSpread = 4;   // differences within this many standard errors are noise
constexpr float AlbedoSpread = 0.08f;
constexpr float DepthSpread = 0.02f; // relative depth change per pixel of distance still smooth

struct TGuide {
    TRgb Albedo{1, 1, 1};
    TVec Normal;
    float Depth = 0;
    uint32_t Kinds = 0;
    bool Still = true;     // background only: never filtered, never read
};

// Light as premultiplied colour over albedo, with coverage as a fourth channel.
struct TLight4 {
    float c[4] = {0, 0, 0, 0};
};

float Tone(float r, float g, float b) { return std::sqrt(std::max(0.0f, 0.2126f * r + 0.7152f * g + 0.0722f * b)); }
} // namespace

TFilteredPicture FilterNoise(const TPhotoFilm& film)
{
    const int w = film.Width(), h = film.Height();
    const size_t n = size_t(w) * h;
    std::vector<TGuide> guide(n);
    std::vector<TLight4> light(n), next(n);
    std::vector<float> variance(n), nextVariance(n);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            const TFilmPixel& p = film.At(x, y);
            TGuide& g = guide[i];
            g.Kinds = p.Kinds;
            g.Still = p.Count == 0 || p.Kinds == 1u << unsigned(TPixelKind::Background);
            const float k = p.Count ? 1.0f / float(p.Count) : 0.0f;
            if (p.Kinds & (1u << unsigned(TPixelKind::Cover)))
                g.Albedo = {std::max(p.Albedo[0] * k, 0.02f), std::max(p.Albedo[1] * k, 0.02f),
                            std::max(p.Albedo[2] * k, 0.02f)};
            g.Normal = {p.Normal[0] * k, p.Normal[1] * k, p.Normal[2] * k};
            if (Length(g.Normal) > 0)
                g.Normal = Normalized(g.Normal);
            g.Depth = p.Depth * k;
            const TRgb mean = film.Mean(x, y);
            light[i].c[0] = mean.r / g.Albedo.r;
            light[i].c[1] = mean.g / g.Albedo.g;
            light[i].c[2] = mean.b / g.Albedo.b;
            light[i].c[3] = film.MeanAlpha(x, y);
            const double levels = std::min(film.NoiseLevels(x, y), 255.0) / 255;
            variance[i] = float(levels * levels);
        }

    for (int pass = 0; pass < Passes; ++pass) {
        const int step = 1 << pass;
        tbb::parallel_for(0, h, [&](int y) {
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * w + x;
                const TGuide& gp = guide[i];
                next[i] = light[i];
                nextVariance[i] = variance[i];
                // Without measured noise nothing may change (the exact background of the floor).
                if (gp.Still || variance[i] <= 0)
                    continue;
                const TRgb& a = gp.Albedo;
                const float toneP = Tone(light[i].c[0] * a.r, light[i].c[1] * a.g, light[i].c[2] * a.b);
                const float spread = NoiseSpread * std::sqrt(variance[i]) + 1e-6f;
                float sum[4] = {0, 0, 0, 0}, weights = 0, varSum = 0;
                for (int j = -2; j <= 2; ++j)
                    for (int k = -2; k <= 2; ++k) {
                        const int qx = x + k * step, qy = y + j * step;
                        if (qx < 0 || qy < 0 || qx >= w || qy >= h)
                            continue;
                        const size_t q = size_t(qy) * w + qx;
                        const TGuide& gq = guide[q];
                        if (gq.Still || gq.Kinds != gp.Kinds)
                            continue;
                        const float toneQ = Tone(light[q].c[0] * a.r, light[q].c[1] * a.g, light[q].c[2] * a.b);
                        const float dist = float(step) * std::sqrt(float(j * j + k * k));
                        float nDot = float(std::max(0.0, Dot(gp.Normal, gq.Normal)));
                        for (int p = 0; p < 5; ++p)
                            nDot *= nDot; // the 32nd power: only nearly equal normals count
                        const float albedoDiff = std::fabs(gq.Albedo.r - a.r) + std::fabs(gq.Albedo.g - a.g) +
                                                 std::fabs(gq.Albedo.b - a.b);
                        const float exponent =
                            std::fabs(gq.Depth - gp.Depth) / (DepthSpread * gp.Depth * std::max(dist, 1.0f) + 1e-6f) +
                            std::fabs(toneQ - toneP) / spread + albedoDiff / AlbedoSpread;
                        if (exponent > 20 || nDot <= 0)
                            continue;
                        const float weight = Kernel[j + 2] * Kernel[k + 2] * nDot * std::exp(-exponent);
                        for (int c = 0; c < 4; ++c)
                            sum[c] += weight * light[q].c[c];
                        weights += weight;
                        varSum += weight * weight * variance[q];
                    }
                if (weights <= 0)
                    continue;
                for (int c = 0; c < 4; ++c)
                    next[i].c[c] = sum[c] / weights;
                nextVariance[i] = varSum / (weights * weights);
            }
        });
        light.swap(next);
        variance.swap(nextVariance);
    }

    TFilteredPicture out;
    out.Colour.resize(n);
    out.Alpha.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const TRgb& a = guide[i].Albedo;
        out.Colour[i] = {light[i].c[0] * a.r, light[i].c[1] * a.g, light[i].c[2] * a.b};
        out.Alpha[i] = light[i].c[3];
    }
    return out;
}
