#pragma once
// The device context a metafile draws on: its state (objects in use, colours, modes, mapping,
// clip, current position, path) with a bounded save/restore stack, and the drawing operations
// both players share. Coordinates come in logical units; everything is mapped to the painter
// here, and mapped coordinates are clamped so no record can push the painter into huge work.

#include "imageio/metafile/MetaDib.h"
#include "imageio/metafile/MetaObjects.h"

#include <QPainterPath>
#include <QPolygonF>
#include <QRegion>
#include <QTransform>
#include <cstdint>
#include <vector>

class QPainter;
class QPen;

struct TMetaDcState {
    TMetaPen Pen;
    TMetaBrush Brush;
    TMetaFont Font;
    QColor TextColor = Qt::black;
    QColor BkColor = Qt::white;
    bool BkOpaque = true;
    int TextAlign = 0;
    Qt::FillRule FillRule = Qt::OddEvenFill;
    int Rop2 = 13;            // R2_COPYPEN
    int StretchMode = 1;
    bool Clockwise = false;   // arc direction
    int MapMode = 1;          // MM_TEXT
    QPointF WindowOrg{0, 0};
    QSizeF WindowExt{1, 1};
    QPointF ViewportOrg{0, 0};
    QSizeF ViewportExt{1, 1};
    QTransform World;
    QPointF Position;         // current position, logical
    bool HasClip = false;
    QRegion Clip;             // painter pixels: GDI clips by regions of whole pixels
};

enum class TArcKind { Arc, ArcTo, Chord, Pie };

class TMetaCanvas {
public:
    // Deeper save/restore nesting than this is ignored rather than kept.
    static constexpr size_t MaxSavedStates = 1024;
    // Mapped coordinates are clamped to +-this many pixels.
    static constexpr double CoordinateLimit = 1 << 20;

    // deviceToTarget maps the metafile's device space onto the painter's coordinates.
    // devicePerMm: the device's pixels per millimetre (metric mapping modes).
    TMetaCanvas(QPainter& painter, const QTransform& deviceToTarget, const QSizeF& devicePerMm, size_t handles);
    ~TMetaCanvas();
    TMetaCanvas(const TMetaCanvas&) = delete;
    TMetaCanvas& operator=(const TMetaCanvas&) = delete;

    TMetaDcState& State() { return FState; }
    TMetaObjectTable& Objects() { return FObjects; }

    void Save();
    // relative < 0 pops that many states; > 0 restores the state of that absolute level.
    void Restore(int relative);

    // Mapping.
    void SetMapMode(int mode);
    void SetWindowOrg(QPointF p) { FState.WindowOrg = p; }
    void SetWindowExt(QSizeF s);
    void SetViewportOrg(QPointF p) { FState.ViewportOrg = p; }
    void SetViewportExt(QSizeF s);
    void ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    // mode: 1 identity, 2 left multiply, 3 right multiply, 4 set.
    void ModifyWorldTransform(const QTransform& xform, int mode);
    QTransform LogicalToPainter() const;
    QTransform DeviceToPainter() const { return FDeviceToPainter; }

    // Objects: select by table index, or a stock object (index with the top bit set).
    void Select(uint32_t index);
    void SelectPalette(uint32_t index);
    // A bitmap of a record, within the playback's budget (see TMetaDibContext).
    QImage DecodeDib(const uchar* data, qsizetype size, qsizetype bitsOffset = -1, bool* bottomUp = nullptr)
    {
        return DecodeMetaDib(data, size, bitsOffset, bottomUp, FDibs);
    }
    void Delete(uint32_t index);

    // Drawing, logical coordinates.
    void MoveTo(QPointF p);
    void LineTo(QPointF p);
    void Polyline(const QPolygonF& points);
    void PolylineTo(const QPolygonF& points);
    void Polygon(const QPolygonF& points);
    void PolyPolygon(const std::vector<QPolygonF>& polygons);
    void PolyPolyline(const std::vector<QPolygonF>& lines);
    void PolyBezier(const QPolygonF& points, bool fromCurrent);
    // Lines and curves by point type (PT_MOVETO 6, PT_LINETO 2, PT_BEZIERTO 4, | PT_CLOSEFIGURE 1).
    void PolyDraw(const QPolygonF& points, const std::vector<uint8_t>& types);
    void Rectangle(const QRectF& box);
    void RoundRect(const QRectF& box, QSizeF corner);
    void Ellipse(const QRectF& box);
    void Arc(const QRectF& box, QPointF start, QPointF end, TArcKind kind);
    void AngleArc(QPointF centre, double radius, double startDeg, double sweepDeg);
    void SetPixel(QPointF p, const QColor& color);
    // Fills a logical rectangle with the current brush (pattern blits), or with a colour.
    void FillRect(const QRectF& box);
    void FillRect(const QRectF& box, const QColor& color);
    // Fills a region given in device units with the current brush.
    void FillDeviceRegion(const QPainterPath& deviceRegion);

    // Paths.
    void BeginPath();
    void EndPath() { FPathOpen = false; }
    void AbortPath();
    void CloseFigure();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();
    void SelectClipPath(int mode);

    // Clipping: rectangles in logical units, regions in device units.
    void IntersectClipRect(const QRectF& box);
    void ExcludeClipRect(const QRectF& box);
    // mode: RGN_AND 1, RGN_OR 2, RGN_XOR 3, RGN_DIFF 4, RGN_COPY 5.
    void SelectClipRegion(const QPainterPath& deviceRegion, int mode);
    void ResetClip();

    // Text at a logical reference point. advances: per-character advances in logical units (may
    // be empty). options: ETO_OPAQUE 2, ETO_CLIPPED 4; box is the rectangle they use.
    void Text(QPointF reference, const QString& text, const std::vector<double>& advances, uint32_t options,
              const QRectF& box);

    // Bitmap stretched onto a logical rectangle, with a ternary raster operation.
    void StretchImage(const QRectF& destination, const QImage& image, const QRectF& source, uint32_t rop);
    // Raster operations that use no source bitmap (PATCOPY, BLACKNESS, ...) on a logical
    // rectangle; false when rop needs a source.
    bool PatternBlt(const QRectF& box, uint32_t rop);

private:
    void ApplyClip();
    QPainterPath ToPainter(const QPainterPath& logical) const;
    QPointF ToPainter(QPointF logical) const;
    // A closed or open figure of its own; Continue: a figure that starts at the current
    // position and moves it (LineTo, PolylineTo, ArcTo...).
    void Shape(const QPainterPath& logical, bool fill, bool stroke);
    void Continue(const QPainterPath& logical);
    void Paint(const QPainterPath& mapped, bool fill, bool stroke);
    QPen CurrentPen() const;
    double LogicalToPainterScale() const;
    void CombineClip(const QRegion& region, int mode);
    static QRegion ToRegion(const QPainterPath& painterPath);

    QPainter& FPainter;
    QTransform FDeviceToPainter;
    QSizeF FDevicePerMm;
    TMetaDcState FState;
    std::vector<TMetaDcState> FSaved;
    int64_t FIgnoredSaves = 0;
    TMetaObjectTable FObjects;
    TMetaDibContext FDibs;
    bool FPathOpen = false;
    QPainterPath FPath;       // painter coordinates, as GDI keeps paths in device units
};
