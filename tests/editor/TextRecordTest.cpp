#include "raster/TextRecord.h"

#include <gtest/gtest.h>

namespace {

TTextParams HelloWorldLayer()
{
    TTextParams p;
    p.Font.Name = "Arial";
    p.Font.PixelsPerInch = 96;
    p.Font.SetPointSize(20);
    p.Font.Bold = true;
    p.Font.Color = 255; // red
    p.Lines = {"Hello", "World"};
    return p;
}

TTextParams Read(const QStringList& lines, bool ok = true)
{
    TTextParams p;
    EXPECT_EQ(ReadRecord(p, &lines), ok) << lines.join('|').toStdString();
    return p;
}

} // namespace

TEST(TextRecord, WritesTheTwentyTwoLineExampleExactly)
{
    QStringList lines{"kept in front"};
    WriteRecord(HelloWorldLayer(), lines);
    const QStringList expected{
        "kept in front",       "ClassName=TTextLayer", "Shadow=0",      "Bevel=0",
        "PosX=6",              "PosY=6",               "PosAlpha=90",   "Alpha=255",
        "Quality=0",           "Rotation=0",           "FontName=Arial", "FontPPI=96",
        "FontCharset=1",       "FontColor=255",        "FontHeight=-27", "FontPitch=0",
        "FontStyleBold=1",     "FontStyleItalic=0",    "FontStyleUnderline=0", "FontStyleStrikeOut=0",
        "Line0=Hello",         "Line1=World",          "Count=1"};
    EXPECT_EQ(lines, expected);
}

TEST(TextRecord, RoundTripGivesBackEveryField)
{
    TTextParams p;
    p.Shadow = p.Bevel = p.Font.Italic = p.Font.Underline = p.Font.StrikeOut = true;
    p.PosX = -7;
    p.PosY = 12;
    p.PosAlpha = 33;
    p.Alpha = 17;
    p.Quality = p.Font.Pitch = 2;
    p.Rotation = -7;
    p.Font.Name = QString::fromUtf8("DejaVu Sans Mono = wide");
    p.Font.PixelsPerInch = 120;
    p.Font.Charset = 204;
    p.Font.Color = 0x00336699;
    p.Font.Height = 31; // cell height
    p.Lines = {QString::fromUtf8("Grüße, Καλημέρα, 日本語"), "", "a=b", "  spaced  "};
    for (int32_t color : {0x00336699, int32_t(0xFF00000D)}) { // a system colour (negative value) as well
        p.Font.Color = color;
        QStringList lines;
        WriteRecord(p, lines);
        lines.append("Tavlo Generator v1.56"); // the clipboard's signature line has no "="
        EXPECT_EQ(Read(lines), p);
        EXPECT_TRUE(lines.contains("FontColor=" + QString::number(color)));
    }
}

TEST(TextRecord, KeysAndClassNameIgnoreAsciiCaseAndValuesKeepEquals)
{
    const TTextParams p = Read({"classname=ttextlayer", "SHADOW=1", "line0=a=b", "count=0", "posx= 12\t"});
    // Blanks and control characters around a number are ignored.
    EXPECT_EQ(std::tuple(p.Shadow, p.Lines, p.PosX), std::tuple(true, QStringList{"a=b"}, 12));
}

TEST(TextRecord, CountIsTheLastIndex)
{
    // Missing lines within Count read as empty lines; the first of two equal keys wins.
    const std::pair<QStringList, QStringList> cases[] = {
        {{"ClassName=TTextLayer", "Line0=", "Count=0"}, {""}},
        {{"ClassName=TTextLayer", "Line0=ignored", "Count=-1"}, {}},
        {{"ClassName=TTextLayer", "Line0=ignored"}, {}},
        {{"ClassName=TTextLayer", "Line2=third", "Line0=first", "Line0=second", "Count=2"}, {"first", "", "third"}},
        // An absurd count does not explode: no more text lines than the record has lines, and one.
        {{"ClassName=TTextLayer", "Line0=only", "Count=2000000000"}, {"only", "", "", ""}},
    };
    for (const auto& [record, lines] : cases)
        EXPECT_EQ(Read(record).Lines, lines) << record.join('|').toStdString();
}

TEST(TextRecord, MissingAndMalformedNumbersReadAsMinusOne)
{
    const TTextParams p = Read({"ClassName=TTextLayer", "PosX=12abc", "PosY=", "Alpha=0x10", "PosAlpha=99999999999",
                                "Rotation=+3", "Bevel=yes", "FontPPI=-", "Count=1"});
    // Quality and the font height are missing.
    EXPECT_EQ(std::tuple(p.PosX, p.PosY, p.Alpha, p.PosAlpha, p.Quality, p.Rotation, p.Font.PixelsPerInch, p.Font.Height),
              std::tuple(-1, -1, -1, -1, -1, 3, -1, -1));
    EXPECT_FALSE(p.Bevel || p.Shadow);
    EXPECT_TRUE(p.Font.Name.isEmpty());
    EXPECT_EQ(p.Lines, (QStringList{"", ""}));
    EXPECT_GE(p.Font.PointSize(), 1); // such a font still gives a drawable size
}

TEST(TextRecord, ForeignListsLeaveTheLayerUntouched)
{
    TTextParams p = HelloWorldLayer();
    EXPECT_FALSE(ReadRecord(p, nullptr));
    for (const QStringList& lines : {QStringList{"Tavlo Generator v1.56"}, {"ClassName=TBitmapLayer", "Count=0", "Line0=x"},
                                     {"ClassName=TTextLayerX"}}) {
        EXPECT_FALSE(ReadRecord(p, &lines)) << lines.join('|').toStdString();
        EXPECT_EQ(p, HelloWorldLayer());
    }
}
