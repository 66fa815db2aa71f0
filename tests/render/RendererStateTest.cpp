// The renderer's parameters, setters, shadow projection, jitter and generated textures: no GL.
#include "render/D3DRenderer.h"
#include "render/TextureObject.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {
// A renderer without a context; only its parameters are used.
class TStateOnly : public TD3DRenderer {
public:
    void ShowCover(const TBitmap32*, int, int, int) override {}
};

std::array<uint8_t, 4> Texel(const std::vector<uint8_t>& t, int size, int c, int r)
{
    const size_t i = (size_t(r) * size + c) * 4;
    return {t[i], t[i + 1], t[i + 2], t[i + 3]};
}
} // namespace

TEST(RendererState, TheDefaultLight)
{
    TStateOnly v;
    // SetLight(0.72, 0.1): 66.48 degrees up, 36 degrees around.
    const double e = 66.48 * M_PI / 180, a = 36 * M_PI / 180;
    EXPECT_NEAR(v.FLightPos[0], std::cos(e) * std::cos(a), 1e-5);
    EXPECT_NEAR(v.FLightPos[1], std::sin(e), 1e-5);
    EXPECT_NEAR(v.FLightPos[2], std::cos(e) * std::sin(a), 1e-5);
    EXPECT_EQ(v.FLightPos[3], 0);
}

TEST(RendererState, SettersIgnoreOutOfRangeValues)
{
    TStateOnly v;
    v.SetShadowStrength(1.5f);
    EXPECT_FLOAT_EQ(v.FShadowStrength, 0.5f);
    v.SetShadowStrength(1);
    EXPECT_FLOAT_EQ(v.FShadowStrength, 1);
    v.SetShadowStrength(-0.1f);
    EXPECT_FLOAT_EQ(v.FShadowStrength, 1);

    v.SetZoom(10);
    v.SetZoom(0);
    EXPECT_FLOAT_EQ(v.FZoom, 1);
    v.SetZoom(2);
    EXPECT_FLOAT_EQ(v.FZoom, 2); // field of view 28.1 / 2 = 14.05 degrees
    v.SetZoom(0.8f);
    EXPECT_NEAR(v.FZoom, 0.28f, 1e-6);
    v.SetZoom(0.75f); // would open the field of view past 180 degrees
    EXPECT_NEAR(v.FZoom, 0.28f, 1e-6);

    v.SetPageInset(0);
    v.SetPageInset(100);
    EXPECT_FLOAT_EQ(v.FPageInset, 1);
    v.SetPageInset(0.3f);
    EXPECT_FLOAT_EQ(v.FPageInset, 0.3f);

    v.SetAngleX(5.759586f);
    EXPECT_NEAR(v.FAngleX, 330.0f, 1e-3);
    EXPECT_NEAR(v.GetAngleX(), 5.759586f, 1e-6);
    v.SetAngleY(30 * float(M_PI) / 180);
    EXPECT_NEAR(v.FAngleY, 30.0f, 1e-4);

    TStateOnly w;
    v.SetLight(2, -1);
    w.SetLight(1, 0);
    EXPECT_EQ(v.FLightPos, w.FLightPos);
    EXPECT_NEAR(v.FLightPos[0], 0, 1e-6);
    EXPECT_NEAR(v.FLightPos[1], 1, 1e-6);
    EXPECT_NEAR(v.FLightPos[2], 0, 1e-6);
}

TEST(RendererState, ShadowMatrixProjectsAlongTheLightOntoThePlane)
{
    std::array<float, 16> m{};
    const std::array<float, 4> plane{0, 1, 0, 0.75f};
    const std::array<float, 4> light{0.3f, 0.8f, 0.5f, 0};
    BuildShadowMatrix(m, plane, light);
    for (const auto& p : {std::array<double, 3>{0.2, 0.5, -0.1}, {-0.4, 0.75, 0.3}, {0, -0.75, 0}}) {
        double out[4] = {0, 0, 0, 0};
        for (int r = 0; r < 4; ++r)
            out[r] = m[0 * 4 + r] * p[0] + m[1 * 4 + r] * p[1] + m[2 * 4 + r] * p[2] + m[3 * 4 + r];
        const double x = out[0] / out[3], y = out[1] / out[3], z = out[2] / out[3];
        EXPECT_NEAR(y, -0.75, 1e-5); // on the plane y = -d
        // Moved along the light direction.
        const double t = (p[1] - y) / light[1];
        EXPECT_NEAR(p[0] - x, t * light[0], 1e-5);
        EXPECT_NEAR(p[2] - z, t * light[2], 1e-5);
    }
}

TEST(RendererState, JitterGrids)
{
    float x = 0, y = 0;
    JitterOffset(0, 1, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    JitterOffset(8, 9, x, y); // 3 x 3 grid of 0, 1, 2
    EXPECT_FLOAT_EQ(x, 2);
    EXPECT_FLOAT_EQ(y, 2);
    JitterOffset(5, 9, x, y);
    EXPECT_FLOAT_EQ(x, 1);
    EXPECT_FLOAT_EQ(y, 2);
    JitterOffset(3, 4, x, y); // 2 x 2 grid of 0 and 1.5
    EXPECT_FLOAT_EQ(x, 1.5f);
    EXPECT_FLOAT_EQ(y, 1.5f);
    JitterOffset(1, 4, x, y);
    EXPECT_FLOAT_EQ(x, 0);
    EXPECT_FLOAT_EQ(y, 1.5f);
}

TEST(RendererState, DiscTexels)
{
    const auto disc = MakeDiscTexels();
    const int n = TTextureObject::DiscSize;
    ASSERT_EQ(disc.size(), size_t(n) * n * 4);
    // Centre column on the playing surface: a = 0.
    EXPECT_EQ(Texel(disc, n, 256, 356), (std::array<uint8_t, 4>{223, 235, 246, 50}));
    EXPECT_EQ(Texel(disc, n, 256, 256 - 61), (std::array<uint8_t, 4>{223, 235, 246, 50})); // narrow ring
    // The diagonal: a = pi/4.
    EXPECT_EQ(Texel(disc, n, 356, 356), (std::array<uint8_t, 4>{223, 211, 200, 50}));
    // Alpha: hole, faint between the rings, faint rim, clear outside.
    EXPECT_EQ(Texel(disc, n, 256, 256)[3], 0);
    EXPECT_EQ(Texel(disc, n, 256 + 65, 256)[3], 30);
    EXPECT_EQ(Texel(disc, n, 256 + 252, 256)[3], 30);
    EXPECT_EQ(Texel(disc, n, 256 + 254, 256)[3], 0);
    EXPECT_EQ(Texel(disc, n, 0, 0)[3], 0);
    // Where cos 8a = -1 the pattern is most opaque: a = pi/8 at (u, v) = (100, 41.42...).
    const double a = std::atan(41.0 / 100.0);
    EXPECT_EQ(Texel(disc, n, 356, 297)[3], 50 + int(std::nearbyint(100 * (1 - std::cos(8 * a)))));
}

TEST(RendererState, RingTexels)
{
    const auto ring = MakeRingTexels();
    const int n = TTextureObject::RingSize;
    const std::array<uint8_t, 4> dark{5, 5, 20, 230}, clear{255, 255, 255, 0};
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            ASSERT_EQ(Texel(ring, n, c, r), (c < 5 || r >= 16) ? dark : clear) << c << "," << r;
}

TEST(RendererState, AtlasTexelsAreBottomRowFirstAndScaledWhenTooLarge)
{
    TBitmap32 atlas(4, 3);
    atlas.Clear(Color32(1, 2, 3, 4));
    atlas.SetPixel(0, 2, Color32(10, 20, 30, 40)); // bottom-left
    int w = 0, h = 0;
    const auto t = AtlasTexels(atlas, 1024, w, h);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 3);
    EXPECT_EQ((std::array<uint8_t, 4>{t[0], t[1], t[2], t[3]}), (std::array<uint8_t, 4>{10, 20, 30, 40}));
    EXPECT_EQ(t[4], 1);

    TBitmap32 big(3000, 1500);
    big.Clear(Color32(9, 9, 9));
    const auto s = AtlasTexels(big, 1024, w, h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 512);
    EXPECT_EQ(s.size(), size_t(1024) * 512 * 4);
    EXPECT_EQ(s[0], 9);
}
