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

TEST(TBitmap32, NewPixelsAreTransparentAndZeroSideIsEmpty)
{
    TBitmap32 b;
    b.SetSize(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(b.Pixel(x, y), 0u);
    b.SetSize(0, 5);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Width(), 0);
    EXPECT_THROW(b.SetSize(-1, 4), std::runtime_error);
    EXPECT_THROW(b.SetSize(TBitmap32::MaxSide + 1, 1), std::runtime_error);
    EXPECT_THROW(b.SetSize(TBitmap32::MaxSide, TBitmap32::MaxSide), std::runtime_error); // 268 megapixels
}

TEST(TBitmap32, QuarterTurnMapping)
{
    const TBitmap32 src = Numbered(3, 2);
    const TBitmap32 cw = src.QuarterTurn(+1);
    const TBitmap32 ccw = src.QuarterTurn(-1);
    ASSERT_EQ(cw.Width(), 2);
    ASSERT_EQ(cw.Height(), 3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(cw.Pixel(2 - 1 - y, x), src.Pixel(x, y));
            EXPECT_EQ(ccw.Pixel(y, 3 - 1 - x), src.Pixel(x, y));
        }
    EXPECT_TRUE(cw.QuarterTurn(+1).QuarterTurn(+1).QuarterTurn(+1).SamePixels(src));
    EXPECT_TRUE(cw.QuarterTurn(-1).SamePixels(src));
    EXPECT_TRUE(cw.QuarterTurn(+1).SamePixels(src.HalfTurn()));
    EXPECT_EQ(src.HalfTurn().Pixel(0, 0), src.Pixel(2, 1));
}

TEST(TBitmap32, AssignFromImageKeepsAlphaOnlyFor32Bit)
{
    QImage rgb(4, 3, QImage::Format_RGB888);
    rgb.fill(QColor(10, 20, 30));
    TBitmap32 b;
    b.Assign(rgb);
    EXPECT_EQ(b.Pixel(3, 2), Color32(10, 20, 30, 255));

    QImage argb(2, 2, QImage::Format_ARGB32);
    argb.fill(0x40102030u);
    b.Assign(argb);
    EXPECT_EQ(b.Pixel(1, 1), 0x40102030u);
    EXPECT_EQ(b.ToImage().pixel(0, 0), 0x40102030u);
}

TEST(TBitmap32, DrawModesAndStretchCopy)
{
    TBitmap32 target(4, 4);
    target.Clear(Color32(0, 0, 255));
    TBitmap32 half(2, 2);
    half.Clear(Color32(255, 0, 0, 128));
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

    TBitmap32 src = Numbered(2, 1);
    TBitmap32 wide(4, 1);
    wide.StretchCopy(QRect(0, 0, 4, 1), src, QRect(0, 0, 2, 1), false);
    EXPECT_EQ(wide.Pixel(0, 0), src.Pixel(0, 0));
    EXPECT_EQ(wide.Pixel(1, 0), src.Pixel(0, 0));
    EXPECT_EQ(wide.Pixel(3, 0), src.Pixel(1, 0));
}
