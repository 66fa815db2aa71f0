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

TEST(MessageLayout, TextIsCentredOnThePictureOrThePictureOnTheText)
{
    // 96 ppi: margins 5, buttons 85 x 28, gap 17; the buttons below picture and text with a gap of
    // three margins; one button has the same gap on both sides.
    const TMessageLayout L = LayoutMessageBox(QSize(300, 14), QSize(48, 64), 1, 96, QSize(1280, 1024));
    EXPECT_EQ(L.Picture, QRect(10, 10, 48, 64));
    EXPECT_EQ(L.Text, QRect(58 + 10, 10 + (64 - 14) / 2, 305, 19));
    const int y0 = 3 * 5 + 74;
    EXPECT_EQ(L.Client, QSize(68 + 305 + 10, y0 + 28 + 10));
    EXPECT_EQ(L.Buttons[0].topLeft(), QPoint((L.Client.width() - 85) / 2, y0));
    EXPECT_EQ(L.BoxTopLeft, QPoint((1280 - L.Client.width()) / 2, (1024 - L.Client.height()) / 2));
    // A tall text: the picture is centred on it, the buttons stay in one row below.
    const TMessageLayout tall = LayoutMessageBox(QSize(640, 300), QSize(48, 60), 3, 96, QSize(1280, 1024));
    EXPECT_EQ(tall.Picture.top(), 10 + (300 - 60) / 2);
    EXPECT_EQ(tall.Text.top(), 10);
    for (const QRect& b : tall.Buttons)
        EXPECT_EQ(b.top(), 15 + 10 + 305);
    // A narrow text still leaves room for every button with its gaps.
    const TMessageLayout narrow = LayoutMessageBox(QSize(10, 14), QSize(48, 64), 3, 96, QSize(1280, 1024));
    EXPECT_EQ(narrow.Client.width(), 3 * 85 + 4 * 17);
    EXPECT_EQ(narrow.Buttons[2].right() + 1 + 17, narrow.Client.width());
}
