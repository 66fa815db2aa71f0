#include "cover/Composition.h"
#include "cover/FaceShaping.h"
#include "cover/ImageViewInfo.h"
#include "RecordingCoverView.h"
#include "common/TestBitmaps.h"

#include <gtest/gtest.h>

namespace {
constexpr TColor32 Red = Color32(220, 0, 0), Green = Color32(0, 220, 0), Blue = Color32(0, 0, 220),
                   White = Color32(255, 255, 255), Black = Color32(0, 0, 0);

// A face whose pixels tell their own position, to see that copies land exactly.
TBitmap32 Numbered(int w, int h)
{
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32(x & 0xFF, y & 0xFF, (x >> 8) + ((y >> 8) << 4)));
    return b;
}
} // namespace

// Every type: the atlas (side | front below the top, side width square left empty), the sizes
// handed to the view, what lands where, and the type's view settings.
TEST(Composition, EveryTypesAtlasAndViewSettings)
{
    struct TProbe {
        int X, Y;
        TColor32 Colour;
    };
    const struct {
        TBookType Type;
        QSize Front, Atlas;
        bool Top; // a blue 200 x 40 top given
        int FrontHeight, SideWidth;
        std::vector<TProbe> Probes;
    } rows[] = {
        // Generated top: the front's colour lightened by 48, framed lighter by 64.
        {btTwoSidedBox, {200, 300}, {240, 340}, false, 300, 40,
         {{140, 20, Lighten(Red, 48)}, {40, 0, Lighten(Red, 64)}, {0, 0, 0u}, {39, 39, 0u}, {0, 40, Green}, {139, 339, Red}}},
        {btThreeSidedBox, {200, 300}, {350, 450}, true, 300, 150, {{250, 75, Blue}, {75, 300, Green}}},
        // Paged types draw the page block, not the top given. Without a back face the atlas is
        // side | front as it always was; a back face adds its region beside the front.
        {btBookCover, {200, 300}, {240, 340}, true, 300, 40, {{140, 20, White}, {140, 200, Red}, {239, 339, Red}}},
        {btElectronicMagazine, {200, 300}, {208, 308}, true, 300, 8, {{104, 4, White}, {4, 100, Green}}},
        // The CD case: the front goes to the top region beside a black hinge; front and side are
        // the case's edges.
        {btCDCover, {400, 380}, {800, 412}, false, 12, 400,
         {{410, 200, Black}, {600, 200, Red}, {600, 406, White}, {200, 406, Green}}},
        {btSpecialReport, {200, 300}, {214, 314}, true, 300, 14, {{7, 164, Green}, {100, 7, White}}},
        {btThinBook, {200, 300}, {230, 330}, true, 300, 30, {{100, 15, White}}},
        {btWideBox, {200, 300}, {425, 525}, true, 300, 225, {{325, 100, Blue}, {100, 400, Green}}},
    };
    const TColor32 Yellow = Color32(230, 230, 0);
    const TBitmap32 back = Filled(50, 80, Yellow); // stretched to the front's size
    for (const auto& r : rows) {
        for (const TBitmap32* backFace : {static_cast<const TBitmap32*>(nullptr), &back}) {
            SCOPED_TRACE(testing::Message() << int(r.Type) << (backFace ? " with a back" : ""));
            TBitmap32 front = Filled(r.Front.width(), r.Front.height(), Red), side = Filled(40, 500, Green);
            TBitmap32 top = Filled(200, 40, Blue);
            TRecordingCoverView view;
            ASSERT_TRUE(Compose(r.Type, &view, r.Top ? &top : nullptr, &side, &front, backFace));
            ASSERT_EQ(view.ShowCount, 1);
            ASSERT_TRUE(view.Atlas);
            // Only a paged type with a back face has the back region: side | front | back.
            const bool backRegion = backFace && IsPagedType(r.Type);
            const QSize atlas = r.Atlas + QSize(backRegion ? r.Front.width() : 0, 0);
            EXPECT_EQ(std::tuple(view.Atlas->Size(), view.FrontWidth, view.FrontHeight, view.SideWidth),
                      std::tuple(atlas, r.Front.width(), r.FrontHeight, r.SideWidth));
            EXPECT_EQ(AtlasHasBack(view.Atlas->Width(), view.FrontWidth, view.SideWidth), backRegion);
            for (const TProbe& p : r.Probes)
                EXPECT_EQ(view.Atlas->Pixel(p.X, p.Y), p.Colour) << p.X << "," << p.Y;
            if (backRegion) {
                const int left = r.SideWidth + r.Front.width(), right = atlas.width() - 1, bottom = atlas.height() - 1;
                EXPECT_EQ(std::tuple(view.Atlas->Pixel(left - 1, bottom), view.Atlas->Pixel(left, r.SideWidth),
                                     view.Atlas->Pixel(right, bottom), view.Atlas->Pixel(left + 100, r.SideWidth - 1)),
                          std::tuple(Red, Yellow, Yellow, 0u));
            }
            // The type's settings (their values are the book types' own test).
            EXPECT_EQ(std::tuple(view.PagedBook, view.RingBinding, view.IsCD, view.PageInset, view.AngleX, view.AngleY),
                      std::tuple(IsPagedType(r.Type), HasRingBinding(r.Type), IsCDCase(r.Type), PageInsetFor(r.Type),
                                 DefaultAnglesFor(r.Type).X, DefaultAnglesFor(r.Type).Y));
        }
    }
}

// A book without a back face keeps the atlas it always had: exactly side | front under the page
// block, each face copied pixel for pixel; an empty back is no back. A back face goes beside the
// front unchanged.
TEST(Composition, BookWithoutABackKeepsTheSideFrontAtlas)
{
    const TBitmap32 frontFace = Numbered(300, 450), sideFace = Numbered(40, 450);
    TBitmap32 backFace = Numbered(300, 450);
    for (int y = 0; y < 450; ++y)
        for (int x = 0; x < 300; ++x)
            backFace.SetPixel(x, y, backFace.Pixel(x, y) ^ 0x00FFFFFFu); // told apart from the front
    const TBitmap32 empty;
    for (const TBitmap32* back : std::initializer_list<const TBitmap32*>{nullptr, &empty, &backFace}) {
        SCOPED_TRACE(back ? back->Width() : -1);
        TBitmap32 front = frontFace, side = sideFace;
        TRecordingCoverView view;
        ASSERT_TRUE(Compose(btBookCover, &view, nullptr, &side, &front, back));
        const int sideWidth = side.Width(), width = back == &backFace ? sideWidth + 600 : sideWidth + 300;
        ASSERT_EQ(view.Atlas->Size(), QSize(width, sideWidth + 450));
        for (int y : {0, 1, 255, 449})
            for (int x : {0, 1, 256, 299}) {
                ASSERT_EQ(view.Atlas->Pixel(sideWidth + x, sideWidth + y), frontFace.Pixel(x, y)) << x << "," << y;
                if (back == &backFace) {
                    ASSERT_EQ(view.Atlas->Pixel(sideWidth + 300 + x, sideWidth + y), backFace.Pixel(x, y));
                }
                if (x < sideWidth) {
                    ASSERT_EQ(view.Atlas->Pixel(x, sideWidth + y), side.Pixel(x, y)) << x << "," << y;
                }
            }
    }
}

TEST(Composition, FacesOfTheRightSizeAreCopiedPixelForPixel)
{
    TBitmap32 front = Numbered(400, 600), side = Filled(150, 600, Green), top = Numbered(400, 150);
    const TBitmap32 frontCopy = front, topCopy = top;
    TRecordingCoverView view;
    ASSERT_TRUE(Compose(btThreeSidedBox, &view, &top, &side, &front));
    for (int y : {0, 1, 149, 599})
        for (int x : {0, 1, 257, 399}) {
            ASSERT_EQ(view.Atlas->Pixel(150 + x, 150 + y), frontCopy.Pixel(x, y)) << x << "," << y;
            if (y < 150) {
                ASSERT_EQ(view.Atlas->Pixel(150 + x, y), topCopy.Pixel(x, y)) << x << "," << y;
            }
        }
}

TEST(Composition, MissingOrEmptyFacesComposeNothing)
{
    TRecordingCoverView view;
    TBitmap32 front = Filled(40, 60, Red), side = Filled(10, 60, Green), empty;
    EXPECT_FALSE(Compose(btTwoSidedBox, &view, nullptr, &side, nullptr));
    EXPECT_FALSE(Compose(btTwoSidedBox, &view, nullptr, nullptr, &front));
    EXPECT_FALSE(Compose(btThreeSidedBox, &view, nullptr, &side, &empty));
    EXPECT_FALSE(Compose(btSpecialReport, &view, nullptr, &empty, &front));
    EXPECT_FALSE(Compose(btTwoSidedBox, nullptr, nullptr, &side, &front));
    EXPECT_EQ(view.ShowCount, 0);
    EXPECT_EQ(view.AngleX, -1.0f); // settings untouched too
    EXPECT_EQ(side.Size(), QSize(10, 60));
    EXPECT_TRUE(BuildAtlas(empty, side, nullptr).Empty());
    EXPECT_TRUE(BuildAtlas(front, empty, nullptr).Empty());
}

TEST(Composition, FinalCompositionStartsFromTheRecordsEachTime)
{
    TImageViewInfo frontRec, sideRec, topRec;
    frontRec.Bitmap = Filled(300, 400, Red);
    sideRec.Bitmap = Filled(60, 400, Green);
    topRec.Bitmap = Filled(300, 150, Blue);
    TRecordingCoverView view;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(ComposeFinal(btThreeSidedBox, &view, frontRec, sideRec, topRec));
        EXPECT_EQ(view.SideWidth, 150);
        EXPECT_EQ(sideRec.Bitmap.Size(), QSize(60, 400)); // the record itself is never reshaped
        EXPECT_EQ(view.Atlas->Pixel(300, 75), Blue);
    }
    // Type 0 with an empty top record generates the front-coloured top.
    topRec.Layers.Add<TBitmapLayer>();
    topRec.Clear();
    EXPECT_EQ(topRec.Layers.Count(), 0);
    ASSERT_TRUE(ComposeFinal(btTwoSidedBox, &view, frontRec, sideRec, topRec));
    EXPECT_EQ(view.Atlas->Pixel(200, 30), Lighten(Red, 48));
    // Nothing was edited: nothing to show.
    frontRec.Clear();
    EXPECT_FALSE(ComposeFinal(btTwoSidedBox, &view, frontRec, sideRec, topRec));
}
