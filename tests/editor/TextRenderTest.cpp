#include "editor/TextLayer.h"

#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>

namespace {

TTextParams RedText(int quality = 2)
{
    TTextParams p;
    p.Font.Name = "Arial";
    p.Font.SetPointSize(28);
    p.Font.Bold = true;
    p.Font.Color = 0x000000FF; // pure red
    p.Quality = quality;
    p.Lines = {"HI there", "Wg"};
    return p;
}

TBitmap32 Render(const TTextParams& p)
{
    TBitmap32 b;
    RenderTextBitmap(p, b);
    return b;
}

bool HasPixel(const TBitmap32& b, TColor32 want)
{
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.Pixel(x, y) == want)
                return true;
    return false;
}

// Rightmost column and bottom row that carry any ink, drawn on a canvas far larger than needed.
QPoint InkExtent(const TTextParams& p)
{
    QImage canvas(1600, 800, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(0);
    {
        QPainter painter(&canvas);
        TTextRenderer(p, &canvas).Draw(painter);
    }
    QPoint extent(-1, -1);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (qAlpha(canvas.pixel(x, y)) != 0)
                extent = QPoint(std::max(extent.x(), x), std::max(extent.y(), y));
    return extent;
}

} // namespace

TEST(TextRender, ShadowGrowsTheBitmapOnlyTowardPositiveOffsets)
{
    TTextParams p = RedText();
    const TBitmap32 plain = Render(p);
    ASSERT_FALSE(plain.Empty());

    p.Shadow = true;
    const TBitmap32 shadowed = Render(p);
    EXPECT_EQ(shadowed.Width(), plain.Width() + 6);
    EXPECT_EQ(shadowed.Height(), plain.Height() + 6);

    p.PosX = p.PosY = -6;
    const TBitmap32 upLeft = Render(p);
    EXPECT_EQ(upLeft.Size(), plain.Size());
    // The shadow is cut at the top and left edges but still drawn where it fits.
    EXPECT_TRUE(HasPixel(upLeft, Color32(128, 128, 128, 230)));
}

TEST(TextRender, TheBitmapHoldsAllInkWithItsMargins)
{
    for (bool italic : {false, true}) {
        TTextParams p = RedText(0);
        p.Font.Italic = italic;
        p.Lines = {"ffff jjj", "", "WAVY fff"};
        p.Shadow = true;
        const TBitmap32 b = Render(p);
        const QPoint ink = InkExtent(p);
        ASSERT_GE(ink.x(), 0);
        EXPECT_LT(ink.x(), b.Width()) << "italic " << italic;
        EXPECT_LT(ink.y(), b.Height()) << "italic " << italic;
        // The text starts at (5, 5), so the left and top margins are empty.
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < 3; ++x)
                ASSERT_EQ(AlphaOf(b.Pixel(x, y)), 0) << x << "," << y;
    }
}

TEST(TextRender, ShadowAlphaIsIntensityPercentOfOpacityHalvesToEven)
{
    EXPECT_EQ(TextShadowAlpha(90, 255), 230); // 229.5
    EXPECT_EQ(TextShadowAlpha(50, 255), 128); // 127.5
    EXPECT_EQ(TextShadowAlpha(50, 101), 50);  // 50.5
    EXPECT_EQ(TextShadowAlpha(0, 255), 0);
    EXPECT_EQ(TextShadowAlpha(-1, -1), 0);      // a damaged record draws no shadow
    EXPECT_EQ(TextShadowAlpha(1000, 255), 255); // and never an impossible alpha

    TTextParams p = RedText();
    p.Shadow = true;
    const TBitmap32 b = Render(p);
    bool shadowSeen = false;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const TColor32 c = b.Pixel(x, y);
            if (AlphaOf(c) == 230) {
                shadowSeen = true;
                EXPECT_NEAR(RedOf(c), 128, 1);
                EXPECT_NEAR(GreenOf(c), 128, 1);
                EXPECT_NEAR(BlueOf(c), 128, 1);
            }
        }
    EXPECT_TRUE(shadowSeen);

    p.PosAlpha = 0;
    const TBitmap32 invisible = Render(p);
    for (int y = 0; y < invisible.Height(); ++y)
        for (int x = 0; x < invisible.Width(); ++x) {
            const TColor32 c = invisible.Pixel(x, y);
            ASSERT_TRUE(AlphaOf(c) == 0 || c == Color32(255, 0, 0)) << x << "," << y;
        }
}

TEST(TextRender, BevelOfPureRedUsesLightAndDarkCopies)
{
    TTextParams p = RedText();
    p.Bevel = true;
    const TBitmap32 b = Render(p);
    EXPECT_TRUE(HasPixel(b, Color32(255, 127, 127)));
    EXPECT_TRUE(HasPixel(b, Color32(85, 0, 0)));
    EXPECT_TRUE(HasPixel(b, Color32(255, 0, 0)));

    // Opacity applies to every copy.
    p.Alpha = 100;
    const TBitmap32 faint = Render(p);
    for (int y = 0; y < faint.Height(); ++y)
        for (int x = 0; x < faint.Width(); ++x)
            ASSERT_LE(AlphaOf(faint.Pixel(x, y)), 100 + 100 * 155 / 255 + 1);
}

TEST(TextRender, QualityTwoIsAliasedAndZeroIsSmooth)
{
    auto partialAlphaCount = [](const TBitmap32& b) {
        int n = 0;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x)
                if (AlphaOf(b.Pixel(x, y)) != 0 && AlphaOf(b.Pixel(x, y)) != 255)
                    ++n;
        return n;
    };
    EXPECT_EQ(partialAlphaCount(Render(RedText(2))), 0);
    EXPECT_GT(partialAlphaCount(Render(RedText(0))), 0);
    EXPECT_GT(partialAlphaCount(Render(RedText(1))), 0);
    // A quality from a foreign record draws with the default rendering, without failing.
    EXPECT_FALSE(Render(RedText(-1)).Empty());
}

TEST(TextRender, RotationTurnsTheLevelDrawingByItsSignedRemainder)
{
    const TBitmap32 level = Render(RedText());
    ASSERT_NE(level.Width(), level.Height());
    struct Case { int rotation; TBitmap32 expected; };
    const Case cases[] = {
        {0, level},
        {4, level},
        {5, level.QuarterTurn(+1)},
        {1, level.QuarterTurn(+1)},
        {-7, level.QuarterTurn(+1)},
        {-2, level.HalfTurn()},
        {2, level.HalfTurn()},
        {3, level.QuarterTurn(-1)},
        {-1, level.QuarterTurn(-1)},
    };
    for (const Case& c : cases) {
        TBitmap32 b = level;
        ApplyRotation(b, c.rotation);
        EXPECT_TRUE(b.SamePixels(c.expected)) << "rotation " << c.rotation;
    }
    EXPECT_EQ(ReducedRotation(-7), -3);
}

TEST(TextRender, PreviewBackgroundIsBlackOnlyBehindPureWhite)
{
    EXPECT_EQ(TextPreviewBackground(0x00FFFFFF), QColor(0, 0, 0));
    const QColor window = QGuiApplication::palette().color(QPalette::Base);
    EXPECT_EQ(TextPreviewBackground(0x00FFFFFE).rgb(), window.rgb());
    EXPECT_EQ(TextPreviewBackground(0x000000FF).rgb(), window.rgb());
}

TEST(TextRender, NewLayerFontFollowsTheMainWindowFont)
{
    QFont main("Arial");
    main.setBold(true);
    main.setPixelSize(12); // the main window's height -12
    const TTextFont f = NewTextLayerFont(main);
    EXPECT_EQ(f.PointSize(), 20);
    EXPECT_EQ(f.Height, -27);
    EXPECT_EQ(f.PixelsPerInch, 96);
    EXPECT_TRUE(f.Bold);
    EXPECT_FALSE(f.Italic);
    EXPECT_EQ(ColorOfRef(f.Color).rgb(), QGuiApplication::palette().color(QPalette::Highlight).rgb());

    QFont big("Arial", 14);
    EXPECT_EQ(NewTextLayerFont(big).PointSize(), 30);
}

TEST(TextRender, FontSizesAreTakenAtTheFontsResolution)
{
    // The same point size at twice the resolution draws twice as large.
    TTextParams p = RedText();
    p.Lines = {"Mm"};
    const TBitmap32 at96 = Render(p);
    p.Font.PixelsPerInch = 192;
    p.Font.SetPointSize(28);
    EXPECT_EQ(p.Font.PointSize(), 28);
    const TBitmap32 at192 = Render(p);
    EXPECT_NEAR(double(at192.Height() - 10) / (at96.Height() - 10), 2.0, 0.15);
}
