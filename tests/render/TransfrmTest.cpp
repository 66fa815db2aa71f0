#include "render/Transfrm.h"

#include "RenderTestUtil.h"

#include <gtest/gtest.h>

namespace {
const TColor32 Blue = Color32(0, 0, 255);
const TColor32 Green = Color32(0, 200, 0);
const TColor32 Orange = Color32(250, 150, 0);

TBitmap32 Solid(int w, int h, TColor32 c)
{
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

// First and last row of column x that hold `c`.
std::pair<int, int> Span(const TBitmap32& b, int x, TColor32 c)
{
    int first = -1, last = -1;
    for (int y = 0; y < b.Height(); ++y)
        if (b.Pixel(x, y) == c) {
            if (first < 0)
                first = y;
            last = y;
        }
    return {first, last};
}
} // namespace

TEST(Transfrm, TaperColumnsShortensEveryTenthColumn)
{
    const int H = 60;
    const TBitmap32 front = Solid(100, H, Blue);
    const TBitmap32 left = TaperColumns(front, 10, true);
    ASSERT_EQ(left.Size(), front.Size());
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(Span(left, x, Blue), std::make_pair(0, H - 1)) << x;
    for (int x = 10; x < 20; ++x)
        EXPECT_EQ(Span(left, x, Blue), std::make_pair(1, H - 2)) << x;
    for (int x = 90; x < 100; ++x)
        EXPECT_EQ(Span(left, x, Blue), std::make_pair(9, H - 10)) << x;
    EXPECT_EQ(left.Pixel(99, 0), FlatBackground);

    // From the right: the right edge stays full height, the left end is shortest.
    const TBitmap32 right = TaperColumns(front, 10, false);
    EXPECT_EQ(Span(right, 99, Blue), std::make_pair(0, H - 1));
    EXPECT_EQ(Span(right, 90, Blue), std::make_pair(0, H - 1));
    EXPECT_EQ(Span(right, 89, Blue), std::make_pair(1, H - 2));
    EXPECT_EQ(Span(right, 0, Blue), std::make_pair(9, H - 10));

    EXPECT_TRUE(TaperColumns(TBitmap32(), 10, true).Empty());
}

TEST(Transfrm, TaperStretchesTheColumnContent)
{
    // A column with a top half red and bottom half blue keeps the halves after shrinking.
    TBitmap32 src(30, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 30; ++x)
            src.SetPixel(x, y, y < 20 ? Orange : Blue);
    const TBitmap32 t = TaperColumns(src, 10, true);
    EXPECT_EQ(t.Pixel(25, 2), Orange);
    EXPECT_EQ(t.Pixel(25, 18), Orange);
    EXPECT_EQ(t.Pixel(25, 21), Blue);
    EXPECT_EQ(t.Pixel(25, 37), Blue);
    EXPECT_EQ(t.Pixel(25, 1), FlatBackground);
}

TEST(Transfrm, FlatTwoSidedSqueezesTheSpineAndOverlapsTheFront)
{
    const TBitmap32 front = Solid(100, 80, Blue);
    const TBitmap32 side = Solid(41, 80, Green);
    const TBitmap32 flat = FlatTwoSided(front, side);
    ASSERT_EQ(flat.Width(), 100 + 20);
    ASSERT_EQ(flat.Height(), 80);
    // The spine's right edge and the front's left edge are full height; the front starts 3 px
    // into the spine.
    EXPECT_EQ(flat.Pixel(16, 0), Green);
    EXPECT_EQ(flat.Pixel(17, 0), Blue);
    EXPECT_EQ(flat.Pixel(17, 79), Blue);
    EXPECT_EQ(flat.Pixel(0, 40), Green);
    EXPECT_EQ(flat.Pixel(0, 0), FlatBackground);     // the spine's far end is tapered
    EXPECT_EQ(flat.Pixel(119, 0), FlatBackground);   // so is the front's
    EXPECT_TRUE(FlatTwoSided(front, TBitmap32()).Empty());
}

TEST(Transfrm, FlatThreeSidedPlacesTheParallelograms)
{
    const TBitmap32 front = Solid(200, 300, Blue);
    const TBitmap32 side = Solid(40, 300, Green);
    const TBitmap32 top = Solid(200, 40, Orange);
    const TBitmap32 flat = FlatThreeSided(front, side, &top);
    const int h = 20, R = 330;
    ASSERT_EQ(flat.Width(), 200 + h + 10);
    ASSERT_EQ(flat.Height(), R);
    EXPECT_TRUE(Near(flat.Pixel(120, 180), Blue));  // inside the front
    EXPECT_TRUE(Near(flat.Pixel(8, 180), Green));   // inside the spine
    EXPECT_TRUE(Near(flat.Pixel(110, 15), Orange)); // inside the top
    // The top's far corner lands next to the front's upper-right corner.
    EXPECT_TRUE(Near(flat.Pixel(217, 20), Orange, 40) || Near(flat.Pixel(217, 20), Blue, 40));
    EXPECT_EQ(flat.Pixel(229, 2), FlatBackground);
    EXPECT_EQ(flat.Pixel(2, 325), FlatBackground);

    // Without a top, a grey one with a black frame is used.
    const TBitmap32 grey = FlatThreeSided(front, side, nullptr);
    EXPECT_TRUE(Near(grey.Pixel(110, 15), Color32(0x80, 0x80, 0x80)));
}

TEST(Transfrm, FlatCoverByType)
{
    const TBitmap32 front = Solid(60, 90, Blue), side = Solid(20, 90, Green);
    QString message;
    EXPECT_EQ(FlatCover(0, &front, &side, nullptr, &message).Width(), 70);
    EXPECT_EQ(FlatCover(1, &front, &side, nullptr, &message).Height(), 120);
    EXPECT_TRUE(message.isEmpty());
    EXPECT_TRUE(FlatCover(2, &front, &side, nullptr, &message).Empty());
    EXPECT_EQ(message, "Not implemented yet.");
    message.clear();
    for (int type : {3, 4, 5, 6, 7, 8})
        EXPECT_TRUE(FlatCover(type, &front, &side, nullptr, &message).Empty());
    EXPECT_TRUE(message.isEmpty());
    EXPECT_TRUE(FlatCover(0, nullptr, &side, nullptr).Empty());
}

TEST(Transfrm, PreviewDrawingTellsTheUserAboutTheBookCover)
{
    QStringList told;
    const TFlatDrawing draw = FlatPreviewDrawing([&](const QString& m) { told << m; });
    const TBitmap32 front = Solid(60, 90, Blue), side = Solid(20, 90, Green);
    const auto two = draw(btTwoSidedBox, front, side, nullptr);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->Width(), 70);
    EXPECT_FALSE(draw(btBookCover, front, side, nullptr));
    EXPECT_FALSE(draw(btWideBox, front, side, nullptr));
    EXPECT_EQ(told, QStringList{"Not implemented yet."});
}
