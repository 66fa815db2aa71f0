#include "ui/MessageLayout.h"

#include <gtest/gtest.h>

TEST(MessageLayout, SizesScaleWithTheScreen)
{
    EXPECT_EQ(ScaleToScreen(85, 96), 85);
    EXPECT_EQ(ScaleToScreen(85, 120), 106);
    EXPECT_EQ(ScaleToScreen(28, 120), 35);
    EXPECT_EQ(ScaleToScreen(5, 120), 6);
    EXPECT_EQ(ScaleToScreen(5, 144), 8); // 7.5 rounds up
    EXPECT_EQ(ScaleToScreen(-5, 144), -8);

    const TMessageLayout L = LayoutMessageBox(QSize(200, 14), QSize(48, 64), 3, 120, QSize(1600, 1200));
    EXPECT_EQ(L.ButtonWidth, 106);
    EXPECT_EQ(L.ButtonHeight, 35);
    EXPECT_EQ(L.MarginX, 6);
    EXPECT_EQ(L.ButtonGap, 21);
    ASSERT_EQ(L.Buttons.size(), 3);
    for (const QRect& b : L.Buttons)
        EXPECT_EQ(b.size(), QSize(106, 35));
}

TEST(MessageLayout, OneLineTextIsCentredOnThePicture)
{
    // 96 ppi: margins 5, buttons 85 x 28, gap 17.
    const TMessageLayout L = LayoutMessageBox(QSize(300, 14), QSize(48, 64), 1, 96, QSize(1280, 1024));
    EXPECT_EQ(L.Picture, QRect(10, 10, 48, 64));
    EXPECT_EQ(L.Text.left(), 58 + 10);
    EXPECT_EQ(L.Text.top(), 10 + (64 - 14) / 2);
    EXPECT_EQ(L.Text.size(), QSize(305, 19));
    const int y0 = 3 * 5 + std::max(L.Text.bottom() + 1, 74);
    EXPECT_EQ(L.Buttons[0].top(), y0);
    EXPECT_EQ(L.Client.width(), 68 + 305 + 10);
    EXPECT_EQ(L.Client.height(), y0 + 28 + 10);
    // One button: the gap on both sides is the same.
    const int g = (L.Client.width() - 85) / 2;
    EXPECT_EQ(L.Buttons[0].left(), g);
    EXPECT_EQ(L.BoxTopLeft, QPoint((1280 - L.Client.width()) / 2, (1024 - L.Client.height()) / 2));
}

TEST(MessageLayout, TallTextCentresThePictureAndButtonsStayInOneRow)
{
    const TMessageLayout L = LayoutMessageBox(QSize(640, 300), QSize(48, 60), 3, 96, QSize(1280, 1024));
    EXPECT_EQ(L.Picture.top(), 10 + (300 - 60) / 2);
    EXPECT_EQ(L.Text.top(), 10);
    for (const QRect& b : L.Buttons)
        EXPECT_EQ(b.top(), L.Buttons[0].top());
    EXPECT_EQ(L.Buttons[0].top(), 15 + 10 + 305);
    // A narrow text still leaves room for every button with its gaps.
    const TMessageLayout narrow = LayoutMessageBox(QSize(10, 14), QSize(48, 64), 3, 96, QSize(1280, 1024));
    EXPECT_EQ(narrow.Client.width(), 3 * 85 + 4 * 17);
    EXPECT_EQ(narrow.Buttons[2].right() + 1 + 17, narrow.Client.width());
}
