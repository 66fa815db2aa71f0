// The photo scene built from a composed cover: parts, light, floor, colours, textures.
#include "render/D3DRenderer.h"
#include "render/scene/SceneMesh.h"

#include "PhotoTestUtil.h"
#include "render/RenderTestUtil.h"

#include <gtest/gtest.h>
#include <set>

namespace {
std::set<TScenePart> Parts(const TPhotoScene& scene)
{
    std::set<TScenePart> parts;
    for (const auto& t : scene.Mesh.Triangles)
        parts.insert(t.Part);
    return parts;
}

// The view's light maths need no context: only drawing does.
struct TViewMaths : TD3DRenderer {
    void ShowCover(const TBitmap32*, int, int, int) override {}
};
} // namespace

TEST(PhotoScene, EveryTypeHasItsPartsAndStandsOnTheFloor)
{
    using P = TScenePart;
    for (int type = 0; type < BookTypeCount; ++type) {
        SCOPED_TRACE(type);
        const TBookType t = TBookType(type);
        const TPhotoScene scene =
            BuildPhotoScene(PlainCover(t, Color32(200, 0, 0), Color32(0, 0, 200), Color32(0, 200, 0)),
                            WholePicture(t, 400, 300), TPhotoLook());
        std::set<P> want{IsCDCase(t) ? P::CaseInsert : P::CoverPrint};
        if (IsPagedType(t))
            want.insert(P::PageBlock);
        if (HasRingBinding(t))
            want.insert(P::RingMetal);
        if (IsCDCase(t))
            want.insert(P::Disc);
        EXPECT_EQ(Parts(scene), want);
        // Nothing of the cover lies below the floor, and something touches it.
        double lowest = 1e9;
        for (const auto& v : scene.Mesh.Vertices)
            lowest = std::min(lowest, v.Pos[1]);
        EXPECT_NEAR(lowest, scene.Floor.Y, 1e-6);
        // The floor is there exactly when the camera looks down on it.
        EXPECT_EQ(scene.Floor.Present, scene.Camera.Position()[1] > scene.Floor.Y);
        // Shadow as the view has it: on unless the type clears it.
        EXPECT_EQ(scene.Floor.ShadowStrength > 0, !ClearsShadow(t));
    }
}

TEST(PhotoScene, LightAndMaterialsFollowTheSettings)
{
    // The light's direction is the view's, for every attitude and orientation.
    TViewMaths view;
    for (float e : {0.0f, 0.3f, 0.72f, 1.0f})
        for (float a : {0.0f, 0.1f, 0.55f, 0.9f}) {
            view.SetLight(e, a);
            const auto d = LightDirection(e, a);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(d[size_t(k)], view.FLightPos[size_t(k)], 1e-6) << e << " " << a;
        }
    const TComposedCover cover = PlainCover(btBookCover, Color32(255, 255, 255), Color32(0, 0, 0), Color32(0, 0, 0));
    TCoverRenderSettings s = WholePicture(btBookCover, 400, 300);
    s.LightElevation = 0.4f;
    s.LightAzimuth = 0.25f;
    s.Background = Color32(10, 20, 200);
    TPhotoLook matte, glossy;
    matte.Gloss = 0;
    glossy.Gloss = 100;
    const TPhotoScene a = BuildPhotoScene(cover, s, matte), b = BuildPhotoScene(cover, s, glossy);
    const auto dir = LightDirection(0.4f, 0.25f);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(a.Light.Centre[size_t(k)] / 10, dir[size_t(k)], 1e-9);
    const auto& ca = a.Materials[size_t(TScenePart::CoverPrint)];
    const auto& cb = b.Materials[size_t(TScenePart::CoverPrint)];
    EXPECT_GT(ca.Roughness, 4 * cb.Roughness);
    // The clear case stays glossy however matte the print.
    EXPECT_LE(a.Materials[size_t(TScenePart::CaseInsert)].Roughness, 0.05f);
    // The sky takes the background's hue: blue above red.
    EXPECT_GT(a.Sky[2], 1.5f * a.Sky[0]);
    EXPECT_EQ(a.Background, Color32(10, 20, 200));

    TPhotoLook bad;
    bad.Reflection = 101;
    EXPECT_THROW(BuildPhotoScene(cover, s, bad), std::runtime_error);
    s.Zoom = 0.5f;
    EXPECT_THROW(BuildPhotoScene(cover, s, glossy), std::runtime_error);
    TBitmap32 empty, side = Filled(10, 10, 0xFFFFFFFF);
    EXPECT_THROW(ComposeCover(btBookCover, empty, side, nullptr), std::runtime_error);
}

TEST(PhotoScene, TexturesSampleTheAtlasAsTheViewDoes)
{
    // Front red, side blue, top green: the front quad's middle must sample red, the spine's blue.
    const TPhotoScene scene = BuildPhotoScene(
        PlainCover(btTwoSidedBox, Color32(255, 0, 0), Color32(0, 0, 255), Color32(0, 255, 0)),
        WholePicture(btTwoSidedBox, 400, 300), TPhotoLook());
    const TSceneTexture& atlas = *scene.Textures[0];
    const auto quads = BoxQuads({BoxProportionsFor(300, 450, 40), false, 1});
    auto middle = [&](int quad) {
        double s = 0, t = 0;
        for (const auto& v : quads[size_t(quad)]) {
            s += v.S / 4;
            t += v.T / 4;
        }
        return atlas.Sample(s, t);
    };
    EXPECT_NEAR(middle(4)[0], 1.0f, 1e-3); // front
    EXPECT_NEAR(middle(4)[2], 0.0f, 1e-3);
    EXPECT_NEAR(middle(0)[2], 1.0f, 1e-3); // spine
    EXPECT_NEAR(middle(1)[1], 1.0f, 1e-3); // top
    // Every level survives the trip to linear light and back.
    for (int level = 0; level < 256; ++level)
        ASSERT_EQ(LinearToSrgb(SrgbToLinear(level)), level);
    EXPECT_EQ(LinearToSrgb(std::numeric_limits<float>::quiet_NaN()), 0);
    // The disc is see-through in its hole and opaque on its printed rings.
    const TSceneTexture& disc = *scene.Textures[1];
    EXPECT_EQ(disc.Sample(0.5, 0.5)[3], 0.0f);
    EXPECT_GT(disc.Sample(0.5 + 0.35, 0.5)[3], 0.15f);
}

// The photo's back cover samples the back region of a paged type's atlas when it has a back face;
// without one the atlas is side | front and the back cover samples the front region (mirrored).
TEST(PhotoScene, BackCoverOfAPagedTypeShowsTheBackFace)
{
    const TColor32 front = Color32(255, 0, 0), back = Color32(0, 255, 255);
    for (const bool withBack : {false, true}) {
        SCOPED_TRACE(withBack);
        TBitmap32 f = Filled(300, 450, front), side = Filled(40, 450, Color32(0, 0, 255)), b = Filled(100, 150, back);
        const TPhotoScene scene = BuildPhotoScene(ComposeCover(btBookCover, f, side, nullptr, withBack ? &b : nullptr),
                                                  WholePicture(btBookCover, 400, 300), TPhotoLook());
        // The box's quads come first, two triangles each: the back cover is the sixth.
        const TSceneTriangle &first = scene.Mesh.Triangles[10], &second = scene.Mesh.Triangles[11];
        ASSERT_EQ(first.Part, TScenePart::CoverPrint);
        double s = 0, t = 0, lowestS = 1, highestS = 0;
        for (uint32_t index : {first.V[0], first.V[1], first.V[2], second.V[2]}) {
            const TSceneVertex& v = scene.Mesh.Vertices[index];
            s += v.S / 4;
            t += v.T / 4;
            lowestS = std::min(lowestS, v.S);
            highestS = std::max(highestS, v.S);
        }
        EXPECT_EQ(scene.Textures[0]->Width(), withBack ? 640 : 340);
        // The back region after side and front, else the front region itself.
        EXPECT_NEAR(lowestS, withBack ? 340.0 / 640 : 40.0 / 340, 1e-6);
        EXPECT_NEAR(highestS, 1.0, 1e-6);
        const auto texel = scene.Textures[0]->Sample(s, t);
        const TColor32 want = withBack ? back : front;
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(texel[size_t(k)], SrgbToLinear(int((want >> (16 - 8 * k)) & 255)), 1e-3) << k;
    }
}

TEST(PhotoScene, ACutPhotoKeepsItsReflectionTheWholeViewKeepsTheViewsFit)
{
    const TColor32 bg = Color32(200, 210, 220);
    const TComposedCover cover = PlainCover(btTwoSidedBox, Color32(20, 20, 20), Color32(20, 20, 20), Color32(20, 20, 20));
    TPhotoLook none, strong;
    none.Reflection = 0;
    strong.Reflection = 80;
    TCoverRenderSettings s = WholePicture(btTwoSidedBox, 300, 300);
    s.Background = bg;
    s.Shadow = false;
    const TPhotoScene wholeA = BuildPhotoScene(cover, s, none), wholeB = BuildPhotoScene(cover, s, strong);
    EXPECT_EQ(wholeA.Camera.Clip, wholeB.Camera.Clip);
    s.Crop = true;
    const TPhotoScene cutA = BuildPhotoScene(cover, s, none), cutB = BuildPhotoScene(cover, s, strong);
    EXPECT_EQ(cutA.Camera.Width, cutB.Camera.Width);
    EXPECT_GT(cutB.Camera.Height, cutA.Camera.Height + 10); // room for the reflection below
    // The reflection fades out inside the picture: on average its last rows are the
    // background but for the blur's faint spread.
    const TBitmap32 picture = Photo(cutB, 8);
    auto rowDifference = [&](int y) {
        double sum = 0;
        for (int x = 0; x < picture.Width(); ++x)
            sum += MaxChannelDiff(picture.Pixel(x, y), bg);
        return sum / picture.Width();
    };
    EXPECT_LT(rowDifference(picture.Height() - 1), 2.0);
    EXPECT_GT(rowDifference(cutA.Camera.Height), 10.0); // just below the cover: its reflection
    EXPECT_GT(CountPixels(picture, [&](TColor32 c) { return MaxChannelDiff(c, bg) > 20; }),
              picture.Width() * picture.Height() / 3);
}
