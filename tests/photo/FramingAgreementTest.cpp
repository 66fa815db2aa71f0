// One scene, two renderers: the 3D view draws its content where the scene's camera and mesh
// put it, and the photo cuts the same content rectangle as the view (within 1 %).
#include "PhotoTestUtil.h"
#include "common/RequireGL.h"
#include "render/HeadlessContext.h"
#include "render/RenderTestUtil.h"

#include <QRect>
#include <gtest/gtest.h>

namespace {
struct TVariant {
    const char* Name;
    std::optional<float> AngleX, AngleY; // degrees
    float Zoom = 1, Elevation = 0.72f, Azimuth = 0.1f;
};

const TVariant Variants[] = {
    {"type's own angles", {}, {}},
    {"turned and tilted", 15.0f, 200.0f},
    {"zoomed out", {}, {}, 0.8f},
    {"zoomed in", 10.0f, 40.0f, 2.5f},
    // Low from the camera's side: a long shadow behind the cover that the view zooms out for.
    {"low light from the front", {}, {}, 1.0f, 0.1f, 0.3f},
};

struct TFaces {
    TBitmap32 Front = Filled(300, 450, Color32(220, 30, 30)), Side = Filled(40, 450, Color32(30, 30, 220)),
              Top = Filled(300, 40, Color32(30, 200, 30));
};

TCoverRenderSettings SettingsFor(TBookType type, const TVariant& v, int w, int h)
{
    TCoverRenderSettings s;
    s.Type = type;
    s.AngleX = v.AngleX;
    s.AngleY = v.AngleY;
    s.Zoom = v.Zoom;
    s.LightElevation = v.Elevation;
    s.LightAzimuth = v.Azimuth;
    s.Width = w;
    s.Height = h;
    return s;
}

// Where the scene puts its content in the picture: every vertex of the cover's mesh and, with
// the shadow, its shadow on the floor, through the scene's camera (clipped to the picture).
QRectF SceneContentRect(const TPhotoScene& scene, bool shadow)
{
    const TSceneCamera& camera = scene.Camera;
    const QMatrix4x4 flatten = ShadowMatrix(scene.Floor.Y, scene.Light.Direction);
    double left = 1e30, right = -1e30, top = 1e30, bottom = -1e30;
    auto add = [&](const std::array<double, 3>& p) {
        const QPointF q = PicturePoint(camera, p);
        left = std::min(left, q.x());
        right = std::max(right, q.x());
        top = std::min(top, q.y());
        bottom = std::max(bottom, q.y());
    };
    for (const TSceneVertex& v : scene.Mesh.Vertices) {
        add(v.Pos);
        if (shadow) {
            const QVector3D f = flatten.map(QVector3D(float(v.Pos[0]), float(v.Pos[1]), float(v.Pos[2])));
            add({f.x(), f.y(), f.z()});
        }
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom)) & QRectF(0, 0, camera.Width, camera.Height);
}
} // namespace

TEST(PhotoFraming, TheViewDrawsWhereTheSceneSaysItsContentIs)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    const TColor32 bg = Color32(200, 200, 200); // the shadow (at full strength) and every face stand out
    struct TCase {
        const TVariant& Variant;
        bool Shadow, Crop, Smooth;
    };
    const TCase cases[] = {
        {Variants[0], true, true, false},  {Variants[0], true, false, false}, {Variants[1], true, false, false},
        {Variants[2], false, false, false}, {Variants[3], true, true, false}, {Variants[4], true, false, false},
        {Variants[0], false, false, true},
    };
    TPhotoLook look;
    look.Reflection = 0; // content as the view has it
    for (int type = 0; type < BookTypeCount; ++type)
        for (const TCase& c : cases) {
            SCOPED_TRACE(testing::Message() << "type " << type << ", " << c.Variant.Name << (c.Crop ? ", cut" : "")
                                            << (c.Shadow ? ", shadow" : "") << (c.Smooth ? ", smooth" : ""));
            TCoverRenderSettings s = SettingsFor(TBookType(type), c.Variant, 400, 300);
            s.Background = bg;
            s.Shadow = c.Shadow;
            s.ShadowStrength = 1;
            s.Crop = c.Crop;
            s.Smooth = c.Smooth;
            TFaces gl, scene;
            const TBitmap32 picture = RenderCoverHeadless(gl.Front, gl.Side, &gl.Top, s);
            const TPhotoScene described =
                BuildPhotoScene(ComposeCover(TBookType(type), scene.Front, scene.Side, &scene.Top), s, look);
            ASSERT_EQ(picture.Width(), described.Camera.Width);
            ASSERT_NEAR(picture.Height(), described.Camera.Height, 0.01 * picture.Height() + 1);
            const QRect drawn = ContentRect(picture, bg);
            const QRectF expected = SceneContentRect(described, c.Shadow);
            ASSERT_FALSE(drawn.isEmpty());
            // A pixel is drawn when its centre is covered: edges land within half a pixel.
            const double tx = 0.01 * picture.Width() + 1, ty = 0.01 * picture.Height() + 1;
            EXPECT_NEAR(drawn.left(), expected.left(), tx);
            EXPECT_NEAR(drawn.right() + 1, expected.right(), tx);
            EXPECT_NEAR(drawn.top(), expected.top(), ty);
            EXPECT_NEAR(drawn.bottom() + 1, expected.bottom(), ty);
        }
}

TEST(PhotoFraming, BothRenderersCutTheSameContentRectangle)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    const TColor32 bg = Color32(20, 40, 60);
    TPhotoLook look;
    look.Reflection = 0; // the view has no reflection; with it the photo's content reaches lower
    for (int type = 0; type < BookTypeCount; ++type)
        for (bool crop : {true, false}) {
            SCOPED_TRACE(testing::Message() << "type " << type << (crop ? ", cut" : ", whole view"));
            TCoverRenderSettings s = SettingsFor(TBookType(type), Variants[0], 400, 300);
            s.Shadow = false; // the content is the cover alone, whatever its shading
            s.Background = bg;
            s.Crop = crop;
            TFaces gl, photo;
            const TBitmap32 standard = RenderCoverHeadless(gl.Front, gl.Side, &gl.Top, s);
            const TBitmap32 picture =
                Photo(BuildPhotoScene(ComposeCover(TBookType(type), photo.Front, photo.Side, &photo.Top), s, look), 4);
            ASSERT_EQ(picture.Width(), standard.Width());
            ASSERT_NEAR(picture.Height(), standard.Height(), 0.01 * standard.Height() + 1);
            const QRect a = ContentRect(standard, bg), b = ContentRect(picture, bg);
            ASSERT_FALSE(a.isEmpty());
            const double tx = 0.01 * standard.Width(), ty = 0.01 * standard.Height();
            EXPECT_NEAR(b.left(), a.left(), tx);
            EXPECT_NEAR(b.right(), a.right(), tx);
            EXPECT_NEAR(b.top(), a.top(), ty);
            EXPECT_NEAR(b.bottom(), a.bottom(), ty);
        }
}
