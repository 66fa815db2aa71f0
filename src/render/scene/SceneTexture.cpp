#include "render/scene/SceneTexture.h"

#include "raster/TBitmap32.h"
#include "render/scene/PhotoScene.h"

#include <algorithm>
#include <cmath>

namespace {
// 256 linear values, one per sRGB level.
const std::array<float, 256>& SrgbTable()
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            t[size_t(i)] = float(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return t;
    }();
    return table;
}
} // namespace

float SrgbToLinear(int level) { return SrgbTable()[size_t(std::clamp(level, 0, 255))]; }

int LinearToSrgb(float linear)
{
    if (!(linear > 0))
        return 0; // NaN included: a broken sample must not become a bright pixel
    if (linear >= 1)
        return 255;
    // The level whose linear value is nearest; the midpoints between levels decide.
    const auto& t = SrgbTable();
    const auto it = std::lower_bound(t.begin(), t.end(), linear);
    const int hi = int(it - t.begin());
    if (hi == 0)
        return 0;
    return linear - t[size_t(hi - 1)] < t[size_t(hi)] - linear ? hi - 1 : hi;
}

TSceneTexture::TSceneTexture(int width, int height, const uint8_t* rgba, bool repeat)
    : FWidth(std::max(width, 1)), FHeight(std::max(height, 1)), FRepeat(repeat)
{
    FTexels.resize(size_t(FWidth) * FHeight, {1, 1, 1, 1});
    if (!rgba || width < 1 || height < 1)
        return;
    for (size_t i = 0; i < FTexels.size(); ++i) {
        const uint8_t* p = rgba + 4 * i;
        FTexels[i] = {SrgbToLinear(p[0]), SrgbToLinear(p[1]), SrgbToLinear(p[2]), p[3] / 255.0f};
    }
}

TSceneTexture TSceneTexture::FromAtlas(const TBitmap32& atlas)
{
    const int w = atlas.Width(), h = atlas.Height();
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    uint8_t* p = rgba.data();
    for (int y = h - 1; y >= 0; --y) {
        const TColor32* row = atlas.ScanLine(y);
        for (int x = 0; x < w; ++x, p += 4) {
            p[0] = uint8_t(RedOf(row[x]));
            p[1] = uint8_t(GreenOf(row[x]));
            p[2] = uint8_t(BlueOf(row[x]));
            p[3] = 255; // the atlas's fourth byte is no coverage: the box is opaque
        }
    }
    return TSceneTexture(w, h, rgba.data(), false);
}

std::array<float, 4> TSceneTexture::Sample(double s, double t) const
{
    const double u = s * FWidth - 0.5, v = t * FHeight - 0.5;
    const double fu = std::floor(u), fv = std::floor(v);
    const float au = float(u - fu), av = float(v - fv);
    auto wrap = [this](long i, int n) {
        if (FRepeat)
            return int(((i % n) + n) % n);
        return int(std::clamp<long>(i, 0, n - 1));
    };
    const long iu = long(fu), iv = long(fv);
    const int x0 = wrap(iu, FWidth), x1 = wrap(iu + 1, FWidth);
    const int y0 = wrap(iv, FHeight), y1 = wrap(iv + 1, FHeight);
    const auto& a = FTexels[size_t(y0) * FWidth + x0];
    const auto& b = FTexels[size_t(y0) * FWidth + x1];
    const auto& c = FTexels[size_t(y1) * FWidth + x0];
    const auto& d = FTexels[size_t(y1) * FWidth + x1];
    std::array<float, 4> r{};
    for (int k = 0; k < 4; ++k)
        r[size_t(k)] = (a[size_t(k)] * (1 - au) + b[size_t(k)] * au) * (1 - av) +
                       (c[size_t(k)] * (1 - au) + d[size_t(k)] * au) * av;
    return r;
}
