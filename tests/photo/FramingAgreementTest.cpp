// The photo scene frames the picture as the 3D view does: the same content bounds, the same fit
// of the view around the shadow, the same cut picture, and in the end the same content
// rectangle in the pixels of both renderers (within 1 %).
#include "cover/Composition.h"
#include "render/HeadlessContext.h"
#include "render/HeadlessView.h"

#include "PhotoTestUtil.h"
#include "common/RequireGL.h"
#include "render/RenderTestUtil.h"

#include <QRect>
#include <gtest/gtest.h>
#include <numbers>

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
    {"low light", {}, {}, 1.0f, 0.1f, 0.6f},
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

// Whether two rectangles of normalised device coordinates agree within 1 % of the first's size.
::testing::AssertionResult Agree(const QRectF& gl, const QRectF& scene)
{
    const double tx = 0.01 * gl.width(), ty = 0.01 * gl.height();
    if (std::abs(gl.left() - scene.left()) <= tx && std::abs(gl.right() - scene.right()) <= tx &&
        std::abs(gl.top() - scene.top()) <= ty && std::abs(gl.bottom() - scene.bottom()) <= ty)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "view " << gl.left() << " " << gl.top() << " " << gl.right() << " "
                                         << gl.bottom() << ", scene " << scene.left() << " " << scene.top() << " "
                                         << scene.right() << " " << scene.bottom();
}

float Radians(float degrees) { return degrees * std::numbers::pi_v<float> / 180; }
} // namespace

TEST(PhotoFraming, BoundsFitAndCutAgreeWithTheView)
{
    for (const QSize viewSize : {QSize(800, 600), QSize(500, 700)}) {
        bool ok = false;
        THeadlessView view(viewSize.width(), viewSize.height(), ok);
        TAVLO_REQUIRE_GL(ok, "EGL surfaceless");
        for (int type = 0; type < BookTypeCount; ++type)
            for (const TVariant& v : Variants) {
                SCOPED_TRACE(testing::Message() << "type " << type << ", " << v.Name << ", view " << viewSize.width());
                const TBookType t = TBookType(type);
                const TCoverRenderSettings s = SettingsFor(t, v, viewSize.width(), viewSize.height());
                TFaces gl, photo;
                view.SetLight(v.Elevation, v.Azimuth);
                view.SetZoom(1); // the view ignores a zoom below its floor; start each case alike
                view.SetZoom(v.Zoom);
                view.FShadow = true;
                view.FSmooth = false;
                ASSERT_TRUE(Compose(t, &view, &gl.Top, &gl.Side, &gl.Front));
                if (v.AngleX)
                    view.SetAngleX(Radians(*v.AngleX));
                if (v.AngleY)
                    view.SetAngleY(Radians(*v.AngleY));
                view.ShowCover(nullptr, 0, 0, 0); // draws: the view makes its fit
                const TComposedCover cover = ComposeCover(t, photo.Front, photo.Side, &photo.Top);
                const TFramingInput in = FramingInputFor(cover, s, viewSize.width(), viewSize.height());

                for (auto [box, shadow] : {std::pair{true, true}, std::pair{false, true}, std::pair{true, false}}) {
                    const auto a = view.ContentBounds(box, shadow);
                    const auto b = SceneContentBounds(in, box, shadow);
                    ASSERT_EQ(a.has_value(), b.has_value());
                    if (a) {
                        EXPECT_TRUE(Agree(*a, *b)) << "box " << box << " shadow " << shadow;
                    }
                }
                const TClipMap glFit = view.Framing(), fit = ViewFit(in);
                EXPECT_NEAR(fit.Sx, glFit.Sx, 0.01 * glFit.Sx);
                EXPECT_NEAR(fit.Tx, glFit.Tx, 0.01);
                EXPECT_NEAR(fit.Ty, glFit.Ty, 0.01);
                const QSize cut = view.ContentSize(800);
                const TSceneCamera camera = ContentCamera(in, true, QSize(800, 0));
                EXPECT_EQ(camera.Width, 800);
                EXPECT_NEAR(camera.Height, cut.height(), 0.01 * cut.height() + 1);
            }
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
