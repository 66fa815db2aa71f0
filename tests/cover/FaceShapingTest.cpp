#include "cover/FaceShaping.h"
#include "common/TestBitmaps.h"

#include <gtest/gtest.h>

namespace {
// Checks fill inside and a one-pixel frame on all four borders.
void ExpectFramed(const TBitmap32& b, TColor32 fill, TColor32 frame)
{
    ASSERT_FALSE(b.Empty());
    const int w = b.Width(), h = b.Height();
    for (QPoint p : {QPoint(0, 0), QPoint(w - 1, h - 1), QPoint(w / 2, 0), QPoint(0, h / 2), QPoint(w - 1, h / 2),
                     QPoint(w / 2, h - 1)})
        EXPECT_EQ(b.Pixel(p.x(), p.y()), frame) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(1, 1), QPoint(w / 2, h / 2), QPoint(w - 2, h - 2)})
        EXPECT_EQ(b.Pixel(p.x(), p.y()), fill) << p.x() << "," << p.y();
}
} // namespace

// (Lighten: its clamping and kept alpha show in the generated top.)
TEST(FaceShaping, GeneratedTopIsColouredAfterTheFrontsTopEdge)
{
    // Only the pixel at (width / 2, 2) decides the colour.
    TBitmap32 front = Filled(101, 60, Color32(0, 0, 0));
    front.SetPixel(50, 2, Color32(100, 20, 220, 200));
    const TBitmap32 side = Filled(17, 60, Color32(1, 2, 3));

    const TBitmap32 top = MakeTopFace(btTwoSidedBox, front, side);
    EXPECT_EQ(top.Size(), QSize(101, 17));
    ExpectFramed(top, Color32(148, 68, 255, 200), Color32(164, 84, 255, 200));

    // Paged types draw the white page block whatever the front.
    const TBitmap32 pages = MakeTopFace(btBookCover, front, side);
    ExpectFramed(pages, Color32(255, 255, 255), Color32(239, 239, 239));

    // Degenerate faces give an empty top rather than reading outside the front.
    EXPECT_TRUE(MakeTopFace(btTwoSidedBox, TBitmap32(), side).Empty());
    EXPECT_TRUE(MakeTopFace(btTwoSidedBox, front, TBitmap32()).Empty());
    EXPECT_EQ(MakeTopFace(btTwoSidedBox, Filled(8, 1, Color32(0, 0, 0)), side).Pixel(3, 3), Color32(48, 48, 48));
}

TEST(FaceShaping, SideReshapingPerType)
{
    const TBitmap32 front = Filled(200, 300, Color32(9, 9, 9));
    // The special report's side takes the front's height from a taller or a shorter side; the
    // other types' widths show in the composition's atlases.
    const std::tuple<TBookType, int, QSize> cases[] = {
        {btSpecialReport, 500, {14, 300}}, {btSpecialReport, 100, {14, 300}}, {btThreeSidedBox, 500, {150, 500}},
        {btTwoSidedBox, 500, {40, 500}}, {TBookType(8), 500, {40, 500}}};
    for (const auto& [type, height, size] : cases) {
        TBitmap32 side = Filled(40, height, Color32(10, 20, 30));
        ReshapeSide(type, front, side);
        EXPECT_EQ(side.Size(), size) << int(type);
        EXPECT_EQ(side.Pixel(side.Width() / 2, side.Height() / 2), Color32(10, 20, 30));
    }
    TBitmap32 empty;
    ReshapeSide(btThreeSidedBox, front, empty);
    EXPECT_TRUE(empty.Empty());
}

// A top of the right size is copied as it is and an empty one generated: see the composition.
TEST(FaceShaping, FitTopFaceStretchesOtherSizes)
{
    TBitmap32 front = Filled(100, 150, Color32(0, 0, 100));
    const TBitmap32 side = Filled(20, 150, Color32(0, 0, 0));
    TBitmap32 small = Filled(10, 10, Color32(200, 0, 0));
    small.FillRect(QRect(0, 0, 5, 10), Color32(0, 200, 0));
    FitTopFace(small, front, side);
    ASSERT_EQ(small.Size(), QSize(100, 20));
    EXPECT_EQ(small.Pixel(10, 10), Color32(0, 200, 0)); // aspect not kept: the left half is green
    EXPECT_EQ(small.Pixel(90, 10), Color32(200, 0, 0));
}

// The CD case's layout is checked through the composition; here the faces' sizes and a front
// no wider than the hinge, which is all hinge.
TEST(FaceShaping, CDCaseFaces)
{
    TBitmap32 front = Filled(400, 300, Color32(200, 10, 10)), side = Filled(30, 300, Color32(10, 200, 10));
    TBitmap32 top = Filled(5, 5, Color32(1, 1, 1));
    MakeCDCaseFaces(front, side, top);
    EXPECT_EQ(std::tuple(top.Size(), front.Size(), side.Size()), std::tuple(QSize(400, 400), QSize(400, 12), QSize(400, 12)));
    EXPECT_EQ(std::pair(top.Pixel(29, 399), top.Pixel(30, 0)), std::pair(Color32(0, 0, 0), Color32(200, 10, 10)));
    TBitmap32 narrow = Filled(20, 30, Color32(200, 10, 10)), narrowTop;
    MakeCDCaseFaces(narrow, side, narrowTop);
    EXPECT_EQ(narrowTop.Size(), QSize(20, 20));
    EXPECT_EQ(narrowTop.Pixel(19, 19), Color32(0, 0, 0));
}
