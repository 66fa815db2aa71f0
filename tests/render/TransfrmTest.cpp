#include "render/Transfrm.h"

#include "RenderTestUtil.h"

#include <gtest/gtest.h>

namespace {
const TColor32 Blue = Color32(0, 0, 255);
const TColor32 Green = Color32(0, 200, 0);
const TColor32 Orange = Color32(250, 150, 0);

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

TEST(Transfrm, TaperColumnsShortensEveryTenthColumnAndStretchesItsContent)
{
    const int H = 60;
    const TBitmap32 front = Filled(100, H, Blue);
    const TBitmap32 left = TaperColumns(front, 10, true), right = TaperColumns(front, 10, false);
    ASSERT_EQ(left.Size(), front.Size());
    // From the left the left edge stays full height; from the right the right edge does.
    for (auto [x, cut] : {std::pair{0, 0}, {9, 0}, {10, 1}, {19, 1}, {90, 9}, {99, 9}}) {
        EXPECT_EQ(Span(left, x, Blue), std::make_pair(cut, H - 1 - cut)) << x;
        EXPECT_EQ(Span(right, 99 - x, Blue), std::make_pair(cut, H - 1 - cut)) << x;
    }
    EXPECT_EQ(left.Pixel(99, 0), FlatBackground);
    EXPECT_TRUE(TaperColumns(TBitmap32(), 10, true).Empty());

    // A column with a top half orange and bottom half blue keeps the halves after shrinking.
    TBitmap32 src = Filled(30, 40, Blue);
    src.FillRect(QRect(0, 0, 30, 20), Orange);
    const TBitmap32 t = TaperColumns(src, 10, true);
    for (auto [y, c] : {std::pair{1, FlatBackground}, {2, Orange}, {18, Orange}, {21, Blue}, {37, Blue}})
        EXPECT_EQ(t.Pixel(25, y), c) << y;
}

TEST(Transfrm, FlatTwoSidedSqueezesTheSpineAndOverlapsTheFront)
{
    const TBitmap32 front = Filled(100, 80, Blue);
    const TBitmap32 side = Filled(41, 80, Green);
    const TBitmap32 flat = FlatTwoSided(front, side);
    ASSERT_EQ(flat.Size(), QSize(100 + 20, 80));
    // The spine's right edge and the front's left edge are full height; the front starts 3 px
    // into the spine. The spine's far end is tapered, and so is the front's.
    for (auto [x, y, c] : {std::tuple{16, 0, Green}, {17, 0, Blue}, {17, 79, Blue}, {0, 40, Green}, {0, 0, FlatBackground},
                           {119, 0, FlatBackground}})
        EXPECT_EQ(flat.Pixel(x, y), c) << x << "," << y;
    EXPECT_TRUE(FlatTwoSided(front, TBitmap32()).Empty());
}

TEST(Transfrm, FlatThreeSidedPlacesTheParallelograms)
{
    const TBitmap32 front = Filled(200, 300, Blue);
    const TBitmap32 side = Filled(40, 300, Green);
    const TBitmap32 top = Filled(200, 40, Orange);
    const TBitmap32 flat = FlatThreeSided(front, side, &top);
    const int h = 20, R = 330;
    ASSERT_EQ(flat.Size(), QSize(200 + h + 10, R));
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

TEST(Transfrm, FlatCoverByTypeAndThePreviewsMessage)
{
    const TBitmap32 front = Filled(60, 90, Blue), side = Filled(20, 90, Green);
    QString message;
    EXPECT_EQ(FlatCover(0, &front, &side, nullptr, &message).Width(), 70);
    EXPECT_EQ(FlatCover(1, &front, &side, nullptr, &message).Height(), 120);
    EXPECT_TRUE(message.isEmpty());
    // Only the book cover tells the user; the other types have no flat drawing.
    for (int type = 2; type <= 8; ++type)
        EXPECT_TRUE(FlatCover(type, &front, &side, nullptr, &message).Empty());
    EXPECT_EQ(message, "Not implemented yet.");
    EXPECT_TRUE(FlatCover(0, nullptr, &side, nullptr).Empty());

    QStringList told;
    const TFlatDrawing draw = FlatPreviewDrawing([&](const QString& m) { told << m; });
    const auto two = draw(btTwoSidedBox, front, side, nullptr);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->Width(), 70);
    EXPECT_FALSE(draw(btBookCover, front, side, nullptr) || draw(btWideBox, front, side, nullptr));
    EXPECT_EQ(told, QStringList{"Not implemented yet."});
}
