// The renderer's parameters, setters, shadow projection, jitter and generated textures: no GL.
// (The rings' texture is seen drawn dark in HeadlessRender.)
#include "render/D3DRenderer.h"
#include "render/TextureObject.h"

#include <QVector4D>
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

TEST(RendererState, TheDefaultLightAndSettersThatIgnoreOutOfRangeValues)
{
    TStateOnly v;
    // SetLight(0.72, 0.1): 66.48 degrees up, 36 degrees around.
    const double e = 66.48 * M_PI / 180, a = 36 * M_PI / 180;
    EXPECT_NEAR(v.FLightPos[0], std::cos(e) * std::cos(a), 1e-5);
    EXPECT_NEAR(v.FLightPos[1], std::sin(e), 1e-5);
    EXPECT_NEAR(v.FLightPos[2], std::cos(e) * std::sin(a), 1e-5);
    TStateOnly w;
    v.SetLight(2, -1); // clamped to straight up
    w.SetLight(1, 0);
    EXPECT_EQ(v.FLightPos, w.FLightPos);
    EXPECT_NEAR(v.FLightPos[0], 0, 1e-6);
    EXPECT_NEAR(v.FLightPos[1], 1, 1e-6);

    // Each setter with the values it is given in turn and what it holds after each.
    using TSet = void (TD3DRenderer::*)(float);
    const struct {
        TSet Set;
        float TD3DRenderer::*Field;
        std::vector<std::pair<float, float>> Steps;
    } setters[] = {
        {&TD3DRenderer::SetShadowStrength, &TD3DRenderer::FShadowStrength, {{1.5f, 0.5f}, {1, 1}, {-0.1f, 1}}},
        // Zoom 2: a field of view of 28.1 / 2 degrees; 0.8 becomes 2 v^2 - 1; 0.75 would open
        // the field of view past 180 degrees.
        {&TD3DRenderer::SetZoom, &TD3DRenderer::FZoom, {{10, 1}, {0, 1}, {2, 2}, {0.8f, 0.28f}, {0.75f, 0.28f}}},
        {&TD3DRenderer::SetPageInset, &TD3DRenderer::FPageInset, {{0, 1}, {100, 1}, {0.3f, 0.3f}}},
        {&TD3DRenderer::SetAngleX, &TD3DRenderer::FAngleX, {{5.759586f, 330}}},
        {&TD3DRenderer::SetAngleY, &TD3DRenderer::FAngleY, {{30 * float(M_PI) / 180, 30}}},
    };
    for (const auto& s : setters)
        for (auto [given, held] : s.Steps) {
            (v.*s.Set)(given);
            EXPECT_NEAR(v.*s.Field, held, 1e-3) << given;
        }
}

TEST(RendererState, ShadowMatrixProjectsAlongTheLightOntoThePlane)
{
    const std::array<double, 3> light{0.3, 0.8, 0.5};
    const QMatrix4x4 m = ShadowMatrix(-0.75, light);
    for (const auto& p : {std::array<double, 3>{0.2, 0.5, -0.1}, {-0.4, 0.75, 0.3}, {0, -0.75, 0}}) {
        const QVector4D out = m * QVector4D(float(p[0]), float(p[1]), float(p[2]), 1);
        const double x = out.x() / out.w(), y = out.y() / out.w(), z = out.z() / out.w();
        EXPECT_NEAR(y, -0.75, 1e-5); // on the floor
        // Moved along the light direction.
        const double t = (p[1] - y) / light[1];
        EXPECT_NEAR(p[0] - x, t * light[0], 1e-5);
        EXPECT_NEAR(p[2] - z, t * light[2], 1e-5);
    }
}

TEST(RendererState, JitterGrids)
{
    // Pass, passes: 3 x 3 grid of 0, 1, 2; 2 x 2 grid of 0 and 1.5.
    for (auto [pass, passes, ex, ey] : {std::tuple{0, 1, 0.f, 0.f}, {8, 9, 2.f, 2.f}, {5, 9, 1.f, 2.f}, {3, 4, 1.5f, 1.5f},
                                        {1, 4, 0.f, 1.5f}}) {
        float x = -1, y = -1;
        JitterOffset(pass, passes, x, y);
        EXPECT_FLOAT_EQ(x, ex) << pass << "/" << passes;
        EXPECT_FLOAT_EQ(y, ey) << pass << "/" << passes;
    }
}

TEST(RendererState, DiscTexels)
{
    const auto disc = MakeDiscTexels();
    const int n = TTextureObject::DiscSize;
    ASSERT_EQ(disc.size(), size_t(n) * n * 4);
    // The patterned rings, at angles 0 (both rings) and pi/4 from the centre column.
    EXPECT_EQ(Texel(disc, n, 256, 356), (std::array<uint8_t, 4>{223, 235, 246, 50}));
    EXPECT_EQ(Texel(disc, n, 256, 256 - 61), (std::array<uint8_t, 4>{223, 235, 246, 50}));
    EXPECT_EQ(Texel(disc, n, 356, 356), (std::array<uint8_t, 4>{223, 211, 200, 50}));
    // Alpha: hole, faint between the rings, faint rim, clear outside.
    for (auto [c, r, alpha] : {std::tuple{256, 256, 0}, {256 + 65, 256, 30}, {256 + 252, 256, 30}, {256 + 254, 256, 0}, {0, 0, 0}})
        EXPECT_EQ(Texel(disc, n, c, r)[3], alpha) << c << "," << r;
}

TEST(RendererState, AtlasTexelsAreBottomRowFirstAndScaledWhenTooLarge)
{
    TBitmap32 atlas(4, 3);
    atlas.Clear(Color32(1, 2, 3, 4));
    atlas.SetPixel(0, 2, Color32(10, 20, 30, 40)); // bottom-left
    int w = 0, h = 0;
    const auto t = AtlasTexels(atlas, 1024, w, h);
    EXPECT_EQ(std::pair(w, h), std::pair(4, 3));
    EXPECT_EQ((std::array<uint8_t, 4>{t[0], t[1], t[2], t[3]}), (std::array<uint8_t, 4>{10, 20, 30, 40}));
    EXPECT_EQ(t[4], 1);

    TBitmap32 big(3000, 1500);
    big.Clear(Color32(9, 9, 9));
    const auto s = AtlasTexels(big, 1024, w, h);
    EXPECT_EQ(std::tuple(w, h, s.size()), std::tuple(1024, 512, size_t(1024) * 512 * 4));
    EXPECT_EQ(s[0], 9);
}
