#include "ui/ListEx.h"
#include "ui/StringUtils.h"

#include <gtest/gtest.h>
#include <vector>

TEST(StringUtils, AsciiCaseAndHintsAndFullStops)
{
    EXPECT_EQ(UpperCaseAscii(QStringLiteral("cover-é.jpg")), QStringLiteral("COVER-é.JPG"));
    EXPECT_EQ(LowerCaseAscii(QStringLiteral("TEMPLATE Ä")), QStringLiteral("template Ä"));
    EXPECT_TRUE(SameTextAscii(QStringLiteral("My Book"), QStringLiteral("my BOOK")));
    EXPECT_FALSE(SameTextAscii(QStringLiteral("Ä"), QStringLiteral("ä")));
    EXPECT_LT(CompareTextAscii(QStringLiteral("apple"), QStringLiteral("Banana")), 0);

    EXPECT_EQ(FormatHint(QStringLiteral("  \tAdd a layer \r\n")), QStringLiteral(" Add a layer"));
    EXPECT_EQ(WithFullStop(QStringLiteral("Invalid GIF data")), QStringLiteral("Invalid GIF data."));
    EXPECT_EQ(WithFullStop(QStringLiteral("Done.")), QStringLiteral("Done."));
}

namespace {
struct Tracked {
    std::vector<int>* Log;
    int Id;
    ~Tracked() { Log->push_back(Id); }
};
} // namespace

TEST(ListEx, FreesItsItemsLastFirst)
{
    std::vector<int> log;
    {
        TListEx<Tracked> list(50);
        for (int i = 0; i < 3; ++i)
            list.Add(std::make_unique<Tracked>(&log, i));
        list.Extract(1).reset();
        EXPECT_EQ(std::pair(list.Count(), list.IndexOf(list[1])), std::pair(size_t(2), 1));
    }
    EXPECT_EQ(log, (std::vector<int>{1, 2, 0}));
}

#include "ui/DrawPainter.h"

TEST(DrawPainter, RecoloursOnlyTheRememberedWindowColour)
{
    QImage glyph(2, 1, QImage::Format_ARGB32);
    glyph.setPixel(0, 0, qRgb(255, 255, 255));
    glyph.setPixel(1, 0, qRgb(10, 20, 30));
    TDrawPainter painter;
    painter.Recolor(glyph, QColor(200, 200, 180));
    EXPECT_EQ(std::pair(glyph.pixel(0, 0), glyph.pixel(1, 0)), std::pair(qRgb(200, 200, 180), qRgb(10, 20, 30)));
    painter.Recolor(glyph, QColor(0, 0, 64)); // the second change starts from the first one's colour
    EXPECT_EQ(glyph.pixel(0, 0), qRgb(0, 0, 64));
}
