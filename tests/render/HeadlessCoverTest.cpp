// Whole covers drawn without a display, composed for each book type and cut to their contents.
#include "cover/Composition.h"
#include "render/HeadlessContext.h"
#include "render/HeadlessCover.h"
#include "render/HeadlessView.h"

#include "RenderTestUtil.h"
#include "common/RequireGL.h"

#include <QElapsedTimer>
#include <QImage>
#include <gtest/gtest.h>

namespace {
const TColor32 White = Color32(255, 255, 255);


// Whether the content (pixels other than bg) stays off the picture's edges (nothing is cut) and
// fills most of it.
bool TightAround(const TBitmap32& b, TColor32 bg)
{
    const QRect r = ContentRect(b, bg, 0);
    return QRect(1, 1, b.Width() - 2, b.Height() - 2).contains(r) && r.width() > b.Width() * 8 / 10
        && r.height() > b.Height() * 6 / 10;
}
} // namespace

TEST(HeadlessCover, EveryTypeRendersACroppedPicture)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    for (int type = 0; type < BookTypeCount; ++type) {
        TBitmap32 front = Filled(300, 450, Color32(200, 40, 40)), side = Filled(40, 450, Color32(40, 40, 200)),
                  top = Filled(300, 40, Color32(40, 200, 40));
        TCoverRenderSettings s;
        s.Type = TBookType(type);
        const TBitmap32 picture = RenderCoverHeadless(front, side, &top, s);
        SCOPED_TRACE(type);
        EXPECT_EQ(picture.Width(), 800); // the width asked, whatever the cut
        EXPECT_GT(picture.Height(), 60);
        EXPECT_TRUE(TightAround(picture, White));
        // Shadow by default except for the types the final page clears it for.
        const int c = int(std::lround(255 * (1 - 0.27f * 0.5f)));
        const TColor32 shadow = Color32(c, c, c);
        const int shadowPixels = CountPixels(picture, [&](TColor32 p) { return Near(p, shadow, 1); });
        EXPECT_TRUE(ClearsShadow(TBookType(type)) ? shadowPixels < 30 : shadowPixels > 300) << shadowPixels;
    }
}

TEST(HeadlessCover, FrontOnViewIsCutToTheBoxFace)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    TBitmap32 front = Filled(200, 400, Color32(200, 40, 40)), side = Filled(20, 400, Color32(40, 40, 200));
    TCoverRenderSettings s;
    s.Width = 400;
    s.Height = 300;
    s.AngleX = s.AngleY = 0;
    s.Shadow = false;
    s.Background = Color32(10, 20, 30);
    const TBitmap32 picture = RenderCoverHeadless(front, side, nullptr, s);
    // Front-on the picture is the 1 x 2 front face and a margin of two pixels, as wide as asked.
    EXPECT_EQ(picture.Width(), 400);
    EXPECT_NEAR(picture.Height(), 2 * (400 - 4) + 4, 4.0);
    const QRect face = ContentRect(picture, Color32(10, 20, 30));
    EXPECT_NEAR(face.width(), 396, 2.0);
}

// Seen from behind, a book's back cover shows its back face as printed (its left half on the
// left); without one, the front mirrored, which from behind also reads left to right.
TEST(HeadlessCover, RearViewOfABookShowsItsBackFace)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    auto halves = [](TColor32 left, TColor32 right) {
        TBitmap32 b = Filled(200, 300, left);
        for (int y = 0; y < 300; ++y)
            for (int x = 100; x < 200; ++x)
                b.SetPixel(x, y, right);
        return b;
    };
    const TColor32 Red = Color32(220, 30, 30), Blue = Color32(30, 30, 220), Yellow = Color32(220, 220, 30),
                   Cyan = Color32(30, 220, 220);
    auto hue = [](TColor32 c) { return QString("%1%2%3").arg(RedOf(c) > 110).arg(GreenOf(c) > 110).arg(BlueOf(c) > 110); };
    const struct {
        bool Back;
        TColor32 Left, Right;
    } cases[] = {{false, Red, Blue}, {true, Yellow, Cyan}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Back);
        TBitmap32 front = halves(Red, Blue), side = Filled(30, 300, Color32(30, 200, 30));
        TCoverRenderSettings s;
        s.Type = btBookCover;
        s.Width = 400;
        s.AngleX = 0;
        s.AngleY = 180;
        s.Shadow = false;
        if (c.Back)
            s.Back = std::make_shared<const TBitmap32>(halves(Yellow, Cyan));
        const TBitmap32 picture = RenderCoverHeadless(front, side, nullptr, s);
        const QRect cover = ContentRect(picture, White);
        ASSERT_GT(cover.width(), 300);
        const int y = cover.center().y();
        EXPECT_EQ(hue(picture.Pixel(cover.left() + cover.width() / 4, y)), hue(c.Left));
        EXPECT_EQ(hue(picture.Pixel(cover.left() + cover.width() * 3 / 4, y)), hue(c.Right));
    }
}

// A low light from behind throws the shadow towards the viewer, nearer than the view's usual
// near plane: the cut picture frames the whole shadow, and all of it is drawn up to that frame.
TEST(HeadlessCover, ALongShadowTowardsTheViewerIsDrawnToTheFramedEdge)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    for (TBookType type : {btCDCover}) {
        SCOPED_TRACE(int(type));
        TBitmap32 front = Filled(300, 300, Color32(40, 90, 200)), side = Filled(40, 300, Color32(200, 60, 40));
        TCoverRenderSettings s;
        s.Type = type;
        s.Width = 400;
        s.Shadow = true;
        s.LightElevation = 0.1f;
        s.LightAzimuth = 0.6f;
        const TBitmap32 picture = RenderCoverHeadless(front, side, nullptr, s);
        const QRect content = ContentRect(picture, White);
        // The frame keeps two pixels of margin around everything it framed.
        EXPECT_LE(content.left(), 3);
        EXPECT_LE(content.top(), 3);
        EXPECT_GE(content.right(), picture.Width() - 4);
        EXPECT_GE(content.bottom(), picture.Height() - 4) << picture.Width() << "x" << picture.Height();
    }
}

TEST(HeadlessCover, BadInputIsRefusedWithAMessage)
{
    TBitmap32 empty, side = Filled(20, 40, White);
    TCoverRenderSettings s;
    EXPECT_THROW(RenderCoverHeadless(empty, side, nullptr, s), std::runtime_error);
    using T = TCoverRenderSettings;
    for (auto change : std::initializer_list<void (*)(T&)>{
             [](T& t) { t.Width = 9000; }, [](T& t) { t.Height = 0; }, [](T& t) { t.Zoom = 0.7f; },
             [](T& t) { t.Zoom = 0.75f; }, [](T& t) { t.Passes = 0; }, [](T& t) { t.LightElevation = 1.5f; },
             [](T& t) { t.Type = TBookType(8); }}) {
        TCoverRenderSettings bad;
        change(bad);
        EXPECT_THROW(ValidateSettings(bad), std::runtime_error);
    }
    EXPECT_NO_THROW(ValidateSettings(s));
}

// The default smoothing (soft shadow layer, nine edge passes) against 255 whole jittered passes
// of the same scene, shadow on, a photograph on the front: no visible ghosts of the shadow or
// the edges may remain.
TEST(HeadlessCover, SmoothedFrameMatchesManyPassesForEveryType)
{
    bool ok = false;
    THeadlessView view(800, 600, ok);
    TAVLO_REQUIRE_GL(ok, "EGL surfaceless");
    QImage photo(TAVLO_CORPUS_DIR "/jpeg/gdkpixbuf-bug725582-testrotate.jpg");
    ASSERT_FALSE(photo.isNull());
    for (int type = 0; type < BookTypeCount; ++type) {
        SCOPED_TRACE(type);
        TBitmap32 front, side = Filled(50, 428, Color32(40, 40, 160)), top = Filled(640, 50, Color32(220, 200, 60));
        front.Assign(photo);
        view.FSmooth = false;
        ASSERT_TRUE(Compose(TBookType(type), &view, &top, &side, &front));
        view.FShadow = true;
        view.FSmooth = true;
        QElapsedTimer timer;
        timer.start();
        view.ShowCover(nullptr, 0, 0, 0);
        const qint64 ms = timer.elapsed();
        const TBitmap32 smoothed = view.LastFrame();
        ASSERT_TRUE(view.MakeCurrent());
        view.PaintAccumulated(255);
        const TBitmap32 ref = ReadFramebuffer(800, 600);
        const double psnr = Psnr(ref, smoothed);
        EXPECT_GE(psnr, 45.0);
        std::printf("type %d: %.1f dB against 255 passes, smoothed frame %lld ms\n", type, psnr, (long long)ms);
    }
}

// On a transparent background the CD's disc is opaque, as it looks over the background colour;
// only the cover and the disc's smoothed rim may be partly clear.
TEST(HeadlessCover, CdDiscIsOpaqueOnATransparentBackground)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    TCoverRenderSettings s;
    s.Type = btCDCover;
    s.Width = 400;
    s.Height = 300;
    s.Background = Color32(40, 90, 160);
    auto render = [&](bool transparent) {
        TBitmap32 front = Filled(300, 300, Color32(200, 40, 40)), side = Filled(20, 300, Color32(40, 160, 40));
        s.Transparent = transparent;
        return RenderCoverHeadless(front, side, nullptr, s);
    };
    const TBitmap32 coloured = render(false), clear = render(true);
    ASSERT_EQ(clear.Size(), coloured.Size());
    int opaque = 0, partial = 0, unlike = 0;
    for (int y = 0; y < clear.Height(); ++y)
        for (int x = 0; x < clear.Width(); ++x) {
            const TColor32 p = clear.Pixel(x, y);
            opaque += AlphaOf(p) == 255;
            partial += AlphaOf(p) > 0 && AlphaOf(p) < 255;
            unlike += AlphaOf(p) == 255 && !Near(p, coloured.Pixel(x, y), 2);
        }
    const int content = CountPixels(coloured, [&](TColor32 p) { return !Near(p, s.Background, 0); });
    // The disc, silver over the blue, is a good part of the content (the case is red, green, black
    // and white): all of it must come out opaque.
    const int disc = CountPixels(coloured, [&](TColor32 p) { return BlueOf(p) > RedOf(p) + 5 && RedOf(p) > 50 && !Near(p, s.Background, 4); });
    EXPECT_GT(disc, content / 8) << "disc pixels, of " << content;
    EXPECT_LT(partial, disc / 10) << "pixels partly clear, of " << disc << " of the disc";
    EXPECT_NEAR(opaque, content, content / 50);
    EXPECT_EQ(unlike, 0) << "opaque pixels unlike the picture on the background colour";
}
