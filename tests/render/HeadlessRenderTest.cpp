// The renderer core drawing on EGL surfaceless (no display): pixel facts with a tolerance.
#include "render/Accumulator.h"
#include "render/GLHeaders.h"
#include "render/HeadlessView.h"

#include "RenderTestUtil.h"
#include "common/RequireGL.h"

#include <gtest/gtest.h>

namespace {
const TColor32 Red = Color32(220, 30, 30);
const TColor32 Green = Color32(30, 200, 30);
const TColor32 Grey = Color32(150, 150, 150);

class HeadlessRender : public testing::Test {
protected:
    void SetUp() override
    {
        bool ok = false;
        FView = std::make_unique<THeadlessView>(400, 300, ok);
        TAVLO_REQUIRE_GL(ok, "EGL surfaceless: " << FView->Error().toStdString());
    }
    // Shows a box of the given face sizes at the given angles.
    const TBitmap32& Show(int fw, int fh, int sw, float angleXdeg, float angleYdeg)
    {
        atlas = MakeAtlas(fw, fh, sw, Red, Green, Grey);
        FView->FAngleX = angleXdeg;
        FView->FAngleY = angleYdeg;
        FView->ShowCover(&atlas, fw, fh, sw);
        return FView->LastFrame();
    }
    std::unique_ptr<THeadlessView> FView;
    TBitmap32 atlas;
};
} // namespace

// (The background and the fitted height are checked with the window's view, TD3DWin.)
TEST_F(HeadlessRender, FittedSilhouetteCentredAndZoomed)
{
    FView->FBackColor = Color32(40, 120, 200);
    const TBitmap32 frame = Show(200, 400, 20, 0, 0);
    // Fitted to 0.375 x 0.75 x 0.0375; the front face is 3 - Z/2 away from the camera.
    const double depth = 3 - 0.0375 / 2;
    const QRect r = ContentRect(frame, Color32(40, 120, 200));
    EXPECT_NEAR(r.width(), ProjectedPixels(0.375, depth, 300), 2.0);
    EXPECT_NEAR(r.center().x(), 199.5, 1.5);
    EXPECT_NEAR(r.center().y(), 149.5, 1.5);
    // Zoom 2 halves the field of view: the box doubles on screen.
    FView->SetZoom(2);
    FView->ShowCover(nullptr, 0, 0, 0);
    EXPECT_NEAR(ContentRect(FView->LastFrame(), Color32(40, 120, 200)).width(),
                ProjectedPixels(0.375, depth, 300, 2.0), 2.0);
    // The front shows the red front region, lit.
    EXPECT_GT(RedOf(frame.Pixel(200, 150)), 3 * GreenOf(frame.Pixel(200, 150)));
}

TEST_F(HeadlessRender, ShadowColourFollowsStrengthAndBackground)
{
    FView->SetLight(0.3f, 0.1f); // a low light casts a long shadow
    Show(200, 300, 60, 20, 30);
    const TBitmap32 plain = FView->LastFrame();
    // Full strength darkens the white background by 27 %; the default half strength is checked on
    // every cover type (HeadlessCover).
    FView->FShadow = true;
    FView->SetShadowStrength(1);
    FView->ShowCover(nullptr, 0, 0, 0);
    const int level = int(std::lround(255 * (1 - 0.27f)));
    const TColor32 expected = Color32(level, level, level);
    EXPECT_GT(CountPixels(FView->LastFrame(), [&](TColor32 c) { return Near(c, expected, 2); }), 500);
    EXPECT_LT(CountPixels(plain, [&](TColor32 c) { return Near(c, expected, 2); }), 50);
    // On black the shadow is black too.
    FView->FBackColor = Color32(0, 0, 0);
    TBitmap32 onBlack[2];
    for (bool shadow : {false, true}) {
        FView->FShadow = shadow;
        FView->ShowCover(nullptr, 0, 0, 0);
        onBlack[shadow] = FView->LastFrame();
    }
    EXPECT_TRUE(onBlack[1].SamePixels(onBlack[0]));
}

TEST_F(HeadlessRender, SmoothingIsTheAverageOfTheJitteredPasses)
{
    Show(200, 300, 40, 15, 30);
    FView->FShadow = true;
    FView->FSmooth = true;
    FView->FPasses = 4;
    ASSERT_TRUE(FView->MakeCurrent());
    // The reference: each pass drawn and read back, averaged here.
    std::vector<float> sum(size_t(400) * 300 * 3, 0.0f);
    for (int i = 0; i < 4; ++i) {
        FView->DrawPass(i, 4);
        const TBitmap32 pass = ReadFramebuffer(400, 300);
        for (int y = 0, k = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x) {
                const TColor32 c = pass.Pixel(x, y);
                sum[k++] += RedOf(c) / 4.0f;
                sum[k++] += GreenOf(c) / 4.0f;
                sum[k++] += BlueOf(c) / 4.0f;
            }
    }
    TBitmap32 results[2];
    int i = 0;
    for (auto backend : {TAccumulator::TBackend::Cpu, TAccumulator::TBackend::FloatFbo}) {
        FView->SetAccumulator(TAccumulator::Create(backend));
        FView->PaintAccumulated(4);
        results[i++] = ReadFramebuffer(400, 300);
    }
    TBitmap32 average(400, 300);
    for (int y = 0, k = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x, k += 3)
            average.SetPixel(x, y, Color32(int(std::lround(sum[k])), int(std::lround(sum[k + 1])),
                                           int(std::lround(sum[k + 2]))));
    EXPECT_EQ(CountDiffering(results[0], average, 1), 0);
    // Both backends agree within one level, nearly always exactly.
    EXPECT_EQ(CountDiffering(results[0], results[1], 1), 0);
    EXPECT_LT(CountDiffering(results[0], results[1], 0), 400);
}

TEST_F(HeadlessRender, CDPositionPullsTheDiscOutAndRingsDrawDark)
{
    FView->FIsCD = true;
    FView->FCDPosition = 0;
    // A CD case: front 400 wide gives a 1 x 0.03 x 1 case.
    const TBitmap32 in = Show(400, 12, 12, 25, 33);
    const QRect inside = ContentRect(in, Color32(255, 255, 255));
    FView->FCDPosition = 1;
    FView->ShowCover(nullptr, 0, 0, 0);
    const QRect out = ContentRect(FView->LastFrame(), Color32(255, 255, 255));
    EXPECT_GT(out.width(), inside.width() + 40);

    FView->FIsCD = false;
    const auto dark = [](TColor32 c) { return RedOf(c) < 40 && GreenOf(c) < 40 && BlueOf(c) < 60; };
    Show(200, 300, 14, 325, 0);
    const int before = CountPixels(FView->LastFrame(), dark);
    FView->FRingBinding = true;
    FView->ShowCover(nullptr, 0, 0, 0);
    EXPECT_GT(CountPixels(FView->LastFrame(), dark), before + 100);
}

TEST_F(HeadlessRender, OffscreenRenderMatchesTheViewAndTiles)
{
    FView->FShadow = true;
    Show(200, 300, 40, 20, 30);
    const TBitmap32 view = FView->LastFrame();
    // The same size renders the same picture.
    ASSERT_TRUE(FView->MakeCurrent());
    const TBitmap32 same = FView->RenderToBitmap(400, 300);
    EXPECT_TRUE(same.SamePixels(view));
    // Larger: the content scales with the size; drawn in tiles it is the same picture.
    const TBitmap32 big = FView->RenderToBitmap(1200, 900);
    ASSERT_EQ(big.Size(), QSize(1200, 900));
    const QRect small = ContentRect(view, Color32(255, 255, 255));
    const QRect large = ContentRect(big, Color32(255, 255, 255));
    EXPECT_NEAR(large.width(), small.width() * 3.0, 6.0);
    EXPECT_NEAR(large.top(), small.top() * 3.0, 6.0);
    const TBitmap32 tiled = FView->RenderToBitmap(1200, 900, 256);
    ASSERT_EQ(tiled.Size(), big.Size());
    EXPECT_LT(CountDiffering(tiled, big, 2), 60); // at most a few edge pixels on the tile seams
    EXPECT_THROW(FView->RenderToBitmap(9000, 100), std::runtime_error);
    // The view itself is unchanged afterwards.
    FView->ShowCover(nullptr, 0, 0, 0);
    EXPECT_TRUE(FView->LastFrame().SamePixels(view));
}

// The final page shows the saved picture's size; a turntable saved from it has frames of exactly
// that size, each holding the cover and its shadow whole at its angle.
TEST_F(HeadlessRender, TurntableFramesTakeTheAskedSizeAndHoldEveryAngle)
{
    FView->FShadow = true;
    FView->FSmooth = true;
    FView->FPasses = 2;
    Show(200, 300, 40, 20, 30);
    ASSERT_TRUE(FView->MakeCurrent());
    const QSize page = FView->ContentSize(400);
    const float angle = FView->FAngleY;
    std::vector<QSize> sizes;
    QRect all;
    bool inside = true;
    EXPECT_TRUE(FView->RenderTurntable(12, page, [&](int, const TBitmap32& frame) {
        sizes.push_back(frame.Size());
        const QRect content = ContentRect(frame, Color32(255, 255, 255));
        inside = inside && QRect(QPoint(1, 1), frame.Size() - QSize(2, 2)).contains(content);
        all |= content;
        return true;
    }));
    EXPECT_EQ(sizes, std::vector<QSize>(12, page));
    EXPECT_TRUE(inside) << "a frame's cover or shadow touches the picture's edge";
    // Scaled to fit, not shrunk further: the turning cover reaches across the width or the height.
    EXPECT_TRUE(all.width() >= page.width() - 8 || all.height() >= page.height() - 8)
        << all.width() << "x" << all.height() << " in " << page.width() << "x" << page.height();
    EXPECT_EQ(FView->FAngleY, angle);

    // A frame answering false stops the turn; sizes beyond the limit are refused.
    int frames = 0;
    EXPECT_FALSE(FView->RenderTurntable(12, page, [&](int, const TBitmap32&) { return ++frames < 3; }));
    EXPECT_EQ(frames, 3);
    EXPECT_THROW(FView->RenderTurntable(4, QSize(100, 9000), [](int, const TBitmap32&) { return true; }), std::runtime_error);
}
