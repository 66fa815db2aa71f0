#include "cover/BookType.h"

#include <gtest/gtest.h>
#include <tuple>
#include <numbers>

TEST(BookType, NamesParseBackAndUnknownTextIsRefused)
{
    EXPECT_TRUE(BookTypeName(TBookType(8)).isEmpty());
    for (int i = 0; i < BookTypeCount; ++i) {
        EXPECT_FALSE(BookTypeName(TBookType(i)).isEmpty());
        EXPECT_EQ(BookTypeFromText(BookTypeName(TBookType(i))), TBookType(i));
        EXPECT_EQ(BookTypeFromText(QString::number(i)), TBookType(i));
    }
    EXPECT_EQ(BookTypeFromText("  book cover "), btBookCover);
    EXPECT_EQ(BookTypeFromText("CD COVER"), btCDCover);
    for (const char* bad : {"8", "-1", "Box", ""})
        EXPECT_FALSE(BookTypeFromText(bad)) << bad;
}

TEST(BookType, EveryPerTypeDecision)
{
    // Index 8 stands for any unknown type: a plain box without reshaping, pages or extras.
    // Paged, page inset, side width (0: the side keeps its size), the side taking the front's
    // height, ring binding, CD case (and its position control), orientation, shadow cleared.
    using TFacts = std::tuple<bool, float, int, bool, bool, bool, bool, bool, bool>;
    const std::tuple<int, int, int, TFacts> rows[] = {
        {0, 0, 30, {false, 1, 0, false, false, false, false, true, false}},
        {1, 21, 21, {false, 1, 150, false, false, false, false, false, false}},
        {2, 30, 330, {true, 1, 0, false, false, false, false, false, false}},
        {3, 290, 0, {true, 0.3f, 8, false, false, false, false, false, true}},
        {4, 25, 33, {false, 1, 0, false, false, true, true, false, true}},
        {5, 325, 0, {true, 0.3f, 14, true, true, false, false, false, true}},
        {6, 300, 0, {true, 0.8f, 30, false, false, false, false, false, true}},
        {7, 0, 325, {false, 1, 225, false, false, false, false, true, false}},
        {8, 0, 30, {false, 1, 0, false, false, false, false, false, false}},
    };
    for (const auto& [type, angleX, angleY, facts] : rows) {
        SCOPED_TRACE(type);
        const TBookType t = TBookType(type);
        const TViewAngles a = DefaultAnglesFor(t);
        EXPECT_NEAR(a.X, angleX * std::numbers::pi_v<float> / 180, 1e-5); // radians, not degrees
        EXPECT_NEAR(a.Y, angleY * std::numbers::pi_v<float> / 180, 1e-5);
        const auto side = SideShapeFor(t);
        EXPECT_EQ(TFacts(IsPagedType(t), PageInsetFor(t), side ? side->Width : 0, side && side->FrontHeight,
                         HasRingBinding(t), IsCDCase(t), ShowsCDPosition(t), OrientationEnabledFor(t), ClearsShadow(t)),
                  facts);
    }
}

static bool operator==(const TBoxProportions& a, const TBoxProportions& b)
{
    return a.X == b.X && a.Y == b.Y && a.Z == b.Z;
}

TEST(BookType, BoxProportionsAndFitToWindow)
{
    const TBoxProportions box = BoxProportionsFor(400, 600, 50), none = BoxProportionsFor(0, 600, 50);
    EXPECT_EQ(box, (TBoxProportions{1.0f, 1.5f, 0.125f}));
    EXPECT_TRUE(none.X == 0 && none.Y == 0);
    // A 400 x 300 window is wider than tall: a box 1.5 high is shrunk to 0.75 high, and fitting
    // again changes nothing. A tall window, a degenerate window or a flat box leaves it.
    const TBoxProportions fitted{0.5f, 0.75f, 0.0625f};
    for (auto [in, w, h, out] : {std::tuple{box, 400, 300, fitted}, {fitted, 400, 300, fitted}, {box, 100, 400, box},
                                 {box, 0, 0, box}, {none, 400, 300, none}})
        EXPECT_EQ(FitBoxToWindow(in, w, h), out) << w << "x" << h;
}
