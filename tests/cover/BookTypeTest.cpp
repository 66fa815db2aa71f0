#include "cover/BookType.h"

#include <gtest/gtest.h>
#include <cmath>
#include <numbers>

namespace {
float Degrees(float radians) { return 180.0f * radians / std::numbers::pi_v<float>; }
} // namespace

TEST(BookType, NamesAndParsing)
{
    EXPECT_EQ(BookTypeName(btTwoSidedBox), "Two Sided Box");
    EXPECT_EQ(BookTypeName(btWideBox), "Wide Box");
    EXPECT_TRUE(BookTypeName(TBookType(8)).isEmpty());
    for (int i = 0; i < BookTypeCount; ++i) {
        EXPECT_EQ(BookTypeFromText(BookTypeName(TBookType(i))), TBookType(i));
        EXPECT_EQ(BookTypeFromText(QString::number(i)), TBookType(i));
    }
    EXPECT_EQ(BookTypeFromText("  book cover "), btBookCover);
    EXPECT_EQ(BookTypeFromText("CD COVER"), btCDCover);
    EXPECT_FALSE(BookTypeFromText("8"));
    EXPECT_FALSE(BookTypeFromText("-1"));
    EXPECT_FALSE(BookTypeFromText("Box"));
    EXPECT_FALSE(BookTypeFromText(""));
}

TEST(BookType, PagedTypesAndPageBlockScale)
{
    int paged = 0;
    for (int i = 0; i < 256; ++i)
        paged += IsPagedType(TBookType(i));
    EXPECT_EQ(paged, 4);
    EXPECT_TRUE(IsPagedType(btBookCover) && IsPagedType(btElectronicMagazine) && IsPagedType(btSpecialReport)
                && IsPagedType(btThinBook));

    const auto scale = [](TBookType t) { return 1.0f - 0.04f * PageInsetFor(t); };
    EXPECT_FLOAT_EQ(scale(btBookCover), 0.96f);
    EXPECT_FLOAT_EQ(scale(btElectronicMagazine), 0.988f);
    EXPECT_FLOAT_EQ(scale(btSpecialReport), 0.988f);
    EXPECT_FLOAT_EQ(scale(btThinBook), 0.968f);
    EXPECT_FLOAT_EQ(PageInsetFor(btTwoSidedBox), 1.0f);
    EXPECT_FLOAT_EQ(PageInsetFor(TBookType(8)), 1.0f);
}

TEST(BookType, DefaultAnglesAreRadiansThatTurnBackIntoTheirDegrees)
{
    const TViewAngles book = DefaultAnglesFor(btBookCover);
    EXPECT_NEAR(Degrees(book.X), 30.0f, 1e-4);
    EXPECT_NEAR(Degrees(book.Y), 330.0f, 1e-3);
    EXPECT_NEAR(book.Y, 5.7595865f, 1e-6); // radians, not degrees
    const TViewAngles magazine = DefaultAnglesFor(btElectronicMagazine);
    EXPECT_NEAR(Degrees(magazine.X), 290.0f, 1e-3);
    EXPECT_EQ(magazine.Y, 0.0f);
    EXPECT_NEAR(Degrees(DefaultAnglesFor(btCDCover).Y), 33.0f, 1e-4);
}

TEST(BookType, UnknownIndexBehavesLikeAPlainBox)
{
    const TBookType unknown = TBookType(8);
    const TViewAngles a = DefaultAnglesFor(unknown), box = DefaultAnglesFor(btTwoSidedBox);
    EXPECT_EQ(a.X, box.X);
    EXPECT_EQ(a.Y, box.Y);
    EXPECT_FALSE(IsPagedType(unknown));
    EXPECT_FALSE(SideShapeFor(unknown));
    EXPECT_FALSE(HasRingBinding(unknown) || IsCDCase(unknown) || ClearsShadow(unknown) || ShowsCDPosition(unknown));
}

TEST(BookType, SideShapesExtrasAndFinalPageRules)
{
    EXPECT_FALSE(SideShapeFor(btTwoSidedBox));
    EXPECT_FALSE(SideShapeFor(btBookCover));
    EXPECT_FALSE(SideShapeFor(btCDCover));
    EXPECT_EQ(SideShapeFor(btThreeSidedBox)->Width, 150);
    EXPECT_EQ(SideShapeFor(btWideBox)->Width, 225);
    EXPECT_TRUE(SideShapeFor(btSpecialReport)->FrontHeight);
    EXPECT_FALSE(SideShapeFor(btThinBook)->FrontHeight);
    EXPECT_TRUE(HasRingBinding(btSpecialReport));
    EXPECT_TRUE(IsCDCase(btCDCover) && ShowsCDPosition(btCDCover));
    EXPECT_TRUE(OrientationEnabledFor(btTwoSidedBox) && OrientationEnabledFor(btWideBox));
    EXPECT_FALSE(OrientationEnabledFor(btThreeSidedBox));
    EXPECT_TRUE(ClearsShadow(btThinBook));
    EXPECT_FALSE(ClearsShadow(btBookCover));
}

TEST(BookType, BoxProportionsAndFitToWindow)
{
    const TBoxProportions box = BoxProportionsFor(400, 600, 50);
    EXPECT_FLOAT_EQ(box.X, 1.0f);
    EXPECT_FLOAT_EQ(box.Y, 1.5f);
    EXPECT_FLOAT_EQ(box.Z, 0.125f);
    const TBoxProportions cd = BoxProportionsFor(400, 12, 400);
    EXPECT_FLOAT_EQ(cd.Y, 0.03f);
    EXPECT_FLOAT_EQ(cd.Z, 1.0f);
    const TBoxProportions none = BoxProportionsFor(0, 600, 50);
    EXPECT_EQ(none.X, 0.0f);
    EXPECT_EQ(none.Y, 0.0f);

    // A 400 x 300 window is wider than tall: a box 1.5 high is shrunk to 0.75 high.
    const TBoxProportions fitted = FitBoxToWindow(box, 400, 300);
    EXPECT_FLOAT_EQ(fitted.Y, 0.75f);
    EXPECT_FLOAT_EQ(fitted.X, 0.5f);
    EXPECT_FLOAT_EQ(fitted.Z, 0.0625f);
    // A tall window leaves it.
    EXPECT_FLOAT_EQ(FitBoxToWindow(box, 100, 400).Y, 1.5f);
    EXPECT_FLOAT_EQ(FitBoxToWindow(box, 0, 0).Y, 1.5f);
}
