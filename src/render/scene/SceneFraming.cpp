#include "render/scene/SceneFraming.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr int MarginPixels = 2; // around the content of a framed picture or a fitted view
using TV = std::array<double, 3>;

// The points whose images bound the cover: the box corners (and the rings' extent) in the box's
// model, the disc's rim a little outside it.
void CoverPoints(const TCoverPlacement& c, std::vector<TV>& box, std::vector<TV>& disc)
{
    const TBoxSize& b = c.Box;
    for (double x : {-b.X / 2.0, b.X / 2.0})
        for (double y : {-b.Y / 2.0, b.Y / 2.0})
            for (double z : {-b.Z / 2.0, b.Z / 2.0})
                box.push_back(c.BoxToFloor({x, y, z}));
    if (c.Ring) {
        const double r = double(c.RingRadius) * b.X;
        for (double x : {-b.X / 2 - r, -b.X / 2 + r})
            for (double y : {-b.Y / 2.0, b.Y / 2.0})
                for (double z : {-r, r})
                    box.push_back(c.BoxToFloor({x, y, z}));
    }
    if (c.IsCD)
        for (int i = 0; i < 32; ++i) {
            const double a = i * 2 * 3.141592653589793 / 32;
            disc.push_back(c.DiscToFloor({0.51 * std::cos(a), 0.51 * std::sin(a), 0}));
        }
}
} // namespace

TSceneCamera ViewCamera(const TFramingInput& in)
{
    TSceneCamera cam;
    cam.AngleX = in.AngleX;
    cam.Zoom = in.Zoom;
    cam.Width = std::max(in.ViewWidth, 1);
    cam.Height = std::max(in.ViewHeight, 1);
    cam.Aspect = double(cam.Width) / cam.Height;
    return cam;
}

std::optional<QRectF> SceneContentBounds(const TFramingInput& in, bool withBox, bool withShadow)
{
    const TSceneCamera cam = ViewCamera(in);
    std::vector<TV> box, disc;
    CoverPoints(in.Cover, box, disc);
    double left = 1e30, right = -1e30, bottom = 1e30, top = -1e30;
    bool behind = false;
    auto add = [&](const TV& p) {
        const auto q = cam.Project(p);
        if (!q) {
            behind = true;
            return;
        }
        left = std::min(left, (*q)[0]);
        right = std::max(right, (*q)[0]);
        bottom = std::min(bottom, (*q)[1]);
        top = std::max(top, (*q)[1]);
    };
    const double floorY = in.Cover.FloorY();
    for (const auto* points : {&box, &disc})
        for (const TV& p : *points) {
            if (withBox)
                add(p);
            if (withShadow)
                add(ShadowOnFloor(p, in.Light, floorY));
            if (in.ReflectionDepth > 0)
                add({p[0], std::max(2 * floorY - p[1], floorY - in.ReflectionDepth), p[2]});
        }
    if (behind || left > right)
        return std::nullopt;
    return QRectF(QPointF(left, bottom), QPointF(right, top));
}

TClipMap ViewFit(const TFramingInput& in)
{
    TClipMap fit;
    const double mx = 2.0 * MarginPixels / std::max(in.ViewWidth, 1);
    const double my = 2.0 * MarginPixels / std::max(in.ViewHeight, 1);
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

TSceneCamera ContentCamera(const TFramingInput& in, bool shadow, QSize size)
{
    TSceneCamera cam = ViewCamera(in);
    QRectF b;
    if (const auto content = SceneContentBounds(in, true, shadow)) {
        b = *content;
    } else {
        const TClipMap f = ViewFit(in); // as much as the view's own fit shows
        b = QRectF(QPointF((-1 - f.Tx) / f.Sx, (-1 - f.Ty) / f.Sy), QPointF((1 - f.Tx) / f.Sx, (1 - f.Ty) / f.Sy));
    }
    const double viewW = cam.Width, viewH = cam.Height;
    cam.Width = std::max(size.width(), 1);
    const bool fixedHeight = size.height() > 0;
    const int innerW = std::max(1, cam.Width - 2 * MarginPixels);
    const int innerH = fixedHeight ? std::max(1, size.height() - 2 * MarginPixels) : 0;
    // View pixels per picture pixel: the width fits, and with a fixed height the height too.
    double p = b.width() / 2 * viewW / innerW;
    if (fixedHeight)
        p = std::max(p, b.height() / 2 * viewH / innerH);
    p = std::max(p, 1e-6);
    cam.Height = fixedHeight ? size.height()
                             : std::max(1, int(std::ceil(b.height() / 2 * viewH / p - 1e-6)) + 2 * MarginPixels);
    const double halfW = cam.Width * p / viewW, halfH = cam.Height * p / viewH;
    cam.Clip.Sx = 1 / halfW;
    cam.Clip.Sy = 1 / halfH;
    cam.Clip.Tx = -cam.Clip.Sx * b.center().x();
    cam.Clip.Ty = -cam.Clip.Sy * b.center().y();
    return cam;
}

TSceneCamera WholeViewCamera(const TFramingInput& in)
{
    TSceneCamera cam = ViewCamera(in);
    cam.Clip = ViewFit(in);
    return cam;
}
