#include "common/TestBitmaps.h"
#include "common/ThrownMessage.h"
#include "raster/TBitmap32.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {
TBitmap32 Numbered(int w, int h)
{
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32(x, y, x + y, 200 + x));
    return b;
}
} // namespace

TEST(TBitmap32, NewPixelsAreTransparentAndOversizeIsRefusedReadably)
{
    TBitmap32 b;
    b.SetSize(3, 2);
    EXPECT_TRUE(b.SamePixels(Filled(3, 2, 0)));
    b.SetSize(0, 5);
    EXPECT_TRUE(b.Empty());
    EXPECT_THROW(b.SetSize(-1, 4), std::runtime_error);
    EXPECT_THROW(b.SetSize(TBitmap32::MaxSide + 1, 1), std::runtime_error);
    const std::string refused = ThrownMessage([&] { b.SetSize(16000, 16384); }); // 262 megapixels
    EXPECT_NE(refused.find("16000 x 16384"), std::string::npos) << refused;
    EXPECT_NE(refused.find("million pixels"), std::string::npos) << refused;
    EXPECT_NO_THROW(b.SetSize(16384, 1));
}

TEST(TBitmap32, QuarterTurnMapping)
{
    const TBitmap32 src = Numbered(3, 2);
    const TBitmap32 cw = src.QuarterTurn(+1), ccw = src.QuarterTurn(-1);
    ASSERT_EQ(cw.Size(), QSize(2, 3));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(cw.Pixel(2 - 1 - y, x), src.Pixel(x, y));
            EXPECT_EQ(ccw.Pixel(y, 3 - 1 - x), src.Pixel(x, y));
        }
    EXPECT_TRUE(cw.QuarterTurn(+1).SamePixels(src.HalfTurn())); // two checked quarter turns
}

TEST(TBitmap32, AssignFromEachImageFormat)
{
    // 32-bit keeps its alpha; the others get alpha 255.
    TBitmap32 b;
    QImage rgb(4, 3, QImage::Format_RGB888);
    rgb.fill(QColor(10, 20, 30));
    b.Assign(rgb);
    EXPECT_EQ(b.Pixel(3, 2), Color32(10, 20, 30, 255));
    QImage argb(2, 2, QImage::Format_ARGB32);
    argb.fill(0x40102030u);
    b.Assign(argb);
    EXPECT_EQ(b.Pixel(1, 1), 0x40102030u);
    EXPECT_EQ(b.ToImage().pixel(0, 0), 0x40102030u);
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgba(10, 20, 30, 0), qRgb(40, 50, 60)});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    b.Assign(indexed);
    EXPECT_EQ(AlphaOf(b.Pixel(0, 0)), 255);
    EXPECT_EQ(b.Pixel(1, 0), Color32(40, 50, 60));
    b.Assign(QImage());
    EXPECT_TRUE(b.Empty());
}

TEST(TBitmap32, DrawModes)
{
    TBitmap32 target = Filled(4, 4, Color32(0, 0, 255));
    TBitmap32 half = Filled(2, 2, Color32(255, 0, 0, 128));
    half.SetDrawMode(TDrawMode::dmBlend);
    half.DrawTo(target, QRectF(0, 0, 2, 2), false);
    const TColor32 blended = target.Pixel(0, 0);
    EXPECT_NEAR(RedOf(blended), 128, 2);
    EXPECT_NEAR(BlueOf(blended), 127, 2);
    EXPECT_EQ(AlphaOf(blended), 255);
    EXPECT_EQ(target.Pixel(3, 3), Color32(0, 0, 255));
    half.SetDrawMode(TDrawMode::dmOpaque);
    half.DrawTo(target, QRectF(2, 2, 2, 2), false);
    EXPECT_EQ(target.Pixel(3, 3), Color32(255, 0, 0, 128));
}

TEST(TBitmap32, StretchCopyExactNearestSmoothAndClipped)
{
    // Equal sizes copy every byte, alpha included, even for semi-transparent pixels.
    const TBitmap32 src = Numbered(5, 4);
    TBitmap32 dst = Filled(8, 8, Color32(9, 9, 9));
    dst.StretchCopy(QRect(2, 3, 5, 4), src, QRect(0, 0, 5, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(dst.Pixel(2 + x, 3 + y), src.Pixel(x, y));
    EXPECT_EQ(dst.Pixel(1, 3), Color32(9, 9, 9));
    EXPECT_EQ(dst.Pixel(7, 7), Color32(9, 9, 9));

    // Cut off at the target's edges; pixels whose source lies outside the source read 0.
    TBitmap32 edge = Filled(3, 3, Color32(9, 9, 9));
    edge.StretchCopy(QRect(-1, -1, 3, 3), src, QRect(3, 2, 3, 3));
    EXPECT_EQ(edge.Pixel(0, 0), src.Pixel(4, 3));
    EXPECT_EQ(edge.Pixel(1, 0), 0u); // source column 5 does not exist
    EXPECT_EQ(edge.Pixel(2, 2), Color32(9, 9, 9));

    // Nearest neighbour samples pixel centres: 2 columns onto 4, 3 onto 6, and 6 onto 2.
    for (const auto& [from, to, picked] : {std::tuple{2, 4, std::vector{0, 0, 1, 1}}, {3, 6, {0, 0, 1, 1, 2, 2}}, {6, 2, {1, 4}}}) {
        TBitmap32 row(to, 1);
        row.StretchCopy(QRect(0, 0, to, 1), Numbered(from, 1), QRect(0, 0, from, 1), false);
        for (int x = 0; x < to; ++x)
            EXPECT_EQ(row.Pixel(x, 0), Numbered(from, 1).Pixel(picked[size_t(x)], 0)) << from << " onto " << to << " at " << x;
    }

    // Smooth shrinking averages: black and white stripes become grey.
    TBitmap32 stripes(8, 2);
    for (int i = 0; i < 16; ++i)
        stripes.SetPixel(i % 8, i / 8, i % 2 ? Color32(255, 255, 255) : Color32(0, 0, 0));
    TBitmap32 grey(2, 1);
    grey.StretchCopy(QRect(0, 0, 2, 1), stripes, QRect(0, 0, 8, 2), true);
    EXPECT_NEAR(RedOf(grey.Pixel(0, 0)), 128, 3);
    EXPECT_NEAR(BlueOf(grey.Pixel(1, 0)), 128, 3);
    EXPECT_EQ(AlphaOf(grey.Pixel(1, 0)), 255);

    // Empty rectangles and bitmaps copy nothing.
    TBitmap32 untouched = Filled(2, 2, Color32(1, 2, 3));
    untouched.StretchCopy(QRect(0, 0, 0, 2), src, QRect(0, 0, 5, 4));
    untouched.StretchCopy(QRect(0, 0, 2, 2), TBitmap32(), QRect(0, 0, 5, 4));
    untouched.StretchCopy(QRect(5, 5, 2, 2), src, QRect(0, 0, 5, 4));
    EXPECT_TRUE(untouched.SamePixels(Filled(2, 2, Color32(1, 2, 3))));
}

TEST(TBitmap32, FillAndFrameStayInside)
{
    TBitmap32 b(6, 5);
    b.FillRect(QRect(-3, -3, 100, 100), Color32(1, 1, 1));
    b.FrameRect(QRect(1, 1, 4, 3), Color32(2, 2, 2));
    b.FrameRect(QRect(4, 3, 10, 10), Color32(3, 3, 3)); // cut to the bitmap, no overflow
    // Inside the first frame, its corners, the second frame's only visible corner; its right and
    // bottom lie outside.
    for (const auto& [x, y, c] : {std::tuple{0, 0, 1}, {1, 1, 2}, {2, 2, 1}, {4, 4, 3}, {5, 4, 1}, {4, 3, 3}, {4, 2, 2}, {3, 3, 2}, {1, 3, 2}})
        EXPECT_EQ(b.Pixel(x, y), Color32(c, c, c)) << x << ", " << y;
    EXPECT_EQ(b.PixelOr(6, 0, 77u), 77u);
    EXPECT_EQ(b.PixelOr(-1, 0, 77u), 77u);
}
