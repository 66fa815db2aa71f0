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
    p.Shadow = true;
    p.Bevel = true;
    p.PosX = -7;
    p.PosY = 12;
    p.PosAlpha = 33;
    p.Alpha = 17;
    p.Quality = 2;
    p.Rotation = -7;
    p.Font.Name = QString::fromUtf8("DejaVu Sans Mono = wide");
    p.Font.PixelsPerInch = 120;
    p.Font.Charset = 204;
    p.Font.Color = 0x00336699;
    p.Font.Height = 31; // cell height
    p.Font.Pitch = 2;
    p.Font.Italic = true;
    p.Font.Underline = true;
    p.Font.StrikeOut = true;
    p.Lines = {QString::fromUtf8("Grüße, Καλημέρα, 日本語"), "", "a=b", "  spaced  "};

    QStringList lines;
    WriteRecord(p, lines);
    lines.append("Tavlo Generator v1.56"); // the clipboard's signature line has no "="
    TTextParams back;
    back.Lines.clear();
    ASSERT_TRUE(ReadRecord(back, &lines));
    EXPECT_EQ(back, p);

    // A system colour (negative value) survives as well.
    p.Font.Color = int32_t(0xFF00000D);
    lines.clear();
    WriteRecord(p, lines);
    EXPECT_TRUE(lines.contains("FontColor=-16777203"));
    TTextParams again;
    again.Lines.clear();
    ASSERT_TRUE(ReadRecord(again, &lines));
    EXPECT_EQ(again.Font.Color, p.Font.Color);
}

TEST(TextRecord, KeysAndClassNameIgnoreAsciiCaseAndValuesKeepEquals)
{
    const QStringList lines{"classname=ttextlayer", "SHADOW=1", "line0=a=b", "count=0", "posx= 12\t"};
    TTextParams p;
    ASSERT_TRUE(ReadRecord(p, &lines));
    EXPECT_TRUE(p.Shadow);
    EXPECT_EQ(p.Lines, QStringList{"a=b"});
    EXPECT_EQ(p.PosX, 12); // blanks and control characters around a number are ignored
}

TEST(TextRecord, CountIsTheLastIndex)
{
    TTextParams one;
    const QStringList countZero{"ClassName=TTextLayer", "Line0=", "Count=0"};
    ASSERT_TRUE(ReadRecord(one, &countZero));
    EXPECT_EQ(one.Lines, QStringList{""});

    TTextParams none;
    const QStringList countMinus{"ClassName=TTextLayer", "Line0=ignored", "Count=-1"};
    ASSERT_TRUE(ReadRecord(none, &countMinus));
    EXPECT_TRUE(none.Lines.isEmpty());

    TTextParams missing;
    const QStringList noCount{"ClassName=TTextLayer", "Line0=ignored"};
    ASSERT_TRUE(ReadRecord(missing, &noCount));
    EXPECT_TRUE(missing.Lines.isEmpty());

    // Missing lines within Count read as empty lines; the first of two equal keys wins.
    TTextParams gaps;
    const QStringList withGaps{"ClassName=TTextLayer", "Line2=third", "Line0=first", "Line0=second", "Count=2"};
    ASSERT_TRUE(ReadRecord(gaps, &withGaps));
    EXPECT_EQ(gaps.Lines, (QStringList{"first", "", "third"}));
}

TEST(TextRecord, MissingAndMalformedNumbersReadAsMinusOne)
{
    const QStringList lines{"ClassName=TTextLayer", "PosX=12abc", "PosY=", "Alpha=0x10", "PosAlpha=99999999999",
                            "Rotation=+3", "Bevel=yes", "FontPPI=-", "Count=1"};
    TTextParams p;
    ASSERT_TRUE(ReadRecord(p, &lines));
    EXPECT_EQ(p.PosX, -1);
    EXPECT_EQ(p.PosY, -1);
    EXPECT_EQ(p.Alpha, -1);
    EXPECT_EQ(p.PosAlpha, -1);
    EXPECT_EQ(p.Quality, -1); // missing
    EXPECT_EQ(p.Rotation, 3);
    EXPECT_FALSE(p.Bevel);
    EXPECT_FALSE(p.Shadow);
    EXPECT_EQ(p.Font.PixelsPerInch, -1);
    EXPECT_EQ(p.Font.Height, -1);
    EXPECT_TRUE(p.Font.Name.isEmpty());
    EXPECT_EQ(p.Lines, (QStringList{"", ""}));
    // Such a font still gives a drawable size.
    EXPECT_GE(p.Font.PointSize(), 1);
}

TEST(TextRecord, ForeignListsLeaveTheLayerUntouched)
{
    TTextParams p = HelloWorldLayer();
    const TTextParams before = p;
    EXPECT_FALSE(ReadRecord(p, nullptr));
    const QStringList signatureOnly{"Tavlo Generator v1.56"};
    EXPECT_FALSE(ReadRecord(p, &signatureOnly));
    const QStringList otherClass{"ClassName=TBitmapLayer", "Count=0", "Line0=x"};
    EXPECT_FALSE(ReadRecord(p, &otherClass));
    const QStringList prefixOnly{"ClassName=TTextLayerX"};
    EXPECT_FALSE(ReadRecord(p, &prefixOnly));
    EXPECT_EQ(p, before);
}

TEST(TextRecord, AbsurdCountDoesNotExplode)
{
    const QStringList lines{"ClassName=TTextLayer", "Line0=only", "Count=2000000000"};
    TTextParams p;
    ASSERT_TRUE(ReadRecord(p, &lines));
    EXPECT_LE(p.Lines.size(), lines.size() + 1);
    EXPECT_EQ(p.Lines.value(0), "only");
}
