#include "editor/TextLayer.h"

#include <QGuiApplication>
#include <QPalette>
#include <functional>
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

// How many pixels of b (in columns below `columns`, when given) match.
int Count(const TBitmap32& b, const std::function<bool(TColor32)>& match, int columns = INT_MAX)
{
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < std::min(columns, b.Width()); ++x)
            n += match(b.Pixel(x, y));
    return n;
}
bool HasPixel(const TBitmap32& b, TColor32 want) { return Count(b, [want](TColor32 c) { return c == want; }) > 0; }

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
        EXPECT_EQ(Count(b, [](TColor32 c) { return AlphaOf(c) != 0; }, 3), 0) << "italic " << italic;
    }
}

TEST(TextRender, ShadowIsGreyAtIntensityPercentOfOpacityAndGrowsTowardPositiveOffsets)
{
    // 229.5, 127.5 and 50.5 round to even; a damaged record draws no shadow, and never an impossible alpha.
    for (auto [intensity, opacity, alpha] : {std::tuple{90, 255, 230}, {50, 255, 128}, {50, 101, 50}, {0, 255, 0},
                                             {-1, -1, 0}, {1000, 255, 255}})
        EXPECT_EQ(TextShadowAlpha(intensity, opacity), alpha) << intensity << "% of " << opacity;

    // The shadow is grey and grows the bitmap only toward positive offsets.
    TTextParams p = RedText();
    const TBitmap32 plain = Render(p);
    ASSERT_FALSE(plain.Empty());
    p.Shadow = true;
    const TBitmap32 b = Render(p);
    EXPECT_EQ(b.Size(), plain.Size() + QSize(6, 6));
    EXPECT_EQ(Count(b, [](TColor32 c) {
                  return AlphaOf(c) == 230 && (std::abs(RedOf(c) - 128) > 1 || std::abs(GreenOf(c) - 128) > 1
                                               || std::abs(BlueOf(c) - 128) > 1);
              }),
              0);
    p.PosX = p.PosY = -6;
    const TBitmap32 upLeft = Render(p);
    EXPECT_EQ(upLeft.Size(), plain.Size());
    // The shadow is cut at the top and left edges but still drawn where it fits.
    EXPECT_TRUE(HasPixel(upLeft, Color32(128, 128, 128, 230)));
    p.PosAlpha = 0;
    EXPECT_EQ(Count(Render(p), [](TColor32 c) { return AlphaOf(c) != 0 && c != Color32(255, 0, 0); }), 0);
}

TEST(TextRender, BevelOfPureRedUsesLightAndDarkCopies)
{
    TTextParams p = RedText();
    p.Bevel = true;
    const TBitmap32 b = Render(p);
    for (TColor32 c : {Color32(255, 127, 127), Color32(85, 0, 0), Color32(255, 0, 0)})
        EXPECT_TRUE(HasPixel(b, c)) << std::hex << c;
    // Opacity applies to every copy.
    p.Alpha = 100;
    EXPECT_EQ(Count(Render(p), [](TColor32 c) { return AlphaOf(c) > 100 + 100 * 155 / 255 + 1; }), 0);
}

TEST(TextRender, QualityTwoIsAliasedAndZeroIsSmooth)
{
    const auto partial = [](TColor32 c) { return AlphaOf(c) != 0 && AlphaOf(c) != 255; };
    EXPECT_EQ(Count(Render(RedText(2)), partial), 0);
    EXPECT_GT(Count(Render(RedText(0)), partial), 0);
    EXPECT_GT(Count(Render(RedText(1)), partial), 0);
    // A quality from a foreign record draws with the default rendering, without failing.
    EXPECT_FALSE(Render(RedText(-1)).Empty());
}

TEST(TextRender, RotationTurnsTheLevelDrawingByItsSignedRemainder)
{
    const TBitmap32 level = Render(RedText());
    ASSERT_NE(level.Width(), level.Height());
    const TBitmap32 quarter = level.QuarterTurn(+1), half = level.HalfTurn(), back = level.QuarterTurn(-1);
    for (auto [rotation, expected] : {std::pair{0, &level}, {4, &level}, {5, &quarter}, {1, &quarter}, {-7, &quarter},
                                      {-2, &half}, {2, &half}, {3, &back}, {-1, &back}}) {
        TBitmap32 b = level;
        ApplyRotation(b, rotation);
        EXPECT_TRUE(b.SamePixels(*expected)) << "rotation " << rotation;
    }
    EXPECT_EQ(ReducedRotation(-7), -3);
}

TEST(TextRender, NewLayerFontFollowsTheMainWindowFont)
{
    QFont main("Arial");
    main.setBold(true);
    main.setPixelSize(12); // the main window's height -12
    const TTextFont f = NewTextLayerFont(main);
    EXPECT_EQ(std::tuple(f.PointSize(), f.Height, f.PixelsPerInch, f.Bold, f.Italic), std::tuple(20, -27, 96, true, false));
    EXPECT_EQ(ColorOfRef(f.Color).rgb(), QGuiApplication::palette().color(QPalette::Highlight).rgb());
    EXPECT_EQ(NewTextLayerFont(QFont("Arial", 14)).PointSize(), 30);
}

TEST(TextRender, FontSizesAreTakenAtTheFontsResolution)
{
    // The same point size at twice the resolution draws twice as large.
    TTextParams p = RedText();
    p.Lines = {"Mm"};
    const TBitmap32 at96 = Render(p);
    p.Font.PixelsPerInch = 192;
    p.Font.SetPointSize(28);
    EXPECT_NEAR(double(Render(p).Height() - 10) / (at96.Height() - 10), 2.0, 0.15);
}
