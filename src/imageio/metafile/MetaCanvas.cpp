#include "imageio/metafile/MetaCanvas.h"

#include "imageio/DecodeBudget.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int R2_BLACK = 1;
constexpr int R2_NOP = 11;
constexpr int R2_WHITE = 16;
constexpr double MaxPenWidth = 65536;

double Clamped(double v)
{
    if (!std::isfinite(v))
        return 0;
    return std::clamp(v, -TMetaCanvas::CoordinateLimit, TMetaCanvas::CoordinateLimit);
}

QPainterPath ClampedPath(QPainterPath path)
{
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        path.setElementPositionAt(i, Clamped(e.x), Clamped(e.y));
    }
    return path;
}

bool FiniteTransform(const QTransform& t)
{
    const double v[] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    return std::all_of(std::begin(v), std::end(v), [](double x) { return std::isfinite(x) && std::abs(x) < 1e12; })
        && std::abs(t.determinant()) > 1e-30;
}

// Millimetres per logical unit of the metric and English mapping modes.
double MillimetresPerUnit(int mapMode)
{
    switch (mapMode) {
    case 2: return 0.1;            // MM_LOMETRIC
    case 3: return 0.01;           // MM_HIMETRIC
    case 4: return 0.254;          // MM_LOENGLISH
    case 5: return 0.0254;         // MM_HIENGLISH
    case 6: return 25.4 / 1440.0;  // MM_TWIPS
    default: return 0;
    }
}

TMetaObject StockObject(uint32_t index)
{
    auto solid = [](int grey) {
        TMetaBrush b;
        b.Color = QColor(grey, grey, grey);
        return b;
    };
    auto pen = [](QColor c, int style = 0) {
        TMetaPen p;
        p.Color = c;
        p.Style = style;
        return p;
    };
    switch (index) {
    case 0: return solid(255);
    case 1: return solid(192);
    case 2: return solid(128);
    case 3: return solid(64);
    case 4: return solid(0);
    case 5: {
        TMetaBrush b;
        b.Kind = TMetaBrush::Null;
        return b;
    }
    case 6: return pen(Qt::white);
    case 7: return pen(Qt::black);
    case 8: return pen(Qt::black, 5);
    case 10: case 11: case 12: case 13: case 14: case 16: case 17: return TMetaFont{};
    case 18: return solid(255); // DC_BRUSH
    case 19: return pen(Qt::black); // DC_PEN
    default: return std::monostate{};
    }
}

Qt::BrushStyle HatchStyle(int hatch)
{
    switch (hatch) {
    case 0: return Qt::HorPattern;
    case 1: return Qt::VerPattern;
    case 2: return Qt::FDiagPattern;
    case 3: return Qt::BDiagPattern;
    case 4: return Qt::CrossPattern;
    default: return Qt::DiagCrossPattern;
    }
}

} // namespace

TMetaCanvas::TMetaCanvas(QPainter& painter, const QTransform& deviceToTarget, const QSizeF& devicePerMm, size_t handles)
    : FPainter(painter), FDevicePerMm(devicePerMm), FObjects(handles)
{
    FPainter.save();
    FDeviceToPainter = deviceToTarget * FPainter.worldTransform();
    FPainter.resetTransform();
    FPainter.setRenderHint(QPainter::Antialiasing, false);
    // One budget for the picture and every bitmap it decodes; the picture itself comes first.
    const QPaintDevice* device = FPainter.device();
    const int64_t output = device ? int64_t(device->width()) * device->height() * 4 : 0;
    FDibs.BudgetLeft = std::max<int64_t>(0, MetafileBudgetBytes - output);
}

TMetaCanvas::~TMetaCanvas() { FPainter.restore(); }

void TMetaCanvas::Save()
{
    if (FSaved.size() < MaxSavedStates)
        FSaved.push_back(FState);
    else
        ++FIgnoredSaves;
}

void TMetaCanvas::Restore(int relative)
{
    const int64_t depth = int64_t(FSaved.size()) + FIgnoredSaves;
    int64_t pops = relative < 0 ? -int64_t(relative) : depth - relative + 1;
    if (relative == 0 || pops < 1 || pops > depth)
        return; // GDI refuses a level that does not exist
    for (; pops > 0; --pops) {
        if (FIgnoredSaves > 0) {
            --FIgnoredSaves;
            continue;
        }
        FState = std::move(FSaved.back());
        FSaved.pop_back();
    }
}

void TMetaCanvas::SetMapMode(int mode)
{
    if (mode >= 1 && mode <= 8)
        FState.MapMode = mode;
}

void TMetaCanvas::SetWindowExt(QSizeF s)
{
    if (s.width() != 0 && s.height() != 0)
        FState.WindowExt = s;
}

void TMetaCanvas::SetViewportExt(QSizeF s)
{
    if (s.width() != 0 && s.height() != 0)
        FState.ViewportExt = s;
}

void TMetaCanvas::ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom != 0 && yDenom != 0)
        SetWindowExt(QSizeF(FState.WindowExt.width() * xNum / xDenom, FState.WindowExt.height() * yNum / yDenom));
}

void TMetaCanvas::ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom != 0 && yDenom != 0)
        SetViewportExt(
            QSizeF(FState.ViewportExt.width() * xNum / xDenom, FState.ViewportExt.height() * yNum / yDenom));
}

void TMetaCanvas::ModifyWorldTransform(const QTransform& xform, int mode)
{
    QTransform result = FState.World;
    switch (mode) {
    case 1: result = QTransform(); break;
    case 2: result = xform * FState.World; break;
    case 3: result = FState.World * xform; break;
    case 4: result = xform; break;
    default: return;
    }
    if (FiniteTransform(result))
        FState.World = result;
}

QTransform TMetaCanvas::LogicalToPainter() const
{
    const TMetaDcState& s = FState;
    double sx = 1, sy = 1;
    if (const double mm = MillimetresPerUnit(s.MapMode); mm > 0) {
        sx = FDevicePerMm.width() * mm;
        sy = -FDevicePerMm.height() * mm;
    } else if (s.MapMode == 7 || s.MapMode == 8) {
        sx = s.ViewportExt.width() / s.WindowExt.width();
        sy = s.ViewportExt.height() / s.WindowExt.height();
        if (s.MapMode == 7) { // MM_ISOTROPIC keeps units square
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
    }
    const QTransform page(sx, 0, 0, sy, s.ViewportOrg.x() - s.WindowOrg.x() * sx,
                          s.ViewportOrg.y() - s.WindowOrg.y() * sy);
    return s.World * page * FDeviceToPainter;
}

double TMetaCanvas::LogicalToPainterScale() const
{
    return std::sqrt(std::abs(LogicalToPainter().determinant()));
}

QPointF TMetaCanvas::ToPainter(QPointF logical) const
{
    const QPointF p = LogicalToPainter().map(logical);
    return {Clamped(p.x()), Clamped(p.y())};
}

QPainterPath TMetaCanvas::ToPainter(const QPainterPath& logical) const
{
    return ClampedPath(LogicalToPainter().map(logical));
}

void TMetaCanvas::Select(uint32_t index)
{
    TMetaObject stock;
    const TMetaObject* object = nullptr;
    if (index & 0x80000000u) {
        stock = StockObject(index & 0x7FFFFFFFu);
        object = &stock;
    } else {
        object = FObjects.Get(index);
    }
    if (!object)
        return;
    if (auto pen = std::get_if<TMetaPen>(object))
        FState.Pen = *pen;
    else if (auto brush = std::get_if<TMetaBrush>(object))
        FState.Brush = *brush;
    else if (auto font = std::get_if<TMetaFont>(object))
        FState.Font = *font;
}

void TMetaCanvas::SelectPalette(uint32_t index)
{
    if (const TMetaObject* object = FObjects.Get(index))
        if (auto palette = std::get_if<TMetaPalette>(object))
            FDibs.Palette = palette->Entries;
}

void TMetaCanvas::Delete(uint32_t index)
{
    if (!(index & 0x80000000u))
        FObjects.Delete(index);
}

QPen TMetaCanvas::CurrentPen() const
{
    const int style = FState.Pen.Style;
    QPen pen(FState.Rop2 == R2_BLACK ? QColor(Qt::black) : FState.Rop2 == R2_WHITE ? QColor(Qt::white) : FState.Pen.Color);
    switch (style & 0xF) {
    case 1: pen.setStyle(Qt::DashLine); break;
    case 2: case 8: pen.setStyle(Qt::DotLine); break;
    case 3: pen.setStyle(Qt::DashDotLine); break;
    case 4: pen.setStyle(Qt::DashDotDotLine); break;
    case 5: pen.setStyle(Qt::NoPen); break;
    default: pen.setStyle(Qt::SolidLine); break;
    }
    // Like GDI, a pen is never thinner than one pixel; nor wider than any picture we draw.
    const double width = FState.Pen.Width * LogicalToPainterScale();
    pen.setWidthF(std::isfinite(width) ? std::clamp(width, 1.0, MaxPenWidth) : 1.0);
    pen.setCapStyle((style & 0xF00) == 0x100 ? Qt::SquareCap : (style & 0xF00) == 0x200 ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle((style & 0xF000) == 0x1000 ? Qt::BevelJoin : (style & 0xF000) == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin);
    return pen;
}

void TMetaCanvas::ApplyClip()
{
    if (FState.HasClip)
        FPainter.setClipRegion(FState.Clip);
    else
        FPainter.setClipping(false);
}

void TMetaCanvas::Paint(const QPainterPath& mapped, bool fill, bool stroke)
{
    if (FState.Rop2 == R2_NOP)
        return;
    ApplyClip();
    if (fill && FState.Brush.Kind != TMetaBrush::Null) {
        QPainterPath area = mapped;
        area.setFillRule(FState.FillRule);
        const TMetaBrush& b = FState.Brush;
        QColor color = FState.Rop2 == R2_BLACK ? QColor(Qt::black) : FState.Rop2 == R2_WHITE ? QColor(Qt::white) : b.Color;
        if (b.Kind == TMetaBrush::Hatched) {
            if (FState.BkOpaque)
                FPainter.fillPath(area, FState.BkColor);
            FPainter.fillPath(area, QBrush(color, HatchStyle(b.Hatch)));
        } else if (b.Kind == TMetaBrush::Pattern && !b.Image.isNull()) {
            FPainter.fillPath(area, QBrush(b.Image));
        } else {
            FPainter.fillPath(area, color);
        }
    }
    if (stroke && (FState.Pen.Style & 0xF) != 5)
        FPainter.strokePath(mapped, CurrentPen());
}

void TMetaCanvas::Shape(const QPainterPath& logical, bool fill, bool stroke)
{
    const QPainterPath mapped = ToPainter(logical);
    if (FPathOpen)
        FPath.addPath(mapped);
    else
        Paint(mapped, fill, stroke);
}

void TMetaCanvas::Continue(const QPainterPath& logical)
{
    const QPainterPath mapped = ToPainter(logical);
    if (FPathOpen) {
        if (FPath.elementCount() == 0)
            FPath = mapped;
        else
            FPath.connectPath(mapped);
    } else {
        Paint(mapped, false, true);
    }
    FState.Position = logical.currentPosition();
}

void TMetaCanvas::MoveTo(QPointF p)
{
    FState.Position = p;
    if (FPathOpen)
        FPath.moveTo(ToPainter(p));
}

void TMetaCanvas::LineTo(QPointF p)
{
    QPainterPath path(FState.Position);
    path.lineTo(p);
    Continue(path);
}

void TMetaCanvas::Polyline(const QPolygonF& points)
{
    if (points.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(points);
    Shape(path, false, true);
}

void TMetaCanvas::PolylineTo(const QPolygonF& points)
{
    if (points.isEmpty())
        return;
    QPainterPath path(FState.Position);
    for (const QPointF& p : points)
        path.lineTo(p);
    Continue(path);
}

void TMetaCanvas::Polygon(const QPolygonF& points)
{
    if (points.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    Shape(path, true, true);
}

void TMetaCanvas::PolyPolygon(const std::vector<QPolygonF>& polygons)
{
    QPainterPath path;
    for (const QPolygonF& polygon : polygons) {
        if (polygon.size() < 2)
            continue;
        path.addPolygon(polygon);
        path.closeSubpath();
    }
    Shape(path, true, true);
}

void TMetaCanvas::PolyPolyline(const std::vector<QPolygonF>& lines)
{
    QPainterPath path;
    for (const QPolygonF& line : lines)
        if (line.size() >= 2)
            path.addPolygon(line);
    Shape(path, false, true);
}

void TMetaCanvas::PolyBezier(const QPolygonF& points, bool fromCurrent)
{
    // Each curve takes three points after its start point.
    const qsizetype first = fromCurrent ? 0 : 1;
    if (!fromCurrent && points.isEmpty())
        return;
    QPainterPath path(fromCurrent ? FState.Position : points[0]);
    for (qsizetype i = first; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    if (fromCurrent)
        Continue(path);
    else
        Shape(path, false, true);
}

void TMetaCanvas::PolyDraw(const QPolygonF& points, const std::vector<uint8_t>& types)
{
    QPainterPath path(FState.Position);
    for (qsizetype i = 0; i < points.size(); ++i) {
        const uint8_t type = types[size_t(i)];
        switch (type & ~1) {
        case 6: path.moveTo(points[i]); break;
        case 2: path.lineTo(points[i]); break;
        case 4:
            if (i + 2 >= points.size())
                return; // a curve without its three points: the record is damaged
            path.cubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
            break;
        default: return;
        }
        if (type & 1)
            path.closeSubpath();
    }
    Continue(path);
}

void TMetaCanvas::Rectangle(const QRectF& box)
{
    QPainterPath path;
    path.addRect(box.normalized());
    Shape(path, true, true);
}

void TMetaCanvas::RoundRect(const QRectF& box, QSizeF corner)
{
    QPainterPath path;
    const QRectF r = box.normalized();
    path.addRoundedRect(r, std::min(std::abs(corner.width()) / 2, r.width() / 2),
                        std::min(std::abs(corner.height()) / 2, r.height() / 2));
    Shape(path, true, true);
}

void TMetaCanvas::Ellipse(const QRectF& box)
{
    QPainterPath path;
    path.addEllipse(box.normalized());
    Shape(path, true, true);
}

void TMetaCanvas::Arc(const QRectF& box, QPointF start, QPointF end, TArcKind kind)
{
    const QRectF r = box.normalized();
    if (r.isEmpty())
        return;
    const QPointF c = r.center();
    // The parametric angle where the ray from the centre through p meets the ellipse.
    auto angleOf = [&](QPointF p) {
        return std::atan2(-(p.y() - c.y()) * r.width(), (p.x() - c.x()) * r.height()) * 180 / std::numbers::pi;
    };
    const double a0 = angleOf(start);
    double sweep = angleOf(end) - a0;
    if (FState.Clockwise)
        while (sweep >= 0)
            sweep -= 360;
    else
        while (sweep <= 0)
            sweep += 360;

    QPainterPath path;
    switch (kind) {
    case TArcKind::Arc:
        path.arcMoveTo(r, a0);
        path.arcTo(r, a0, sweep);
        Shape(path, false, true);
        break;
    case TArcKind::ArcTo: {
        path.moveTo(FState.Position);
        QPainterPath arc;
        arc.arcMoveTo(r, a0);
        path.lineTo(arc.currentPosition());
        path.arcTo(r, a0, sweep);
        Continue(path);
        break;
    }
    case TArcKind::Chord:
        path.arcMoveTo(r, a0);
        path.arcTo(r, a0, sweep);
        path.closeSubpath();
        Shape(path, true, true);
        break;
    case TArcKind::Pie:
        path.moveTo(c);
        path.arcTo(r, a0, sweep);
        path.closeSubpath();
        Shape(path, true, true);
        break;
    }
}

void TMetaCanvas::AngleArc(QPointF centre, double radius, double startDeg, double sweepDeg)
{
    if (!std::isfinite(startDeg) || !std::isfinite(sweepDeg))
        return;
    const QRectF r(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path(FState.Position);
    QPainterPath arc;
    arc.arcMoveTo(r, startDeg);
    path.lineTo(arc.currentPosition());
    path.arcTo(r, startDeg, std::clamp(sweepDeg, -3600.0, 3600.0));
    Continue(path);
}

void TMetaCanvas::SetPixel(QPointF p, const QColor& color)
{
    if (FPathOpen)
        return;
    ApplyClip();
    const QPointF d = ToPainter(p);
    FPainter.fillRect(QRectF(std::floor(d.x()), std::floor(d.y()), 1, 1), color);
}

void TMetaCanvas::FillRect(const QRectF& box)
{
    QPainterPath path;
    path.addRect(box.normalized());
    Paint(ToPainter(path), true, false);
}

void TMetaCanvas::FillRect(const QRectF& box, const QColor& color)
{
    QPainterPath path;
    path.addRect(box.normalized());
    ApplyClip();
    FPainter.fillPath(ToPainter(path), color);
}

void TMetaCanvas::FillDeviceRegion(const QPainterPath& deviceRegion)
{
    if (!FPathOpen)
        Paint(ClampedPath(FDeviceToPainter.map(deviceRegion)), true, false);
}

void TMetaCanvas::BeginPath()
{
    FPath = QPainterPath();
    FPathOpen = true;
}

void TMetaCanvas::AbortPath()
{
    FPath = QPainterPath();
    FPathOpen = false;
}

void TMetaCanvas::CloseFigure()
{
    if (FPathOpen)
        FPath.closeSubpath();
}

void TMetaCanvas::FillPath()
{
    FPathOpen = false;
    Paint(FPath, true, false);
    FPath = QPainterPath();
}

void TMetaCanvas::StrokePath()
{
    FPathOpen = false;
    Paint(FPath, false, true);
    FPath = QPainterPath();
}

void TMetaCanvas::StrokeAndFillPath()
{
    FPathOpen = false;
    Paint(FPath, true, true);
    FPath = QPainterPath();
}

void TMetaCanvas::SelectClipPath(int mode)
{
    FPathOpen = false;
    QPainterPath region = FPath;
    region.setFillRule(FState.FillRule);
    CombineClip(ToRegion(region), mode);
    FPath = QPainterPath();
}

QRegion TMetaCanvas::ToRegion(const QPainterPath& painterPath)
{
    QRegion region;
    for (const QPolygonF& polygon : painterPath.toFillPolygons())
        region = region.united(QRegion(polygon.toPolygon(), painterPath.fillRule()));
    return region;
}

void TMetaCanvas::CombineClip(const QRegion& region, int mode)
{
    const int limit = int(CoordinateLimit);
    const QRegion current = FState.HasClip ? FState.Clip : QRegion(-limit, -limit, 2 * limit, 2 * limit);
    switch (mode) {
    case 1: FState.Clip = current.intersected(region); break;
    case 2: FState.Clip = current.united(region); break;
    case 3: FState.Clip = current.xored(region); break;
    case 4: FState.Clip = current.subtracted(region); break;
    case 5: FState.Clip = region; break;
    default: return;
    }
    FState.HasClip = true;
}

void TMetaCanvas::IntersectClipRect(const QRectF& box)
{
    QPainterPath path;
    path.addRect(box.normalized());
    CombineClip(ToRegion(ToPainter(path)), 1);
}

void TMetaCanvas::ExcludeClipRect(const QRectF& box)
{
    QPainterPath path;
    path.addRect(box.normalized());
    CombineClip(ToRegion(ToPainter(path)), 4);
}

void TMetaCanvas::SelectClipRegion(const QPainterPath& deviceRegion, int mode)
{
    CombineClip(ToRegion(ClampedPath(FDeviceToPainter.map(deviceRegion))), mode);
}

void TMetaCanvas::ResetClip()
{
    FState.HasClip = false;
    FState.Clip = QRegion();
}

void TMetaCanvas::StretchImage(const QRectF& destination, const QImage& image, const QRectF& source, uint32_t rop)
{
    if (image.isNull() || source.width() == 0 || source.height() == 0 || FPathOpen)
        return;
    const QPointF p0 = ToPainter(destination.topLeft());
    const QPointF p1 = ToPainter(destination.topRight());
    const QPointF p2 = ToPainter(destination.bottomLeft());
    // Maps the source rectangle onto the parallelogram of the destination's corners.
    const QTransform unit = QTransform::fromTranslate(-source.x(), -source.y())
        * QTransform::fromScale(1 / source.width(), 1 / source.height());
    const QTransform onto(p1.x() - p0.x(), p1.y() - p0.y(), p2.x() - p0.x(), p2.y() - p0.y(), p0.x(), p0.y());
    const QTransform t = unit * onto;
    if (!FiniteTransform(t))
        return;

    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case 0x00EE0086: mode = QPainter::RasterOp_SourceOrDestination; break;     // SRCPAINT
    case 0x008800C6: mode = QPainter::RasterOp_SourceAndDestination; break;    // SRCAND
    case 0x00660046: mode = QPainter::RasterOp_SourceXorDestination; break;    // SRCINVERT
    case 0x00330008: mode = QPainter::RasterOp_NotSource; break;               // NOTSRCCOPY
    case 0x00440328: mode = QPainter::RasterOp_SourceAndNotDestination; break; // SRCERASE
    case 0x001100A6: mode = QPainter::RasterOp_NotSourceAndNotDestination; break; // NOTSRCERASE
    case 0x00BB0226: mode = QPainter::RasterOp_NotSourceOrDestination; break;  // MERGEPAINT
    case 0x00AA0029: return;                                                   // destination kept
    default: break;
    }
    ApplyClip();
    FPainter.save();
    FPainter.setCompositionMode(mode);
    FPainter.setRenderHint(QPainter::SmoothPixmapTransform, FState.StretchMode == 4);
    FPainter.setTransform(t);
    FPainter.drawImage(source, image, source);
    FPainter.restore();
}

bool TMetaCanvas::PatternBlt(const QRectF& box, uint32_t rop)
{
    switch (rop) {
    case 0x00F00021: FillRect(box); return true;             // PATCOPY
    case 0x00000042: FillRect(box, Qt::black); return true;  // BLACKNESS
    case 0x00FF0062: FillRect(box, Qt::white); return true;  // WHITENESS
    case 0x00AA0029: return true;                            // destination kept
    case 0x005A0049: case 0x00550009: {                      // PATINVERT, DSTINVERT
        if (FPathOpen)
            return true;
        QPainterPath path;
        path.addRect(box.normalized());
        ApplyClip();
        FPainter.save();
        FPainter.setCompositionMode(rop == 0x00550009 ? QPainter::RasterOp_NotDestination
                                                       : QPainter::RasterOp_SourceXorDestination);
        FPainter.fillPath(ToPainter(path), rop == 0x00550009 ? QColor(Qt::black) : FState.Brush.Color);
        FPainter.restore();
        return true;
    }
    default: return false;
    }
}
