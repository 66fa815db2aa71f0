#include "ui/MessageLayout.h"

#include <gtest/gtest.h>

TEST(MessageLayout, SizesScaleWithTheScreen)
{
    // 7.5 rounds away from zero.
    for (const auto& [size, ppi, scaled] : {std::tuple{85, 96, 85}, {85, 120, 106}, {28, 120, 35}, {5, 120, 6}, {5, 144, 8}, {-5, 144, -8}})
        EXPECT_EQ(ScaleToScreen(size, ppi), scaled) << size << " at " << ppi;
    const TMessageLayout L = LayoutMessageBox(QSize(200, 14), QSize(48, 64), 3, 120, QSize(1600, 1200));
    EXPECT_EQ(QList<int>({L.ButtonWidth, L.ButtonHeight, L.MarginX, L.ButtonGap}), QList<int>({106, 35, 6, 21}));
    ASSERT_EQ(L.Buttons.size(), 3);
    for (const QRect& b : L.Buttons)
        EXPECT_EQ(b.size(), QSize(106, 35));
}
