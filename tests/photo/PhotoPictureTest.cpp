// Whole photo pictures: the floor's mirror image, transparent and opaque backgrounds, the same
// picture for the same seed, progress and cancelling, and a noise filter that helps.
#include "PhotoTestUtil.h"
#include "render/RenderTestUtil.h"

#include <gtest/gtest.h>

namespace {
const TColor32 Grey = Color32(128, 128, 128);

// A front face in four parts: a blue band along its bottom, above it red on the left and green
// on the right; the rest of the face white.
TComposedCover MarkedCover()
{
    TBitmap32 front = Filled(300, 450, Color32(255, 255, 255)), side = Filled(40, 450, Grey), top = Filled(300, 40, Grey);
    front.FillRect(QRect(0, 300, 150, 126), Color32(255, 0, 0));
    front.FillRect(QRect(150, 300, 150, 126), Color32(0, 255, 0));
    front.FillRect(QRect(0, 426, 300, 24), Color32(0, 0, 255));
    return ComposeCover(btTwoSidedBox, front, side, &top);
}

TPhotoScene MirrorScene()
{
    TCoverRenderSettings s = WholePicture(btTwoSidedBox, 300, 300);
    s.AngleX = 12;
    s.AngleY = 0;
    s.Shadow = false;
    s.Background = Grey;
    TPhotoLook look;
    look.Reflection = 100;
    look.Blur = 0;
    return BuildPhotoScene(MarkedCover(), s, look);
}

// The dominant channel of a colour's difference from grey: 0 red, 1 green, 2 blue, -1 none.
int Dominant(TColor32 c)
{
    const int d[3] = {RedOf(c) - 128, GreenOf(c) - 128, BlueOf(c) - 128};
    const int best = int(std::max_element(d, d + 3) - d);
    return d[best] > 12 ? best : -1;
}
} // namespace

TEST(PhotoPicture, TheFloorMirrorsTheCover)
{
    const TPhotoScene scene = MirrorScene();
    const TBitmap32 picture = Photo(scene, 16);
    const double floorY = scene.Floor.Y;
    double zFront = -1e9, halfWidth = 0;
    for (const auto& v : scene.Mesh.Vertices)
        zFront = std::max(zFront, v.Pos[2]);
    for (const auto& v : scene.Mesh.Vertices)
        halfWidth = std::max(halfWidth, std::abs(v.Pos[0]));
    // Points of the front face (x across, h above the floor) and their mirror images below it.
    struct TCase {
        double X, H;
        int Channel;
    };
    int checked = 0;
    for (const TCase c : {TCase{-0.3, 0.02, 2}, TCase{0.3, 0.02, 2}, TCase{-0.25, 0.09, 0}, TCase{0.25, 0.09, 1}}) {
        SCOPED_TRACE(testing::Message() << "x " << c.X << " h " << c.H);
        const double x = c.X * 2 * halfWidth;
        const QPointF above = PicturePoint(scene.Camera, {x, floorY + c.H, zFront});
        const QPointF below = PicturePoint(scene.Camera, {x, floorY - c.H, zFront});
        ASSERT_GT(below.y(), above.y());
        EXPECT_EQ(Dominant(picture.Pixel(int(above.x()), int(above.y()))), c.Channel);
        EXPECT_EQ(Dominant(picture.Pixel(int(below.x()), int(below.y()))), c.Channel);
        ++checked;
    }
    EXPECT_EQ(checked, 4);
    // Beside the cover and far below it the floor shows exactly the background.
    for (QPoint p : {QPoint(2, picture.Height() - 3), QPoint(picture.Width() - 3, picture.Height() - 3)})
        EXPECT_EQ(picture.Pixel(p.x(), p.y()), Grey | 0xFF000000u);

    // Without reflection the same floor point is the background.
    TPhotoScene plain = scene;
    plain.Floor.Reflection = 0;
    const TBitmap32 none = Photo(plain, 4);
    const QPointF below = PicturePoint(scene.Camera, {0.3, floorY - 0.02, zFront});
    EXPECT_EQ(none.Pixel(int(below.x()), int(below.y())), Grey | 0xFF000000u);
}

TEST(PhotoPicture, BackgroundIsExactOrTransparentAndTheShadowIsPartial)
{
    const TColor32 bg = Color32(30, 120, 200);
    TCoverRenderSettings s = WholePicture(btBookCover, 320, 240);
    s.Background = bg;
    s.Shadow = true;
    s.ShadowStrength = 1;
    s.LightElevation = 0.3f;
    const TComposedCover cover = PlainCover(btBookCover, Color32(240, 200, 40), Color32(200, 40, 40), Color32(250, 250, 250));
    TPhotoLook look;
    look.Reflection = 0;
    const TPhotoScene opaqueScene = BuildPhotoScene(cover, s, look);
    const TBitmap32 opaque = Photo(opaqueScene, 16, true);
    // The corners, where nothing reaches, are exactly the background, floor or not.
    for (QPoint p : {QPoint(0, 0), QPoint(319, 0), QPoint(0, 239), QPoint(319, 239)})
        EXPECT_EQ(opaque.Pixel(p.x(), p.y()), bg | 0xFF000000u);
    const int exact = CountPixels(opaque, [&](TColor32 c) { return c == (bg | 0xFF000000u); });
    EXPECT_GT(exact, 320 * 240 / 2);
    EXPECT_EQ(CountPixels(opaque, [](TColor32 c) { return AlphaOf(c) != 255; }), 0);

    s.Transparent = true;
    const TBitmap32 clear = Photo(BuildPhotoScene(cover, s, look), 16, true);
    if (qEnvironmentVariableIsSet("TAVLO_PHOTO_SHOTS")) { // to look at them
        opaque.ConstImageView().save("/tmp/photo-opaque.png");
        clear.ConstImageView().save("/tmp/photo-transparent.png");
    }
    for (QPoint p : {QPoint(0, 0), QPoint(319, 0), QPoint(0, 239), QPoint(319, 239)})
        EXPECT_EQ(AlphaOf(clear.Pixel(p.x(), p.y())), 0);
    // Where the opaque picture shows the cover, the transparent one is opaque with its colour.
    const QPoint centre(160, 120);
    EXPECT_EQ(AlphaOf(clear.Pixel(centre.x(), centre.y())), 255);
    EXPECT_LE(MaxChannelDiff(clear.Pixel(centre.x(), centre.y()), opaque.Pixel(centre.x(), centre.y())), 2);
    // The shadow is partly see-through black: darker than the background in the opaque picture.
    // (Away from the cover's edges, whose pixels are partly covered by the cover itself.)
    auto nearCover = [&](int x, int y) {
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx)
                if (AlphaOf(clear.PixelOr(x + dx, y + dy, 0)) == 255)
                    return true;
        return false;
    };
    int shadow = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const TColor32 c = clear.Pixel(x, y), o = opaque.Pixel(x, y);
            if (AlphaOf(c) > 20 && AlphaOf(c) < 235 && !nearCover(x, y)) {
                ++shadow;
                EXPECT_LE(RedOf(c) + GreenOf(c) + BlueOf(c), 30) << x << "," << y;
                EXPECT_LT(BlueOf(o), BlueOf(bg)) << x << "," << y;
            }
        }
    EXPECT_GT(shadow, 100);
}

TEST(PhotoPicture, TheSameSeedGivesTheSamePictureOnAnyNumberOfThreads)
{
    TCoverRenderSettings s = WholePicture(btCDCover, 160, 120);
    s.Shadow = true;
    const TPhotoScene scene =
        BuildPhotoScene(PlainCover(btCDCover, Color32(90, 30, 160), Color32(20, 20, 20), Color32(250, 250, 250)), s, TPhotoLook());
    TPhotoOptions one;
    one.Samples = 16;
    one.Threads = 1;
    TPhotoOptions all = one;
    all.Threads = 0;
    const auto a = RenderPhoto(scene, one), b = RenderPhoto(scene, all), c = RenderPhoto(scene, all);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(CountDiffering(*a, *b, 0), 0);
    EXPECT_EQ(CountDiffering(*b, *c, 0), 0);
    all.Seed = 2;
    const auto d = RenderPhoto(scene, all);
    EXPECT_GT(CountDiffering(*b, *d, 0), 20);
}

TEST(PhotoPicture, PassesReportProgressAndCanBeCancelled)
{
    const TPhotoScene scene = BuildPhotoScene(PlainCover(btTwoSidedBox, 0xFF808080, 0xFF404040, 0xFFC0C0C0),
                                              WholePicture(btTwoSidedBox, 120, 90), TPhotoLook());
    TPhotoOptions options;
    options.Samples = 32;
    std::vector<TPhotoProgress> passes;
    const auto picture = RenderPhoto(scene, options, [&](const TPhotoProgress& p, const TBitmap32& b) {
        EXPECT_EQ(b.Width(), 120);
        EXPECT_EQ(b.Height(), 90);
        passes.push_back(p);
        return true;
    });
    ASSERT_TRUE(picture);
    ASSERT_GE(passes.size(), 3u);
    EXPECT_EQ(passes.front().SamplesDone, 1); // a first picture after one sample per pixel
    for (size_t i = 1; i < passes.size(); ++i)
        EXPECT_GT(passes[i].SamplesDone, passes[i - 1].SamplesDone - (passes[i].Last ? 1 : 0));
    EXPECT_TRUE(passes.back().Last);
    EXPECT_LE(passes.back().SamplesDone, 32);
    EXPECT_EQ(std::count_if(passes.begin(), passes.end(), [](const auto& p) { return p.Last; }), 1);

    int calls = 0;
    EXPECT_FALSE(RenderPhoto(scene, options, [&](const TPhotoProgress&, const TBitmap32&) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    std::atomic<bool> cancel{true};
    options.Cancel = &cancel;
    EXPECT_FALSE(RenderPhoto(scene, options));
}

TEST(PhotoPicture, TheNoiseFilterBringsAFewSamplesCloserToMany)
{
    TCoverRenderSettings s = WholePicture(btBookCover, 200, 150);
    s.ShadowStrength = 1;
    const TPhotoScene scene = BuildPhotoScene(
        PlainCover(btBookCover, Color32(200, 180, 160), Color32(60, 60, 140), Color32(240, 240, 230)), s, TPhotoLook());
    TPhotoOptions many;
    many.Samples = 512;
    many.Adaptive = false;
    many.Filter = false;
    const auto reference = RenderPhoto(scene, many);
    TPhotoOptions few = many;
    few.Samples = 8;
    const auto raw = RenderPhoto(scene, few);
    few.Filter = true;
    const auto filtered = RenderPhoto(scene, few);
    ASSERT_TRUE(reference && raw && filtered);
    const double before = Psnr(*reference, *raw), after = Psnr(*reference, *filtered);
    EXPECT_GT(after, before + 1.5) << before << " dB unfiltered";
    std::printf("8 samples against 512: %.1f dB unfiltered, %.1f dB filtered\n", before, after);
}
