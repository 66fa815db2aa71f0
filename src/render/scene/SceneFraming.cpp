#include "render/scene/SceneFraming.h"

#include <QVector4D>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr int MarginPixels = 2; // around the content of a framed picture or a fitted view

// The points whose images bound the cover, in the models' own frames: the box corners (and the
// rings' extent), the disc's rim a little outside it.
void CoverPoints(const TCoverPlacement& c, std::vector<QVector3D>& box, std::vector<QVector3D>& disc)
{
    const TBoxSize& b = c.Box;
    for (float x : {-b.X / 2, b.X / 2})
        for (float y : {-b.Y / 2, b.Y / 2})
            for (float z : {-b.Z / 2, b.Z / 2})
                box.emplace_back(x, y, z);
    if (c.Ring) {
        const float r = c.RingRadius * b.X;
        for (float x : {-b.X / 2 - r, -b.X / 2 + r})
            for (float y : {-b.Y / 2, b.Y / 2})
                for (float z : {-r, r})
                    box.emplace_back(x, y, z);
    }
    if (c.IsCD)
        for (int i = 0; i < 32; ++i) {
            const double a = i * 2 * 3.141592653589793 / 32;
            disc.emplace_back(float(0.51 * std::cos(a)), float(0.51 * std::sin(a)), 0.0f);
        }
}

// The rectangle around projected points; any point behind the camera spoils it.
class TBounds {
public:
    void Add(const QMatrix4x4& m, const std::vector<QVector3D>& points)
    {
        for (const QVector3D& p : points) {
            const QVector4D clip = m * QVector4D(p, 1.0f);
            FNearest = std::min(FNearest, double(clip.w())); // w is the depth in front of the eye
            const auto q = DeviceCoordinates(clip);
            if (!q) {
                FBehind = true;
                continue;
            }
            FLeft = std::min(FLeft, (*q)[0]);
            FRight = std::max(FRight, (*q)[0]);
            FBottom = std::min(FBottom, (*q)[1]);
            FTop = std::max(FTop, (*q)[1]);
        }
    }
    std::optional<QRectF> Rect() const
    {
        if (FBehind || FLeft > FRight)
            return std::nullopt;
        return QRectF(QPointF(FLeft, FBottom), QPointF(FRight, FTop));
    }
    double Nearest() const { return FNearest; }

private:
    double FLeft = 1e30, FRight = -1e30, FBottom = 1e30, FTop = -1e30;
    double FNearest = 1e30;
    bool FBehind = false;
};

// The floor's mirror image of points, faded out at `depth` below the floor.
std::vector<QVector3D> Reflected(const QMatrix4x4& model, const std::vector<QVector3D>& points, double floorY,
                                 double depth)
{
    std::vector<QVector3D> out;
    for (const QVector3D& p : points) {
        const QVector3D f = model.map(p);
        out.emplace_back(f.x(), float(std::max(2 * floorY - f.y(), floorY - depth)), f.z());
    }
    return out;
}
} // namespace

namespace {
// The camera of the view with today's near plane.
TSceneCamera BaseCamera(const TFramingInput& in)
{
    TSceneCamera cam;
    cam.AngleX = in.AngleX;
    cam.Zoom = in.Zoom;
    cam.Width = std::max(in.ViewWidth, 1);
    cam.Height = std::max(in.ViewHeight, 1);
    cam.Aspect = double(cam.Width) / cam.Height;
    return cam;
}

// Where the box and/or its shadow land through cam, over every smoothing offset.
TBounds ContentExtent(const TFramingInput& in, const TSceneCamera& cam, bool withBox, bool withShadow)
{
    const QMatrix4x4 perspective = cam.Perspective();
    const TCoverPlacement& c = in.Cover;
    std::vector<QVector3D> box, disc;
    CoverPoints(c, box, disc);
    TBounds bounds;
    // Every corner of the smoothing offsets: the cover moves by them, its shadow far more.
    for (double ox : {0.0, in.JitterX})
        for (double oy : {0.0, in.JitterY}) {
            const QPointF shift(ox, oy);
            if (withBox) {
                bounds.Add(perspective * CoverModelView(cam, c, TCoverPart::Box, shift), box);
                bounds.Add(perspective * CoverModelView(cam, c, TCoverPart::Disc, shift), disc);
            }
            if (withShadow)
                for (auto [part, points] : {std::pair{TCoverPart::Box, &box}, std::pair{TCoverPart::Disc, &disc}})
                    bounds.Add(perspective * ShadowModelView(cam, c, in.Light, part, shift * ShadowShiftPerJitter),
                               *points);
        }
    if (in.ReflectionDepth > 0) {
        const QMatrix4x4 m = perspective * cam.View();
        bounds.Add(m, Reflected(c.BoxModel(), box, c.FloorY(), in.ReflectionDepth));
        bounds.Add(m, Reflected(c.DiscModel(), disc, c.FloorY(), in.ReflectionDepth));
    }
    return bounds;
}
} // namespace

TSceneCamera ViewCamera(const TFramingInput& in)
{
    TSceneCamera cam = BaseCamera(in);
    // A long shadow towards the viewer can come nearer than the near plane, which would cut off
    // what the framing shows; only then the plane moves in, a little in front of it.
    const double nearest = ContentExtent(in, cam, true, true).Nearest();
    if (nearest < cam.Near)
        cam.Near = std::max(MinNearPlane, 0.9 * nearest);
    return cam;
}

std::optional<QRectF> SceneContentBounds(const TFramingInput& in, bool withBox, bool withShadow)
{
    return ContentExtent(in, BaseCamera(in), withBox, withShadow).Rect();
}

TClipMap ViewFit(const TFramingInput& in)
{
    TClipMap fit;
    if (!in.FitShadow)
        return fit;
    const double mx = 2.0 * MarginPixels / std::max(in.ViewWidth, 1);
    const double my = 2.0 * MarginPixels / std::max(in.ViewHeight, 1);
    // The shadow's place counts whether or not it is drawn, so switching it never moves the cover.
    const auto b = SceneContentBounds(in, false, true);
    if (!b) {
        fit.Sx = fit.Sy = MinFitScale; // the shadow passes the camera: show as much as sensible
        return fit;
    }
    const double s = std::min({1.0, (2 - 2 * mx) / b->width(), (2 - 2 * my) / b->height()});
    fit.Sx = fit.Sy = std::max(s, MinFitScale);
    // Zoomed out about the cover; then shifted as little as keeps the shadow inside.
    auto shift = [](double lo, double hi, double m) {
        if (lo < -1 + m)
            return std::min(-1 + m - lo, 1 - m - hi);
        if (hi > 1 - m)
            return std::max(1 - m - hi, -1 + m - lo);
        return 0.0;
    };
    fit.Tx = shift(fit.Sx * b->left(), fit.Sx * b->right(), mx);
    fit.Ty = shift(fit.Sy * b->top(), fit.Sy * b->bottom(), my);
    return fit;
}

QRectF ShownContentBounds(const TFramingInput& in, bool shadow)
{
    if (const auto b = SceneContentBounds(in, true, shadow))
        return *b;
    const TClipMap f = ViewFit(in);
    return QRectF(QPointF((-1 - f.Tx) / f.Sx, (-1 - f.Ty) / f.Sy), QPointF((1 - f.Tx) / f.Sx, (1 - f.Ty) / f.Sy));
}

int NaturalContentWidth(const TFramingInput& in, bool shadow)
{
    // As large as the view shows it, after its zoom-out for a long shadow.
    const double w = ShownContentBounds(in, shadow).width() / 2 * in.ViewWidth * ViewFit(in).Sx;
    return std::clamp(int(std::lround(w)) + 2 * MarginPixels, 1, 8192);
}

TContentFrame FrameContent(QSize size, QSize view, const std::function<QRectF(double)>& bounds)
{
    TContentFrame frame;
    frame.Width = std::max(size.width(), 1);
    const bool fixedHeight = size.height() > 0;
    const double viewW = std::max(view.width(), 1), viewH = std::max(view.height(), 1);
    const int innerW = std::max(1, frame.Width - 2 * MarginPixels);
    const int innerH = fixedHeight ? std::max(1, size.height() - 2 * MarginPixels) : 0;
    // View pixels per picture pixel: the width fits, and with a fixed height the height too.
    auto scaleFor = [&](const QRectF& b) {
        const double p = b.width() / 2 * viewW / innerW;
        return fixedHeight ? std::max(p, b.height() / 2 * viewH / innerH) : p;
    };
    QRectF b = bounds(1);
    double p = scaleFor(b);
    if (p > 0) {
        b = bounds(p); // the jitter at its size in picture pixels changes the extent a little
        p = scaleFor(b);
    }
    p = std::max(p, 1e-6);
    frame.ViewPixelsPerPixel = p;
    frame.Height = fixedHeight ? size.height()
                               : std::max(1, int(std::ceil(b.height() / 2 * viewH / p - 1e-6)) + 2 * MarginPixels);
    // The region of the view, in its normalised coordinates, that becomes the whole picture.
    const double halfW = frame.Width * p / viewW, halfH = frame.Height * p / viewH;
    frame.Map.Sx = 1 / halfW;
    frame.Map.Sy = 1 / halfH;
    frame.Map.Tx = -frame.Map.Sx * b.center().x();
    frame.Map.Ty = -frame.Map.Sy * b.center().y();
    return frame;
}

namespace {
TSceneCamera FramedCamera(const TFramingInput& in, QSize size, const std::function<QRectF()>& bounds)
{
    TSceneCamera cam = ViewCamera(in);
    const TContentFrame f = FrameContent(size, QSize(cam.Width, cam.Height), [&](double) { return bounds(); });
    cam.Width = f.Width;
    cam.Height = f.Height;
    cam.Clip = f.Map;
    return cam;
}
} // namespace

TSceneCamera ContentCamera(const TFramingInput& in, bool shadow, QSize size)
{
    return FramedCamera(in, size, [&] { return ShownContentBounds(in, shadow); });
}

QRectF TurnContentBounds(const TFramingInput& in, int frames, bool shadow)
{
    frames = std::max(frames, 1);
    TFramingInput turned = in;
    QRectF all;
    for (int k = 0; k < frames; ++k) {
        turned.Cover.AngleY = in.Cover.AngleY + 360.0 * k / frames;
        const QRectF b = ShownContentBounds(turned, shadow);
        all = k == 0 ? b : all.united(b);
    }
    return all;
}

TSceneCamera TurntableCamera(const TFramingInput& in, int frames, bool shadow, QSize size)
{
    return FramedCamera(in, size, [&] { return TurnContentBounds(in, frames, shadow); });
}

TSceneCamera WholeViewCamera(const TFramingInput& in)
{
    TSceneCamera cam = ViewCamera(in);
    cam.Clip = ViewFit(in);
    return cam;
}
