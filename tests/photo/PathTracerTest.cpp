// The path tracer's parts: its samples, its BSDF, and light transport that neither creates
// energy, leaks light through the box nor shadows a surface by itself.
#include "render/photo/Bsdf.h"
#include "render/photo/PathTracer.h"
#include "render/photo/RayScene.h"
#include "render/photo/Sampler.h"

#include "PhotoTestUtil.h"
#include "render/RenderTestUtil.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <numbers>
#include <random>

namespace {
// Every surface white and diffuse, the light off, the same radiance in every direction.
TPhotoScene Furnace(TBookType type, float radiance)
{
    const int level = LinearToSrgb(radiance);
    TCoverRenderSettings s = WholePicture(type, 200, 150);
    s.Background = Color32(level, level, level);
    TPhotoScene scene =
        BuildPhotoScene(PlainCover(type, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF), s, TPhotoLook());
    for (auto& m : scene.Materials)
        m = TSceneMaterial{-1, 0.5f, 0.0f, false, false, false, {1, 1, 1}};
    scene.Light.Radiance = {0, 0, 0};
    scene.Sky = scene.Ground = {radiance, radiance, radiance};
    scene.Floor.Present = false;
    return scene;
}

// A white diffuse front-on box in the dark, lit only by the key light from (elevation, azimuth).
TPhotoScene InTheDark(float elevation, float azimuth)
{
    TCoverRenderSettings s = WholePicture(btTwoSidedBox, 400, 300);
    s.Crop = true; // framed to the box alone
    s.Shadow = false;
    s.AngleX = 10;
    s.AngleY = 0;
    s.LightElevation = elevation;
    s.LightAzimuth = azimuth;
    s.Background = Color32(0, 0, 0);
    TPhotoScene scene = BuildPhotoScene(PlainCover(btTwoSidedBox, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF), s, TPhotoLook());
    for (auto& m : scene.Materials)
        m = TSceneMaterial{-1, 0.5f, 0.0f, false, false, false, {1, 1, 1}};
    scene.Sky = scene.Ground = {0, 0, 0};
    scene.Floor.Present = false;
    return scene;
}

// The picture pixels well inside the box's front face (normal +z in the floor's frame).
std::vector<QPoint> FrontFacePixels(const TPhotoScene& scene)
{
    std::vector<QPoint> pixels;
    double zMax = -1e9;
    for (const auto& v : scene.Mesh.Vertices)
        zMax = std::max(zMax, v.Pos[2]);
    std::vector<double> xs, ys;
    for (const auto& v : scene.Mesh.Vertices)
        if (std::abs(v.Pos[2] - zMax) < 1e-9 && v.Normal[2] > 0.99) { // the front quad's corners
            const QPointF p = PicturePoint(scene.Camera, v.Pos);
            xs.push_back(p.x());
            ys.push_back(p.y());
        }
    // The rectangle inside the projected quad: inner of the two left corners, and so on.
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    const double x0 = xs[1], x1 = xs[xs.size() - 2], y0 = ys[1], y1 = ys[ys.size() - 2];
    EXPECT_TRUE(x0 >= 0 && y0 >= 0 && x1 <= scene.Camera.Width && y1 <= scene.Camera.Height);
    for (int y = std::max(int(y0) + 2, 0); y < std::min(int(y1) - 1, scene.Camera.Height); ++y)
        for (int x = std::max(int(x0) + 2, 0); x < std::min(int(x1) - 1, scene.Camera.Width); ++x)
            pixels.emplace_back(x, y);
    return pixels;
}
} // namespace

TEST(PhotoSampler, EveryPairIsStratifiedAndSeedsDiffer)
{
    for (uint32_t seed : {1u, 77u, 123456u})
        for (int dimension = 0; dimension < 4; ++dimension) {
            std::vector<std::array<double, 2>> points;
            for (uint32_t i = 0; i < 64; ++i) {
                TSampler s(seed, i);
                for (int d = 0; d < dimension; ++d)
                    s.Next2D();
                points.push_back(s.Next2D());
            }
            // 64 points: one in each cell of an 8 x 8, 64 x 1 and 1 x 64 grid.
            for (auto [cols, rows] : {std::pair{8, 8}, std::pair{64, 1}, std::pair{1, 64}, std::pair{4, 16}}) {
                std::vector<int> cells(64, 0);
                for (const auto& p : points) {
                    ASSERT_TRUE(p[0] >= 0 && p[0] < 1 && p[1] >= 0 && p[1] < 1);
                    ++cells[size_t(int(p[1] * rows) * cols + int(p[0] * cols))];
                }
                EXPECT_EQ(*std::max_element(cells.begin(), cells.end()), 1)
                    << "seed " << seed << " dimension " << dimension << " grid " << cols << "x" << rows;
            }
        }
    EXPECT_NE(TSampler(1, 0).Next2D(), TSampler(2, 0).Next2D());
    TSampler a(5, 3);
    EXPECT_NE(a.Next2D(), a.Next2D()); // each pair of dimensions is another sequence
}

TEST(PhotoBsdf, ReflectsAtMostWhatArrivesAndSamplesWhatItEvaluates)
{
    const TSurface surfaces[] = {
        {{1, 1, 1}, {0.04f, 0.04f, 0.04f}, 0.08f, false}, // glossy laminate on white
        {{1, 1, 1}, {0.04f, 0.04f, 0.04f}, 0.65f, false}, // matte print
        {{0, 0, 0}, {1, 1, 1}, 0.3f, true},                // white metal
    };
    std::mt19937 random(7);
    std::uniform_real_distribution<double> u(0, 1);
    for (const TSurface& surface : surfaces)
        for (double theta : {0.1, 0.8, 1.3}) {
            SCOPED_TRACE(testing::Message() << "roughness " << surface.Roughness << " metal " << surface.Metal
                                            << " angle " << theta);
            const TBsdf bsdf(surface);
            const TVec wo{std::sin(theta), 0, std::cos(theta)};
            const int n = 200000;
            double importance = 0, uniform = 0;
            for (int i = 0; i < n; ++i) {
                const TBsdfSample s = bsdf.Sample(wo, u(random), u(random), u(random));
                if (s.Pdf > 0)
                    importance += Luminance(s.F) * s.Wi.z / s.Pdf;
                // The same integral over uniformly drawn directions of the hemisphere.
                const double z = u(random), phi = 2 * std::numbers::pi * u(random), r = std::sqrt(1 - z * z);
                const TVec wi{r * std::cos(phi), r * std::sin(phi), z};
                uniform += Luminance(bsdf.Eval(wo, wi)) * z * 2 * std::numbers::pi;
            }
            importance /= n;
            uniform /= n;
            EXPECT_LE(importance, 1.01);
            // Sampling and evaluation describe the same lobe: the estimates agree (the uniform
            // one is noisy for the glossy lobe, hence the tolerance).
            EXPECT_NEAR(importance, uniform, 0.05 * std::max(uniform, 0.2));
        }
}

TEST(PhotoTransport, AWhiteBoxUnderAUniformSkyIsNeverBrighterThanTheSky)
{
    const float sky = SrgbToLinear(188);
    for (TBookType type : {btTwoSidedBox, btBookCover, btSpecialReport}) {
        SCOPED_TRACE(type);
        const TPhotoScene scene = Furnace(type, sky);
        const TRayScene rays(scene);
        const TPathTracer tracer(scene, rays);
        double coverSum = 0;
        int coverSamples = 0;
        for (int y = 0; y < scene.Camera.Height; y += 3)
            for (int x = 0; x < scene.Camera.Width; x += 3)
                for (uint32_t i = 0; i < 8; ++i) {
                    TSampler sampler(uint32_t(y * 1000 + x), i);
                    const TPixelSample s = tracer.Trace(x + 0.5, y + 0.5, sampler);
                    ASSERT_TRUE(std::isfinite(s.Colour.r + s.Colour.g + s.Colour.b)) << x << "," << y;
                    ASSERT_LE(MaxOf(s.Colour), sky * 1.0001f) << x << "," << y;
                    if (s.Kind == TPixelKind::Cover) {
                        coverSum += Luminance(s.Colour);
                        ++coverSamples;
                    }
                }
        ASSERT_GT(coverSamples, 100);
        // The plain box is convex: all the sky's light comes back (inside a book's covers a little
        // is lost to the bounce limit).
        EXPECT_NEAR(coverSum / coverSamples, sky, type == btTwoSidedBox ? 0.01 * sky : 0.05 * sky);
        const TBitmap32 picture = Photo(scene, 8);
        const int brightest = CountPixels(picture, [](TColor32 c) { return MaxChannelDiff(c, 0xFF000000u) > 188; });
        EXPECT_EQ(brightest, 0);
    }
}

TEST(PhotoTransport, NoLightLeaksThroughTheBoxAndNoFaceShadowsItself)
{
    // The light behind the box: its front face gets nothing, not even at its edges.
    const TPhotoScene behind = InTheDark(0.1f, 0.75f);
    const TBitmap32 dark = Photo(behind, 16);
    if (qEnvironmentVariableIsSet("TAVLO_PHOTO_SHOTS"))
        dark.ConstImageView().save("/tmp/photo-dark.png");
    const auto front = FrontFacePixels(behind);
    ASSERT_GT(front.size(), 400u);
    int lit = 0;
    for (const QPoint& p : front)
        lit += dark.Pixel(p.x(), p.y()) != Color32(0, 0, 0);
    EXPECT_EQ(lit, 0);
    // ... while the top face, turned up to the light, is lit.
    EXPECT_GT(CountPixels(dark, [](TColor32 c) { return RedOf(c) > 40; }), 200);

    // The light in front: the face is evenly lit, without dark specks of self-shadowing.
    const TPhotoScene before = InTheDark(0.05f, 0.25f);
    const TBitmap32 lightUp = Photo(before, 16);
    if (qEnvironmentVariableIsSet("TAVLO_PHOTO_SHOTS"))
        lightUp.ConstImageView().save("/tmp/photo-lit.png");
    std::vector<int> levels;
    for (const QPoint& p : FrontFacePixels(before))
        levels.push_back(RedOf(lightUp.Pixel(p.x(), p.y())));
    std::sort(levels.begin(), levels.end());
    const int median = levels[levels.size() / 2];
    EXPECT_GT(median, 100);
    EXPECT_GE(levels.front(), median - 3);
    EXPECT_LE(levels.back(), median + 3);
}
