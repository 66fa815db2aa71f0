// Whole covers drawn without a display, composed for each book type and cut to their contents.
#include "render/HeadlessCover.h"
#include "render/HeadlessContext.h"

#include "RenderTestUtil.h"
#include "common/RequireGL.h"
#include "common/TestBitmaps.h"

#include <gtest/gtest.h>

namespace {
const TColor32 White = Color32(255, 255, 255);

bool NoDriver()
{
    THeadlessContext probe;
    return !probe.Ok();
}

// Whether the edge rows and columns of b each hold a pixel other than bg (a tight crop).
bool TightAround(const TBitmap32& b, TColor32 bg)
{
    bool top = false, bottom = false, left = false, right = false;
    for (int x = 0; x < b.Width(); ++x) {
        top |= b.Pixel(x, 0) != bg;
        bottom |= b.Pixel(x, b.Height() - 1) != bg;
    }
    for (int y = 0; y < b.Height(); ++y) {
        left |= b.Pixel(0, y) != bg;
        right |= b.Pixel(b.Width() - 1, y) != bg;
    }
    return top && bottom && left && right;
}
} // namespace

TEST(HeadlessCover, EveryTypeRendersACroppedPicture)
{
    TAVLO_REQUIRE_GL(!NoDriver(), "EGL surfaceless");
    for (int type = 0; type < BookTypeCount; ++type) {
        TBitmap32 front = Filled(300, 450, Color32(200, 40, 40)), side = Filled(40, 450, Color32(40, 40, 200));
        TBitmap32 top = Filled(300, 40, Color32(40, 200, 40));
        TCoverRenderSettings s;
        s.Type = TBookType(type);
        const TBitmap32 picture = RenderCoverHeadless(front, side, &top, s);
        SCOPED_TRACE(type);
        EXPECT_FALSE(picture.Empty());
        EXPECT_LT(picture.Width(), 800);
        EXPECT_LT(picture.Height(), 600);
        EXPECT_GT(picture.Width(), 100);
        EXPECT_GT(picture.Height(), 60);
        EXPECT_TRUE(TightAround(picture, White));
        // Shadow by default except for the types the final page clears it for.
        const float c = 1 - 0.27f * 0.5f;
        const TColor32 shadow = Color32(int(std::lround(255 * c)), int(std::lround(255 * c)), int(std::lround(255 * c)));
        const int shadowPixels = CountPixels(picture, [&](TColor32 p) { return Near(p, shadow, 1); });
        if (type == 3 || type == 4 || type == 5 || type == 6)
            EXPECT_LT(shadowPixels, 30);
        else
            EXPECT_GT(shadowPixels, 300);
    }
}

TEST(HeadlessCover, FrontOnViewIsCutToTheBoxFace)
{
    TAVLO_REQUIRE_GL(!NoDriver(), "EGL surfaceless");
    TBitmap32 front = Filled(200, 400, Color32(200, 40, 40)), side = Filled(20, 400, Color32(40, 40, 200));
    TCoverRenderSettings s;
    s.Width = 400;
    s.Height = 300;
    s.AngleX = 0;
    s.AngleY = 0;
    s.Shadow = false;
    s.Background = Color32(10, 20, 30);
    const TBitmap32 picture = RenderCoverHeadless(front, side, nullptr, s);
    // The 200 x 400 front fitted to the 400 x 300 window: 0.375 x 0.75 units, 3 - Z/2 away.
    EXPECT_NEAR(picture.Height(), ProjectedPixels(0.75, 3 - 0.0375 / 2, 300), 2.0);
    EXPECT_NEAR(picture.Width(), ProjectedPixels(0.375, 3 - 0.0375 / 2, 300), 2.0);

    // Twice the size gives twice the picture; zoom 2 doubles it too.
    TBitmap32 front2 = Filled(200, 400, Color32(200, 40, 40)), side2 = Filled(20, 400, Color32(40, 40, 200));
    s.Width = 800;
    s.Height = 600;
    s.Smooth = true;
    s.Passes = 4;
    const TBitmap32 big = RenderCoverHeadless(front2, side2, nullptr, s);
    EXPECT_NEAR(big.Height(), 2 * picture.Height(), 3.0);
}

TEST(HeadlessCover, BadInputIsRefusedWithAMessage)
{
    TBitmap32 empty, side = Filled(20, 40, White);
    TCoverRenderSettings s;
    EXPECT_THROW(RenderCoverHeadless(empty, side, nullptr, s), std::runtime_error);
    for (auto change : std::initializer_list<void (*)(TCoverRenderSettings&)>{
             [](TCoverRenderSettings& t) { t.Width = 9000; }, [](TCoverRenderSettings& t) { t.Height = 0; },
             [](TCoverRenderSettings& t) { t.Zoom = 0.7f; }, [](TCoverRenderSettings& t) { t.Passes = 0; },
             [](TCoverRenderSettings& t) { t.LightElevation = 1.5f; },
             [](TCoverRenderSettings& t) { t.Type = TBookType(8); }}) {
        TCoverRenderSettings bad;
        change(bad);
        EXPECT_THROW(ValidateSettings(bad), std::runtime_error);
    }
    EXPECT_NO_THROW(ValidateSettings(s));
}
