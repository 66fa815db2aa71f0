#include "render/CropToContent.h"

#include "raster/TBitmap32.h"

#include <gtest/gtest.h>

namespace {
const TColor32 White = Color32(255, 255, 255);
const TColor32 Red = Color32(255, 0, 0);
} // namespace

TEST(CropToContent, CutsToTheObjectAndKeepsItsPixels)
{
    TBitmap32 b(50, 40);
    b.Clear(White);
    for (int y = 10; y < 20; ++y)
        for (int x = 5; x < 30; ++x)
            b.SetPixel(x, y, Color32(x, y, 7));
    CropToContent(b);
    ASSERT_EQ(b.Width(), 25);
    ASSERT_EQ(b.Height(), 10);
    EXPECT_EQ(b.Pixel(0, 0), Color32(5, 10, 7));
    EXPECT_EQ(b.Pixel(24, 9), Color32(29, 19, 7));
}

TEST(CropToContent, TwoAgreeingCornersOutvoteTheBottomRight)
{
    TBitmap32 b(30, 30);
    b.Clear(Red);
    b.SetPixel(29, 29, White); // a stray bottom-right pixel
    for (int y = 12; y < 15; ++y)
        for (int x = 12; x < 18; ++x)
            b.SetPixel(x, y, White);
    CropToContent(b);
    // Background is red; the content is the white block and the stray corner pixel.
    EXPECT_EQ(b.Width(), 29 - 12 + 1);
    EXPECT_EQ(b.Height(), 29 - 12 + 1);
    EXPECT_EQ(b.Pixel(0, 0), White);
}

TEST(CropToContent, RowAndColumnZeroAreIgnoredAndEmptyKeepsFullSize)
{
    TBitmap32 b(20, 10);
    b.Clear(White);
    for (int x = 0; x < 20; ++x)
        b.SetPixel(x, 0, Red);
    for (int y = 0; y < 10; ++y)
        b.SetPixel(0, y, Red);
    CropToContent(b);
    EXPECT_EQ(b.Width(), 20);
    EXPECT_EQ(b.Height(), 10);
    EXPECT_EQ(b.Pixel(0, 0), Red);

    // One object pixel at (1, 1): left and top become 1, right and bottom too.
    TBitmap32 one(8, 8);
    one.Clear(White);
    one.SetPixel(1, 1, Red);
    CropToContent(one);
    EXPECT_EQ(one.Width(), 1);
    EXPECT_EQ(one.Height(), 1);
    EXPECT_EQ(one.Pixel(0, 0), Red);

    TBitmap32 tiny(1, 1);
    CropToContent(tiny);
    EXPECT_EQ(tiny.Width(), 1);
}
