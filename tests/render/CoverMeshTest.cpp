#include "render/CoverMesh.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {
// The atlas coordinates (s, t) of a quad's four corners, in order.
std::vector<std::pair<double, double>> Corners(const TMeshQuad& q)
{
    std::vector<std::pair<double, double>> st;
    for (const TMeshVertex& v : q)
        st.emplace_back(v.S, v.T);
    return st;
}
} // namespace

TEST(CoverMesh, UnitCubeSplitsTheAtlasInHalves)
{
    const auto quads = BoxQuads({{1, 1, 1}, false, 1.0f});
    ASSERT_EQ(quads.size(), 6u);
    using TST = std::vector<std::pair<double, double>>;
    // Spine: s from 0 (back edge) to sL, t from 0 to tF; at x = -X/2, facing left.
    EXPECT_EQ(Corners(quads[0]), (TST{{0, 0}, {0.5, 0}, {0.5, 0.5}, {0, 0.5}}));
    EXPECT_EQ(std::pair(quads[0][0].Pos.x, quads[0][0].Normal.x), std::pair(-0.5f, -1.0f));
    // The top samples the top region; the front cover, at +Z/2 facing the viewer, runs from
    // (sL, 0) to (1, tF); the back shows it mirrored (its right edge samples the region's left).
    EXPECT_EQ(Corners(quads[1]), (TST{{0.5, 1}, {0.5, 0.5}, {1, 0.5}, {1, 1}}));
    EXPECT_EQ(Corners(quads[4]), (TST{{1, 0}, {1, 0.5}, {0.5, 0.5}, {0.5, 0}}));
    EXPECT_EQ(Corners(quads[5]), (TST{{0.5, 0.5}, {0.5, 0}, {1, 0}, {1, 0.5}}));
    EXPECT_FLOAT_EQ(quads[4][0].Normal.z, 1);
    for (const auto& v : quads[4])
        EXPECT_FLOAT_EQ(v.Pos.z, 0.5f);
    EXPECT_EQ(std::pair(quads[5][0].Pos.x, quads[5][2].Pos.x), std::pair(0.5f, -0.5f));
}

TEST(CoverMesh, PagedTypeInsetsThePageBlockButNotTheCovers)
{
    const TBoxSize box{1, 1.5f, 0.1f};
    const auto quads = BoxQuads({box, true, 1.0f}); // k = 0.96
    // Top at 0.48 Y, free edge at 0.48 X.
    for (const auto& v : quads[1])
        EXPECT_NEAR(v.Pos.y, 0.48f * 1.5f, 1e-6);
    for (const auto& v : quads[2])
        EXPECT_NEAR(v.Pos.x, 0.48f, 1e-6);
    // The opposite side shows the page block texture of the top region.
    EXPECT_GT(quads[2][0].T, 0.9);
    // Covers and spine keep the full size.
    EXPECT_FLOAT_EQ(quads[4][1].Pos.y, 0.75f);
    EXPECT_FLOAT_EQ(quads[4][0].Pos.x, 0.5f);
    EXPECT_FLOAT_EQ(quads[0][2].Pos.y, 0.75f);
    // Not paged: the side again on the opposite face, mirrored front to back.
    const auto box0 = BoxQuads({box, false, 1.0f});
    EXPECT_FLOAT_EQ(box0[2][1].Pos.z, 0.05f);
    EXPECT_DOUBLE_EQ(box0[2][1].S, 0.0);
    EXPECT_FLOAT_EQ(box0[2][0].Pos.x, 0.5f);
    // Type 6 (inset 0.8): k = 0.968.
    const auto thin = BoxQuads({box, true, 0.8f});
    EXPECT_NEAR(thin[2][0].Pos.x, 0.5f * 0.968f, 1e-6);
}

// With a back region a paged type's atlas is side | front | back: the covers sample their own
// regions, and the back runs from its left edge at x = +X/2 (the left seen from behind) to its
// right edge at the spine. Without one (or not paged) the atlas is side | front and the back
// cover samples the front region mirrored.
TEST(CoverMesh, PagedBackCoverSamplesTheBackRegionOnlyWhenThereIsOne)
{
    const TBoxSize box{1, 1.5f, 0.1f};
    const double tF = 1.5 / 1.6;
    auto near = [](const TMeshQuad& q, std::vector<std::pair<double, double>> st) {
        for (size_t i = 0; i < 4; ++i)
            if (std::abs(q[i].S - st[i].first) > 1e-6 || std::abs(q[i].T - st[i].second) > 1e-6)
                return false;
        return true;
    };
    const struct {
        bool Paged, Back;
        double Width; // the atlas in box units: Z + X, or Z + 2 X with the back region
    } cases[] = {{true, true, 2.1}, {true, false, 1.1}, {false, true, 1.1}, {false, false, 1.1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Paged << c.Back);
        const auto quads = BoxQuads({box, c.Paged, 1.0f, c.Back});
        const double sL = 0.1 / c.Width, sR = 1.1 / c.Width;
        const bool region = c.Paged && c.Back;
        const double bL = region ? sR : sL, bR = region ? 1 : sR;
        EXPECT_TRUE(near(quads[0], {{0, 0}, {sL, 0}, {sL, tF}, {0, tF}}));   // spine
        EXPECT_TRUE(near(quads[4], {{sR, 0}, {sR, tF}, {sL, tF}, {sL, 0}})); // front
        EXPECT_TRUE(near(quads[5], {{bL, tF}, {bL, 0}, {bR, 0}, {bR, tF}})); // back
        EXPECT_TRUE(near(quads[1], {{sL, 1}, {sL, tF}, {sR, tF}, {sR, 1}})); // top region
        EXPECT_EQ(std::pair(quads[5][0].Pos.x, quads[5][2].Pos.x), std::pair(0.5f, -0.5f));
    }
}

TEST(CoverMesh, RingStripClosesAroundTheSpineEdge)
{
    const TBoxSize box{1, 2, 0.1f};
    const auto strip = RingStrip(box, 0.03f, 30.0f);
    ASSERT_EQ(strip.size(), 64u);
    // First and last points coincide; the axis runs through (x0, *, 0).
    EXPECT_NEAR(strip.front().Pos.x, strip[62].Pos.x, 1e-6);
    EXPECT_NEAR(strip.front().Pos.z, strip[62].Pos.z, 1e-6);
    EXPECT_NEAR(strip[0].Pos.x, -0.5f - 0.03f, 1e-6);
    EXPECT_FLOAT_EQ(strip[0].Pos.y, -1);
    EXPECT_FLOAT_EQ(strip[1].Pos.y, 1);
    EXPECT_DOUBLE_EQ(strip[0].T, 30.0);
    EXPECT_DOUBLE_EQ(strip[1].T, 0.0);
    EXPECT_DOUBLE_EQ(strip[0].S, 1 - 1 / 32.0);
    for (const auto& v : strip) {
        const double dx = v.Pos.x + 0.5, dz = v.Pos.z;
        EXPECT_NEAR(std::sqrt(dx * dx + dz * dz), 0.03, 1e-6);
    }
}
