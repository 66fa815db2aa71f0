// Plays the records of an enhanced metafile (EMF) through the metafile device context.
#include "imageio/metafile/MetaCanvas.h"
#include "imageio/metafile/MetaDib.h"
#include "imageio/metafile/MetaPlayers.h"
#include "imageio/metafile/MetaRecords.h"
#include "imageio/metafile/MetaText.h"

#include <QPainter>
#include <optional>

namespace {

QColor ColorRef(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

QPointF PointL(TMetaStream& d)
{
    const double x = d.I32();
    return QPointF(x, d.I32());
}

QSizeF SizeL(TMetaStream& d)
{
    const double w = d.I32();
    return QSizeF(w, d.I32());
}

QRectF RectL(TMetaStream& d)
{
    const double left = d.I32(), top = d.I32(), right = d.I32(), bottom = d.I32();
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QTransform XForm(TMetaStream& d)
{
    const double m11 = d.F32(), m12 = d.F32(), m21 = d.F32(), m22 = d.F32(), dx = d.F32(), dy = d.F32();
    return QTransform(m11, m12, m21, m22, dx, dy);
}

QPolygonF Points(TMetaStream& d, uint32_t count, bool short16)
{
    d.Need(count, short16 ? 4 : 8);
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (uint32_t i = 0; i < count; ++i) {
        if (short16) {
            const double x = d.I16();
            points.append(QPointF(x, d.I16()));
        } else {
            points.append(PointL(d));
        }
    }
    return points;
}

std::vector<QPolygonF> PolyPoints(TMetaStream& d, bool short16)
{
    d.Skip(16); // bounds
    const uint32_t polygons = d.U32();
    const uint32_t total = d.U32();
    d.Need(polygons, 4);
    std::vector<uint32_t> counts(polygons);
    uint64_t sum = 0;
    for (uint32_t& c : counts) {
        c = d.U32();
        sum += c;
    }
    if (sum > total)
        throw TMetaTruncated{}; // counts that disagree with the total: a damaged record
    d.Need(total, short16 ? 4 : 8);
    std::vector<QPolygonF> result;
    result.reserve(polygons);
    for (uint32_t c : counts)
        result.push_back(Points(d, c, short16));
    return result;
}

class TEmfPlayer {
public:
    TEmfPlayer(const TMetaHeader& header, QPainter& painter, const QRectF& target)
        : FCanvas(painter, FrameToTarget(header.Frame, target), header.DevicePerMm, size_t(header.Handles))
    {
    }

    void Play(TMetaStream file)
    {
        TEmfRecord r;
        try {
            while (NextEmfRecord(file, r) == TRecordStep::Record)
                Record(r);
        } catch (const TMetaTruncated&) {
            // a record shorter than its contents: playback ends with what was drawn so far
        }
    }

private:
    static QTransform FrameToTarget(const QRectF& frame, const QRectF& target)
    {
        return QTransform::fromTranslate(-frame.x(), -frame.y())
            * QTransform::fromScale(target.width() / frame.width(), target.height() / frame.height())
            * QTransform::fromTranslate(target.x(), target.y());
    }

    void Record(TEmfRecord& r);
    void Objects(uint32_t type, TMetaStream& d);
    void Text(uint32_t type, TMetaStream& d);
    QPainterPath Region(TMetaStream& d, uint32_t size);
    void ClipRegion(TMetaStream& d);
    void FillRegion(uint32_t type, TMetaStream& d);
    void Bitmap(uint32_t type, TMetaStream& d);
    // The DIB a record carries at the given offsets from its start; null when it does not decode.
    QImage RecordDib(const TMetaStream& record, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                            uint32_t cbBits, bool* bottomUp);

    TMetaCanvas FCanvas;
};

void TEmfPlayer::Record(TEmfRecord& r)
{
    TMetaStream d = r.Data;
    d.Skip(8);
    TMetaDcState& s = FCanvas.State();
    switch (r.Type) {
    case 2: d.Skip(16); FCanvas.PolyBezier(Points(d, d.U32(), false), false); break;   // POLYBEZIER
    case 3: d.Skip(16); FCanvas.Polygon(Points(d, d.U32(), false)); break;             // POLYGON
    case 4: d.Skip(16); FCanvas.Polyline(Points(d, d.U32(), false)); break;            // POLYLINE
    case 5: d.Skip(16); FCanvas.PolyBezier(Points(d, d.U32(), false), true); break;    // POLYBEZIERTO
    case 6: d.Skip(16); FCanvas.PolylineTo(Points(d, d.U32(), false)); break;          // POLYLINETO
    case 85: d.Skip(16); FCanvas.PolyBezier(Points(d, d.U32(), true), false); break;   // POLYBEZIER16
    case 86: d.Skip(16); FCanvas.Polygon(Points(d, d.U32(), true)); break;             // POLYGON16
    case 87: d.Skip(16); FCanvas.Polyline(Points(d, d.U32(), true)); break;            // POLYLINE16
    case 88: d.Skip(16); FCanvas.PolyBezier(Points(d, d.U32(), true), true); break;    // POLYBEZIERTO16
    case 89: d.Skip(16); FCanvas.PolylineTo(Points(d, d.U32(), true)); break;          // POLYLINETO16
    case 7: FCanvas.PolyPolyline(PolyPoints(d, false)); break;                         // POLYPOLYLINE
    case 8: FCanvas.PolyPolygon(PolyPoints(d, false)); break;                          // POLYPOLYGON
    case 90: FCanvas.PolyPolyline(PolyPoints(d, true)); break;                         // POLYPOLYLINE16
    case 91: FCanvas.PolyPolygon(PolyPoints(d, true)); break;                          // POLYPOLYGON16
    case 56: case 92: {                                                                // POLYDRAW, POLYDRAW16
        d.Skip(16);
        const uint32_t count = d.U32();
        const QPolygonF points = Points(d, count, r.Type == 92);
        d.Need(count);
        std::vector<uint8_t> types(count);
        for (uint8_t& t : types)
            t = d.U8();
        FCanvas.PolyDraw(points, types);
        break;
    }
    case 9: FCanvas.SetWindowExt(SizeL(d)); break;                                     // SETWINDOWEXTEX
    case 10: FCanvas.SetWindowOrg(PointL(d)); break;                                   // SETWINDOWORGEX
    case 11: FCanvas.SetViewportExt(SizeL(d)); break;                                  // SETVIEWPORTEXTEX
    case 12: FCanvas.SetViewportOrg(PointL(d)); break;                                 // SETVIEWPORTORGEX
    case 15: {                                                                         // SETPIXELV
        const QPointF at = PointL(d);
        FCanvas.SetPixel(at, ColorRef(d.U32()));
        break;
    }
    case 17: FCanvas.SetMapMode(int(d.U32())); break;                                  // SETMAPMODE
    case 18: s.BkOpaque = d.U32() == 2; break;                                         // SETBKMODE
    case 19: s.FillRule = d.U32() == 2 ? Qt::WindingFill : Qt::OddEvenFill; break;     // SETPOLYFILLMODE
    case 20: s.Rop2 = int(d.U32()); break;                                             // SETROP2
    case 21: s.StretchMode = int(d.U32()); break;                                      // SETSTRETCHBLTMODE
    case 22: s.TextAlign = int(d.U32()); break;                                        // SETTEXTALIGN
    case 24: s.TextColor = ColorRef(d.U32()); break;                                   // SETTEXTCOLOR
    case 25: s.BkColor = ColorRef(d.U32()); break;                                     // SETBKCOLOR
    case 27: FCanvas.MoveTo(PointL(d)); break;                                         // MOVETOEX
    case 29: FCanvas.ExcludeClipRect(RectL(d)); break;                                 // EXCLUDECLIPRECT
    case 30: FCanvas.IntersectClipRect(RectL(d)); break;                               // INTERSECTCLIPRECT
    case 31: case 32: {                                                                // SCALEVIEWPORTEXTEX, SCALEWINDOWEXTEX
        const double xNum = d.I32(), xDenom = d.I32(), yNum = d.I32(), yDenom = d.I32();
        if (r.Type == 31)
            FCanvas.ScaleViewportExt(xNum, xDenom, yNum, yDenom);
        else
            FCanvas.ScaleWindowExt(xNum, xDenom, yNum, yDenom);
        break;
    }
    case 33: FCanvas.Save(); break;                                                    // SAVEDC
    case 34: FCanvas.Restore(d.I32()); break;                                          // RESTOREDC
    case 35: FCanvas.ModifyWorldTransform(XForm(d), 4); break;                         // SETWORLDTRANSFORM
    case 36: {                                                                         // MODIFYWORLDTRANSFORM
        const QTransform x = XForm(d);
        FCanvas.ModifyWorldTransform(x, int(d.U32()));
        break;
    }
    case 37: FCanvas.Select(d.U32()); break;                                           // SELECTOBJECT
    case 48: FCanvas.SelectPalette(d.U32()); break;                                    // SELECTPALETTE
    case 40: FCanvas.Delete(d.U32()); break;                                           // DELETEOBJECT
    case 38: case 39: case 49: case 82: case 93: case 94: case 95: Objects(r.Type, d); break;
    case 41: {                                                                         // ANGLEARC
        const QPointF centre = PointL(d);
        const double radius = d.U32();
        const double start = d.F32();
        FCanvas.AngleArc(centre, radius, start, d.F32());
        break;
    }
    case 42: FCanvas.Ellipse(RectL(d)); break;                                         // ELLIPSE
    case 43: FCanvas.Rectangle(RectL(d)); break;                                       // RECTANGLE
    case 44: {                                                                         // ROUNDRECT
        const QRectF box = RectL(d);
        FCanvas.RoundRect(box, SizeL(d));
        break;
    }
    case 45: case 46: case 47: case 55: {                                              // ARC, CHORD, PIE, ARCTO
        const QRectF box = RectL(d);
        const QPointF start = PointL(d);
        const QPointF end = PointL(d);
        const TArcKind kind = r.Type == 45 ? TArcKind::Arc : r.Type == 46 ? TArcKind::Chord
            : r.Type == 47 ? TArcKind::Pie : TArcKind::ArcTo;
        FCanvas.Arc(box, start, end, kind);
        break;
    }
    case 54: FCanvas.LineTo(PointL(d)); break;                                         // LINETO
    case 57: s.Clockwise = d.U32() == 2; break;                                        // SETARCDIRECTION
    case 59: FCanvas.BeginPath(); break;                                               // BEGINPATH
    case 60: FCanvas.EndPath(); break;                                                 // ENDPATH
    case 61: FCanvas.CloseFigure(); break;                                             // CLOSEFIGURE
    case 62: FCanvas.FillPath(); break;                                                // FILLPATH
    case 63: FCanvas.StrokeAndFillPath(); break;                                       // STROKEANDFILLPATH
    case 64: FCanvas.StrokePath(); break;                                              // STROKEPATH
    case 67: FCanvas.SelectClipPath(int(d.U32())); break;                              // SELECTCLIPPATH
    case 68: FCanvas.AbortPath(); break;                                               // ABORTPATH
    case 75: ClipRegion(d); break;                                                     // EXTSELECTCLIPRGN
    case 71: case 74: FillRegion(r.Type, d); break;                                    // FILLRGN, PAINTRGN
    case 83: case 84: Text(r.Type, d); break;                                          // EXTTEXTOUTA, EXTTEXTOUTW
    case 76: case 77: case 80: case 81: case 114: case 116: Bitmap(r.Type, d); break;
    default: break; // not played; skipped by its size
    }
}

void TEmfPlayer::Objects(uint32_t type, TMetaStream& d)
{
    const uint32_t index = d.U32();
    TMetaObjectTable& table = FCanvas.Objects();
    switch (type) {
    case 38: {                                                                         // CREATEPEN
        TMetaPen pen;
        pen.Style = int(d.U32());
        pen.Width = d.I32();
        d.Skip(4);
        pen.Color = ColorRef(d.U32());
        table.Put(index, pen);
        break;
    }
    case 95: {                                                                         // EXTCREATEPEN
        d.Skip(16); // pattern bitmap offsets
        TMetaPen pen;
        pen.Style = int(d.U32());
        const uint32_t width = d.U32();
        const uint32_t brushStyle = d.U32();
        pen.Color = ColorRef(d.U32());
        // Cosmetic pens are one pixel wide whatever width they name.
        pen.Width = (pen.Style & 0x10000) ? double(width) : 0.0;
        if (brushStyle == 1) // BS_NULL
            pen.Style = (pen.Style & ~0xF) | 5;
        table.Put(index, pen);
        break;
    }
    case 39: {                                                                         // CREATEBRUSHINDIRECT
        TMetaBrush brush;
        const uint32_t style = d.U32();
        brush.Color = ColorRef(d.U32());
        brush.Hatch = int(d.U32());
        brush.Kind = style == 1 ? TMetaBrush::Null : style == 2 ? TMetaBrush::Hatched : TMetaBrush::Solid;
        table.Put(index, brush);
        break;
    }
    case 93: case 94: {                                                                // CREATEMONOBRUSH, CREATEDIBPATTERNBRUSHPT
        d.Skip(4); // colour usage
        const uint32_t offBmi = d.U32(), cbBmi = d.U32(), offBits = d.U32(), cbBits = d.U32();
        TMetaBrush brush;
        brush.Image = RecordDib(d, offBmi, cbBmi, offBits, cbBits, nullptr);
        brush.Kind = brush.Image.isNull() ? TMetaBrush::Null : TMetaBrush::Pattern;
        table.Put(index, brush);
        break;
    }
    case 82: {                                                                         // EXTCREATEFONTINDIRECTW
        TMetaFont font;
        font.Height = d.I32();
        font.Width = d.I32();
        font.Escapement = d.I32();
        d.Skip(4); // orientation
        font.Weight = d.I32();
        font.Italic = d.U8();
        font.Underline = d.U8();
        font.StrikeOut = d.U8();
        font.CharSet = d.U8();
        d.Skip(4);
        for (size_t i = 0; i < 32 && d.Remaining() >= 2; ++i) {
            const uint16_t c = d.U16();
            if (c == 0)
                break;
            font.Face.append(QChar(c));
        }
        table.Put(index, font);
        break;
    }
    case 49: table.Put(index, ReadLogPalette(d)); break;                               // CREATEPALETTE
    default: break;
    }
}

void TEmfPlayer::Text(uint32_t type, TMetaStream& d)
{
    constexpr uint32_t ETO_NO_RECT = 0x100;
    constexpr uint32_t ETO_PDY = 0x2000;
    d.Skip(16 + 12); // bounds, graphics mode, scales
    const QPointF reference = PointL(d);
    const uint32_t chars = d.U32();
    const uint32_t offString = d.U32();
    const uint32_t options = d.U32();
    QRectF box;
    if (!(options & ETO_NO_RECT))
        box = RectL(d);
    const uint32_t offDx = d.U32();

    const bool wide = type == 84;
    TMetaStream record = d;
    record.Seek(0);
    record.Seek(offString);
    record.Need(chars, wide ? 2 : 1);
    QString text;
    if (wide) {
        text.reserve(qsizetype(chars));
        for (uint32_t i = 0; i < chars; ++i)
            text.append(QChar(record.U16()));
    } else {
        text = DecodeAnsiText(record.Current(), chars, FCanvas.State().Font.CharSet);
    }
    std::vector<double> advances;
    if (offDx != 0) {
        const uint32_t perChar = (options & ETO_PDY) ? 2 : 1;
        record.Seek(offDx);
        record.Need(chars, 4 * perChar);
        advances.reserve(chars);
        for (uint32_t i = 0; i < chars; ++i) {
            advances.push_back(record.I32());
            record.Skip(4 * (perChar - 1));
        }
        advances.resize(std::min(advances.size(), size_t(text.size())));
    }
    FCanvas.Text(reference, text, advances, options, box);
}

// RGNDATA: a header, then the region's rectangles in device units.
QPainterPath TEmfPlayer::Region(TMetaStream& d, uint32_t size)
{
    TMetaStream data = d.Sub(size);
    data.Skip(8);
    const uint32_t count = data.U32();
    data.Skip(4 + 16); // region size, bounds
    data.Need(count, 16);
    QPainterPath region;
    region.setFillRule(Qt::WindingFill);
    for (uint32_t i = 0; i < count; ++i)
        region.addRect(RectL(data).normalized());
    return region;
}

void TEmfPlayer::ClipRegion(TMetaStream& d)
{
    const uint32_t size = d.U32();
    const int mode = int(d.U32());
    if (size == 0) {
        if (mode == 5) // RGN_COPY of no region: the clip is removed
            FCanvas.ResetClip();
        return;
    }
    FCanvas.SelectClipRegion(Region(d, size), mode);
}

void TEmfPlayer::FillRegion(uint32_t type, TMetaStream& d)
{
    d.Skip(16); // bounds
    const uint32_t size = d.U32();
    const TMetaBrush current = FCanvas.State().Brush;
    if (type == 71) // FILLRGN names its brush; PAINTRGN uses the selected one
        FCanvas.Select(d.U32());
    FCanvas.FillDeviceRegion(Region(d, size));
    FCanvas.State().Brush = current;
}

QImage TEmfPlayer::RecordDib(const TMetaStream& record, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                             uint32_t cbBits, bool* bottomUp)
{
    const uint64_t size = record.Size();
    if (cbBmi == 0 || offBmi < 8 || uint64_t(offBmi) + cbBmi > size || uint64_t(offBits) + cbBits > size
        || offBits < uint64_t(offBmi) + cbBmi)
        return {};
    const uchar* base = record.Data() + offBmi;
    return FCanvas.DecodeDib(base, qsizetype(uint64_t(offBits) + cbBits - offBmi), qsizetype(offBits - offBmi), bottomUp);
}

void TEmfPlayer::Bitmap(uint32_t type, TMetaStream& d)
{
    d.Skip(16); // bounds
    QPointF destAt, srcAt;
    QSizeF destSize, srcSize;
    uint32_t rop = 0x00CC0020; // SRCCOPY
    uint32_t offBmi = 0, cbBmi = 0, offBits = 0, cbBits = 0;
    bool countsFromBottom = false;
    std::optional<uint32_t> transparent;
    switch (type) {
    case 76: case 77: case 114: case 116: {                                 // BITBLT, STRETCHBLT, ALPHABLEND, TRANSPARENTBLT
        destAt = PointL(d);
        destSize = SizeL(d);
        const uint32_t op = d.U32();
        // ALPHABLEND names a blend function here (it blends by the bitmap's alpha),
        // TRANSPARENTBLT the colour that is left out.
        if (type == 116)
            transparent = op;
        else if (type != 114)
            rop = op;
        srcAt = PointL(d);
        d.Skip(24 + 4 + 4); // source transform, background colour, colour usage
        offBmi = d.U32(), cbBmi = d.U32(), offBits = d.U32(), cbBits = d.U32();
        srcSize = type == 76 ? destSize : SizeL(d);
        break;
    }
    case 80: case 81: {                                                                // SETDIBITSTODEVICE, STRETCHDIBITS
        destAt = PointL(d);
        srcAt = PointL(d);
        srcSize = SizeL(d);
        offBmi = d.U32(), cbBmi = d.U32(), offBits = d.U32(), cbBits = d.U32();
        d.Skip(4); // colour usage
        if (type == 81) {
            rop = d.U32();
            destSize = SizeL(d);
        } else {
            destSize = srcSize;
        }
        countsFromBottom = true;
        break;
    }
    default: return;
    }
    const QRectF destination(destAt, destSize);
    if (FCanvas.PatternBlt(destination, rop) || cbBmi == 0)
        return;
    bool bottomUp = false;
    QImage image = RecordDib(d, offBmi, cbBmi, offBits, cbBits, &bottomUp);
    if (image.isNull())
        return;
    if (transparent) {
        const QRgb key = ColorRef(*transparent).rgb();
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] | 0xFF000000u) == key)
                    line[x] = 0;
        }
    }
    QRectF source(srcAt, srcSize);
    // The DIB records count source rows from the bottom of a bottom-up bitmap.
    if (countsFromBottom && bottomUp)
        source.moveTop(image.height() - srcAt.y() - srcSize.height());
    FCanvas.StretchImage(destination, image, source, rop);
}

} // namespace

void PlayEmf(const QByteArray& bytes, const TMetaHeader& header, QPainter& painter, const QRectF& target)
{
    TMetaStream file(reinterpret_cast<const uchar*>(bytes.constData()), size_t(bytes.size()));
    file.Seek(header.FirstRecord);
    TEmfPlayer(header, painter, target).Play(file);
}
