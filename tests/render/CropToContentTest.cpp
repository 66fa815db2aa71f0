#include "render/CropToContent.h"

#include "raster/TBitmap32.h"

#include <functional>
#include <gtest/gtest.h>

namespace {
const TColor32 White = Color32(255, 255, 255), Red = Color32(255, 0, 0);

TBitmap32 Drawn(int w, int h, TColor32 bg, const std::function<void(TBitmap32&)>& draw)
{
    TBitmap32 b(w, h);
    b.Clear(bg);
    draw(b);
    return b;
}
} // namespace

TEST(CropToContent, CutsToTheObjectAgainstTheCornersBackground)
{
    const struct {
        const char* What;
        TBitmap32 Picture;
        QSize Cut;
        TColor32 TopLeft, BottomRight;
    } cases[] = {
        {"an object's pixels are kept", Drawn(50, 40, White, [](TBitmap32& b) {
             for (int y = 10; y < 20; ++y)
                 for (int x = 5; x < 30; ++x)
                     b.SetPixel(x, y, Color32(x, y, 7));
         }), {25, 10}, Color32(5, 10, 7), Color32(29, 19, 7)},
        // Two agreeing corners outvote a stray bottom-right pixel, which then counts as content.
        {"the corners vote", Drawn(30, 30, Red, [](TBitmap32& b) {
             b.SetPixel(29, 29, White);
             b.FillRect(QRect(12, 12, 6, 3), White);
         }), {18, 18}, White, White},
        // Row and column zero are never content; with nothing else the picture keeps its size.
        {"row and column zero are ignored", Drawn(20, 10, White, [](TBitmap32& b) {
             b.FillRect(QRect(0, 0, 20, 1), Red);
             b.FillRect(QRect(0, 0, 1, 10), Red);
         }), {20, 10}, Red, White},
        {"one pixel at (1, 1)", Drawn(8, 8, White, [](TBitmap32& b) { b.SetPixel(1, 1, Red); }), {1, 1}, Red, Red},
        {"one pixel in all", Drawn(1, 1, White, [](TBitmap32&) {}), {1, 1}, White, White},
    };
    for (auto c : cases) {
        CropToContent(c.Picture);
        ASSERT_EQ(c.Picture.Size(), c.Cut) << c.What;
        EXPECT_EQ(c.Picture.Pixel(0, 0), c.TopLeft) << c.What;
        EXPECT_EQ(c.Picture.Pixel(c.Cut.width() - 1, c.Cut.height() - 1), c.BottomRight) << c.What;
    }
}
