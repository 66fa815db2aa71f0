#include "cover/Composition.h"
#include "cover/FaceShaping.h"
#include "cover/ImageViewInfo.h"
#include "RecordingCoverView.h"
#include "common/TestBitmaps.h"

#include <gtest/gtest.h>

namespace {
constexpr TColor32 Red = Color32(220, 0, 0), Green = Color32(0, 220, 0), Blue = Color32(0, 0, 220),
                   Grey = Color32(100, 100, 100);

// A face whose pixels tell their own position, to see that copies land exactly.
TBitmap32 Numbered(int w, int h)
{
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32(x & 0xFF, y & 0xFF, (x >> 8) + ((y >> 8) << 4)));
    return b;
}
} // namespace

TEST(Composition, TwoSidedBoxAtlasRegionsAndViewSettings)
{
    TBitmap32 front = Numbered(400, 600), side = Filled(50, 600, Green);
    const TBitmap32 frontCopy = front;
    TRecordingCoverView view;
    ASSERT_TRUE(Compose(btTwoSidedBox, &view, nullptr, &side, &front));

    ASSERT_EQ(view.ShowCount, 1);
    ASSERT_TRUE(view.Atlas);
    const TBitmap32& atlas = *view.Atlas;
    EXPECT_EQ(atlas.Size(), QSize(450, 650));
    EXPECT_EQ(view.FrontWidth, 400);
    EXPECT_EQ(view.FrontHeight, 600);
    EXPECT_EQ(view.SideWidth, 50);
    const TBoxProportions box = BoxProportionsFor(view.FrontWidth, view.FrontHeight, view.SideWidth);
    EXPECT_FLOAT_EQ(box.Y, 1.5f);
    EXPECT_FLOAT_EQ(box.Z, 0.125f);

    // Front copied pixel for pixel below the top, right of the side.
    for (int y : {0, 1, 299, 599})
        for (int x : {0, 1, 257, 399})
            ASSERT_EQ(atlas.Pixel(50 + x, 50 + y), frontCopy.Pixel(x, y)) << x << "," << y;
    EXPECT_EQ(atlas.Pixel(0, 50), Green);
    EXPECT_EQ(atlas.Pixel(49, 649), Green);
    // Generated top: the front's pixel (200, 2) lightened by 48, framed lighter by 64.
    const TColor32 sample = frontCopy.Pixel(200, 2);
    EXPECT_EQ(atlas.Pixel(250, 25), Lighten(sample, 48));
    EXPECT_EQ(atlas.Pixel(50, 0), Lighten(sample, 64));
    // The corner above the side is never written.
    EXPECT_EQ(atlas.Pixel(0, 0), 0u);
    EXPECT_EQ(atlas.Pixel(49, 49), 0u);

    EXPECT_FALSE(view.RingBinding || view.IsCD || view.PagedBook);
    EXPECT_EQ(view.AngleX, DefaultAnglesFor(btTwoSidedBox).X);
    EXPECT_EQ(view.AngleY, DefaultAnglesFor(btTwoSidedBox).Y);
    EXPECT_FLOAT_EQ(view.PageInset, 1.0f);
}

TEST(Composition, PagedTypesIgnoreTheTopAndSpecialReportForcesItsSide)
{
    TBitmap32 front = Filled(200, 300, Red), side = Filled(40, 500, Green), top = Filled(200, 40, Blue);
    TRecordingCoverView view;
    ASSERT_TRUE(Compose(btBookCover, &view, &top, &side, &front));
    EXPECT_EQ(view.Atlas->Pixel(100, 20), Color32(255, 255, 255)); // page block, not the blue top
    EXPECT_TRUE(view.PagedBook);
    EXPECT_FALSE(view.RingBinding);
    EXPECT_FLOAT_EQ(view.PageInset, 1.0f);

    front = Filled(200, 300, Red);
    side = Filled(40, 500, Green);
    ASSERT_TRUE(Compose(btSpecialReport, &view, &top, &side, &front));
    EXPECT_EQ(view.SideWidth, 14);
    EXPECT_EQ(side.Size(), QSize(14, 300)); // reshaped in place
    EXPECT_EQ(view.Atlas->Size(), QSize(214, 314));
    EXPECT_EQ(view.Atlas->Pixel(7, 14 + 150), Green);
    EXPECT_EQ(view.Atlas->Pixel(100, 7), Color32(255, 255, 255));
    EXPECT_TRUE(view.RingBinding && view.PagedBook);
    EXPECT_FLOAT_EQ(view.PageInset, 0.3f);
}

TEST(Composition, TopImageUsedByBoxesCopiedWhenRightSizeStretchedOtherwise)
{
    TBitmap32 front = Filled(400, 600, Red), side = Filled(150, 600, Green);
    TBitmap32 top = Numbered(400, 150);
    const TBitmap32 topCopy = top;
    TRecordingCoverView view;
    ASSERT_TRUE(Compose(btThreeSidedBox, &view, &top, &side, &front));
    for (int y : {0, 77, 149})
        for (int x : {0, 123, 399})
            ASSERT_EQ(view.Atlas->Pixel(150 + x, y), topCopy.Pixel(x, y));

    // A 1-pixel-high blue-over-grey top is stretched over the side's width in height.
    TBitmap32 oddTop = Filled(100, 2, Grey);
    oddTop.FillRect(QRect(0, 0, 100, 1), Blue);
    front = Filled(400, 600, Red);
    side = Filled(80, 600, Green);
    ASSERT_TRUE(Compose(btWideBox, &view, &oddTop, &side, &front));
    EXPECT_EQ(view.SideWidth, 225);
    EXPECT_EQ(view.Atlas->Size(), QSize(625, 825));
    EXPECT_EQ(oddTop.Size(), QSize(400, 225));
    EXPECT_EQ(view.Atlas->Pixel(225 + 200, 10), Blue);
    EXPECT_EQ(view.Atlas->Pixel(225 + 200, 215), Grey);
}

TEST(Composition, CDCaseAtlas)
{
    TBitmap32 front = Filled(400, 380, Red), side = Filled(30, 380, Green);
    TRecordingCoverView view;
    ASSERT_TRUE(Compose(btCDCover, &view, nullptr, &side, &front));
    const TBitmap32& atlas = *view.Atlas;
    EXPECT_EQ(atlas.Size(), QSize(800, 412));
    EXPECT_EQ(view.FrontWidth, 400);
    EXPECT_EQ(view.FrontHeight, 12);
    EXPECT_EQ(view.SideWidth, 400);
    EXPECT_EQ(atlas.Pixel(400 + 10, 200), Color32(0, 0, 0)); // hinge of the cover (top region)
    EXPECT_EQ(atlas.Pixel(400 + 200, 200), Red);
    EXPECT_EQ(atlas.Pixel(400 + 200, 406), Color32(255, 255, 255)); // front: the white edge
    EXPECT_EQ(atlas.Pixel(200, 406), Green);                        // side strip
    EXPECT_TRUE(view.IsCD);
    EXPECT_FALSE(view.PagedBook || view.RingBinding);
    const TBoxProportions box = BoxProportionsFor(view.FrontWidth, view.FrontHeight, view.SideWidth);
    EXPECT_FLOAT_EQ(box.Y, 0.03f);
    EXPECT_FLOAT_EQ(box.Z, 1.0f);
}

TEST(Composition, MissingOrEmptyFacesComposeNothing)
{
    TRecordingCoverView view;
    TBitmap32 front = Filled(40, 60, Red), side = Filled(10, 60, Green), empty;
    EXPECT_FALSE(Compose(btTwoSidedBox, &view, nullptr, &side, nullptr));
    EXPECT_FALSE(Compose(btTwoSidedBox, &view, nullptr, nullptr, &front));
    EXPECT_FALSE(Compose(btThreeSidedBox, &view, nullptr, &side, &empty));
    EXPECT_FALSE(Compose(btSpecialReport, &view, nullptr, &empty, &front));
    EXPECT_FALSE(Compose(btTwoSidedBox, nullptr, nullptr, &side, &front));
    EXPECT_EQ(view.ShowCount, 0);
    EXPECT_EQ(view.AngleX, -1.0f); // settings untouched too
    EXPECT_EQ(side.Size(), QSize(10, 60));
    EXPECT_TRUE(BuildAtlas(empty, side, nullptr).Empty());
    EXPECT_TRUE(BuildAtlas(front, empty, nullptr).Empty());
}

TEST(Composition, FinalCompositionStartsFromTheRecordsEachTime)
{
    TImageViewInfo frontRec, sideRec, topRec;
    frontRec.Bitmap = Filled(300, 400, Red);
    sideRec.Bitmap = Filled(60, 400, Green);
    topRec.Bitmap = Filled(300, 150, Blue);
    TRecordingCoverView view;

    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(ComposeFinal(btThreeSidedBox, &view, frontRec, sideRec, topRec));
        EXPECT_EQ(view.SideWidth, 150);
        EXPECT_EQ(sideRec.Bitmap.Size(), QSize(60, 400)); // the record itself is never reshaped
        EXPECT_EQ(view.Atlas->Pixel(300, 75), Blue);
    }
    // The book cover never uses the top record: the page block shows.
    ASSERT_TRUE(ComposeFinal(btBookCover, &view, frontRec, sideRec, topRec));
    EXPECT_EQ(view.Atlas->Pixel(200, 30), Color32(255, 255, 255));
    EXPECT_EQ(view.Atlas->Size(), QSize(360, 460));
    // Type 0 with an empty top record generates the front-coloured top.
    topRec.Layers.Add<TBitmapLayer>();
    topRec.Clear();
    EXPECT_EQ(topRec.Layers.Count(), 0);
    ASSERT_TRUE(ComposeFinal(btTwoSidedBox, &view, frontRec, sideRec, topRec));
    EXPECT_EQ(view.Atlas->Pixel(200, 30), Lighten(Red, 48));
    // Nothing was edited: nothing to show.
    frontRec.Clear();
    EXPECT_FALSE(ComposeFinal(btTwoSidedBox, &view, frontRec, sideRec, topRec));
}
