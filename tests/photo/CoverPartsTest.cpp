// The parts that are not a plain box: the disc's clear hole, and covers seen from below the
// floor's plane, where no floor may hide them.
#include "render/scene/SceneMesh.h"

#include "PhotoTestUtil.h"
#include "render/RenderTestUtil.h"

#include <gtest/gtest.h>

TEST(PhotoParts, TheDiscsHoleShowsWhatIsBehindIt)
{
    const TColor32 bg = Color32(40, 160, 90);
    TCoverRenderSettings s = WholePicture(btCDCover, 400, 300);
    s.CDPosition = 1; // the disc slid out of its case: behind its hole lies only the floor
    s.Background = bg;
    s.Transparent = true; // coverage as alpha, whatever the metal mirrors
    TPhotoLook look;
    look.Reflection = 0;
    const TPhotoScene scene = BuildPhotoScene(
        PlainCover(btCDCover, Color32(200, 30, 30), Color32(30, 30, 30), Color32(200, 30, 30)), s, look);
    ASSERT_EQ(scene.Floor.ShadowStrength, 0.0f); // the CD case has no shadow by default
    const TBitmap32 picture = Photo(scene, 16);
    // The disc's centre (its hole) in the floor's frame: the disc model's origin.
    TCoverPlacement placement;
    placement.IsCD = true;
    placement.CDPosition = 1;
    placement.AngleY = DefaultAnglesFor(btCDCover).Y * 180 / 3.14159265358979;
    const QPointF hole = PicturePoint(scene.Camera, placement.DiscToFloor({0, 0, 0}));
    EXPECT_EQ(AlphaOf(picture.Pixel(int(hole.x()), int(hole.y()))), 0);
    // The disc's print where it is most opaque (22.5 degrees round) hides what is behind it, and
    // where it is faint (0 degrees) mostly shows it.
    const double a = 3.14159265358979 / 8;
    const QPointF ring = PicturePoint(scene.Camera, placement.DiscToFloor({0.3 * std::cos(a), 0.3 * std::sin(a), 0}));
    EXPECT_GT(AlphaOf(picture.Pixel(int(ring.x()), int(ring.y()))), 215);
    const QPointF faint = PicturePoint(scene.Camera, placement.DiscToFloor({0.3, 0, 0}));
    EXPECT_NEAR(AlphaOf(picture.Pixel(int(faint.x()), int(faint.y()))), 0.2 * 255, 30);
}

TEST(PhotoParts, SeenFromBelowTheFloorTheCoverStandsFreeOnTheBackground)
{
    // The magazine's own angles look up from below the floor's plane: no floor is drawn, so
    // every pixel is the cover or exactly the background.
    const TColor32 bg = Color32(250, 240, 200);
    TCoverRenderSettings s = WholePicture(btElectronicMagazine, 300, 300);
    s.Background = bg;
    const TPhotoScene scene = BuildPhotoScene(
        PlainCover(btElectronicMagazine, Color32(20, 20, 120), Color32(20, 20, 120), Color32(20, 20, 120)), s,
        TPhotoLook());
    ASSERT_FALSE(scene.Floor.Present);
    const TBitmap32 picture = Photo(scene, 8);
    const int background = CountPixels(picture, [&](TColor32 c) { return c == (bg | 0xFF000000u); });
    const int cover = CountPixels(picture, [&](TColor32 c) { return MaxChannelDiff(c, bg) > 60; });
    EXPECT_GT(cover, 2000);
    // Only the cover's anti-aliased outline lies between the two.
    EXPECT_LT(picture.Width() * picture.Height() - background - cover, 4 * picture.Width());
}
