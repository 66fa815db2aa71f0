// Plays the records of a Windows metafile (WMF) through the metafile device context.
#include "imageio/metafile/MetaCanvas.h"
#include "imageio/metafile/MetaDib.h"
#include "imageio/metafile/MetaPlayers.h"
#include "imageio/metafile/MetaRecords.h"
#include "imageio/metafile/MetaText.h"

#include <QPainter>

namespace {

QColor ColorRef(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

// WMF points and rectangles are 16-bit, most records listing y before x.
QPointF PointYX(TMetaStream& p)
{
    const double y = p.I16();
    return QPointF(p.I16(), y);
}

QRectF BoxBRTL(TMetaStream& p)
{
    const double bottom = p.I16(), right = p.I16(), top = p.I16(), left = p.I16();
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPolygonF Points(TMetaStream& p, uint32_t count)
{
    p.Need(count, 4);
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (uint32_t i = 0; i < count; ++i) {
        const double x = p.I16();
        points.append(QPointF(x, p.I16()));
    }
    return points;
}

class TWmfPlayer {
public:
    TWmfPlayer(const TMetaHeader& header, QPainter& painter, const QRectF& target)
        : FCanvas(painter, QTransform(), QSizeF(96 / 25.4, 96 / 25.4), size_t(header.Handles))
    {
        // The picture's window is mapped onto the target, which is the viewport; the records
        // may move and resize the window but the viewport belongs to whoever plays the file.
        TMetaDcState& s = FCanvas.State();
        s.MapMode = 8;
        s.WindowOrg = header.Window.topLeft();
        s.WindowExt = header.Window.size();
        s.ViewportOrg = target.topLeft();
        s.ViewportExt = target.size();
    }

    void Play(TMetaStream file)
    {
        TWmfRecord r;
        try {
            while (NextWmfRecord(file, r) == TRecordStep::Record)
                Record(r.Function, r.Params);
        } catch (const TMetaTruncated&) {
            // a record shorter than its contents: playback ends with what was drawn so far
        }
    }

private:
    void Record(uint16_t function, TMetaStream& p);
    void CreateFont(TMetaStream& p);
    void Text(TMetaStream& p, bool extended);
    void Bitmap(uint16_t function, TMetaStream& p);

    TMetaCanvas FCanvas;
};

void TWmfPlayer::Record(uint16_t function, TMetaStream& p)
{
    TMetaDcState& s = FCanvas.State();
    switch (function) {
    case 0x001E: FCanvas.Save(); break;                                  // SAVEDC
    case 0x0127: FCanvas.Restore(p.I16()); break;                        // RESTOREDC
    case 0x0102: s.BkOpaque = p.U16() == 2; break;                       // SETBKMODE
    case 0x0201: s.BkColor = ColorRef(p.U32()); break;                   // SETBKCOLOR
    case 0x0209: s.TextColor = ColorRef(p.U32()); break;                 // SETTEXTCOLOR
    case 0x0104: s.Rop2 = p.U16(); break;                                // SETROP2
    case 0x0106: s.FillRule = p.U16() == 2 ? Qt::WindingFill : Qt::OddEvenFill; break; // SETPOLYFILLMODE
    case 0x0107: s.StretchMode = p.U16(); break;                         // SETSTRETCHBLTMODE
    case 0x012E: s.TextAlign = p.U16(); break;                           // SETTEXTALIGN
    case 0x0103: {                                                       // SETMAPMODE
        // Only the scalable modes mean anything when the window is fitted to the target.
        const uint16_t mode = p.U16();
        if (mode == 7 || mode == 8)
            FCanvas.SetMapMode(mode);
        break;
    }
    case 0x020B: FCanvas.SetWindowOrg(PointYX(p)); break;                // SETWINDOWORG
    case 0x020C: {                                                       // SETWINDOWEXT
        const QPointF e = PointYX(p);
        FCanvas.SetWindowExt(QSizeF(e.x(), e.y()));
        break;
    }
    case 0x020F: s.WindowOrg += PointYX(p); break;                       // OFFSETWINDOWORG
    case 0x0410: {                                                       // SCALEWINDOWEXT
        const double yDenom = p.I16(), yNum = p.I16(), xDenom = p.I16(), xNum = p.I16();
        FCanvas.ScaleWindowExt(xNum, xDenom, yNum, yDenom);
        break;
    }
    case 0x012D: FCanvas.Select(p.U16()); break;                         // SELECTOBJECT
    case 0x0234: FCanvas.SelectPalette(p.U16()); break;                  // SELECTPALETTE
    case 0x01F0: FCanvas.Delete(p.U16()); break;                         // DELETEOBJECT
    case 0x02FA: {                                                       // CREATEPENINDIRECT
        TMetaPen pen;
        pen.Style = p.U16();
        pen.Width = p.I16();
        p.Skip(2);
        pen.Color = ColorRef(p.U32());
        FCanvas.Objects().Add(pen);
        break;
    }
    case 0x02FC: {                                                       // CREATEBRUSHINDIRECT
        TMetaBrush brush;
        const uint16_t style = p.U16();
        brush.Color = ColorRef(p.U32());
        brush.Hatch = p.U16();
        brush.Kind = style == 1 ? TMetaBrush::Null : style == 2 ? TMetaBrush::Hatched : TMetaBrush::Solid;
        FCanvas.Objects().Add(brush);
        break;
    }
    case 0x0142: {                                                       // DIBCREATEPATTERNBRUSH
        p.Skip(4);
        TMetaBrush brush;
        brush.Image = FCanvas.DecodeDib(p.Current(), qsizetype(p.Remaining()));
        brush.Kind = brush.Image.isNull() ? TMetaBrush::Null : TMetaBrush::Pattern;
        FCanvas.Objects().Add(brush);
        break;
    }
    case 0x01F9: {                                                       // CREATEPATTERNBRUSH
        // Old device-dependent pattern bitmaps are not drawn, but the brush takes its slot so
        // the indices of later objects stay right.
        TMetaBrush brush;
        brush.Kind = TMetaBrush::Null;
        FCanvas.Objects().Add(brush);
        break;
    }
    case 0x02FB: CreateFont(p); break;                                   // CREATEFONTINDIRECT
    case 0x00F7: FCanvas.Objects().Add(ReadLogPalette(p)); break;        // CREATEPALETTE
    case 0x06FF: FCanvas.Objects().Add(TMetaRegion{}); break;            // CREATEREGION
    case 0x0214: FCanvas.MoveTo(PointYX(p)); break;                      // MOVETO
    case 0x0213: FCanvas.LineTo(PointYX(p)); break;                      // LINETO
    case 0x0324: FCanvas.Polygon(Points(p, p.U16())); break;             // POLYGON
    case 0x0325: FCanvas.Polyline(Points(p, p.U16())); break;            // POLYLINE
    case 0x0538: {                                                       // POLYPOLYGON
        const uint16_t n = p.U16();
        p.Need(n, 2);
        std::vector<uint16_t> counts(n);
        for (uint16_t& c : counts)
            c = p.U16();
        std::vector<QPolygonF> polygons;
        for (uint16_t c : counts)
            polygons.push_back(Points(p, c));
        FCanvas.PolyPolygon(polygons);
        break;
    }
    case 0x041B: FCanvas.Rectangle(BoxBRTL(p)); break;                   // RECTANGLE
    case 0x0418: FCanvas.Ellipse(BoxBRTL(p)); break;                     // ELLIPSE
    case 0x061C: {                                                       // ROUNDRECT
        const double h = p.I16(), w = p.I16();
        FCanvas.RoundRect(BoxBRTL(p), QSizeF(w, h));
        break;
    }
    case 0x0817: case 0x0830: case 0x081A: {                             // ARC, CHORD, PIE
        const QPointF end = PointYX(p), start = PointYX(p);
        const QRectF box = BoxBRTL(p);
        FCanvas.Arc(box, start, end, function == 0x0817 ? TArcKind::Arc : function == 0x0830 ? TArcKind::Chord : TArcKind::Pie);
        break;
    }
    case 0x041F: {                                                       // SETPIXEL
        const QColor c = ColorRef(p.U32());
        FCanvas.SetPixel(PointYX(p), c);
        break;
    }
    case 0x0416: FCanvas.IntersectClipRect(BoxBRTL(p)); break;           // INTERSECTCLIPRECT
    case 0x0415: FCanvas.ExcludeClipRect(BoxBRTL(p)); break;             // EXCLUDECLIPRECT
    case 0x012C: FCanvas.ResetClip(); break;                             // SELECTCLIPREGION (regions are not kept)
    case 0x0521: Text(p, false); break;                                  // TEXTOUT
    case 0x0A32: Text(p, true); break;                                   // EXTTEXTOUT
    case 0x041D: {                                                       // PATBLT
        const uint32_t rop = p.U32();
        const double h = p.I16(), w = p.I16();
        const QPointF at = PointYX(p);
        FCanvas.PatternBlt(QRectF(at, QSizeF(w, h)), rop);
        break;
    }
    case 0x0940: case 0x0B41: case 0x0F43: Bitmap(function, p); break;   // DIBBITBLT, DIBSTRETCHBLT, STRETCHDIB
    default: break; // not played; skipped by its size
    }
}

void TWmfPlayer::CreateFont(TMetaStream& p)
{
    TMetaFont font;
    font.Height = p.I16();
    font.Width = p.I16();
    font.Escapement = p.I16();
    p.Skip(2); // orientation
    font.Weight = p.I16();
    font.Italic = p.U8();
    font.Underline = p.U8();
    font.StrikeOut = p.U8();
    font.CharSet = p.U8();
    p.Skip(4); // precisions, quality, pitch and family
    const size_t n = std::min<size_t>(p.Remaining(), 32);
    font.Face = DecodeAnsiText(p.Current(), n, 0);
    FCanvas.Objects().Add(font);
}

void TWmfPlayer::Text(TMetaStream& p, bool extended)
{
    QPointF at;
    uint16_t count = 0;
    uint16_t options = 0;
    QRectF box;
    if (extended) {
        at = PointYX(p);
        count = p.U16();
        options = p.U16();
        if (options & 6) { // ETO_OPAQUE, ETO_CLIPPED
            const double left = p.I16(), top = p.I16(), right = p.I16(), bottom = p.I16();
            box = QRectF(QPointF(left, top), QPointF(right, bottom));
        }
    } else {
        count = p.U16();
    }
    p.Need(count);
    const QString text = DecodeAnsiText(p.Current(), count, FCanvas.State().Font.CharSet);
    p.Skip(count + (count & 1));
    std::vector<double> advances;
    if (extended) {
        if (p.Remaining() >= size_t(count) * 2)
            for (uint16_t i = 0; i < count; ++i)
                advances.push_back(p.I16());
    } else {
        at = PointYX(p);
    }
    // A NUL inside the string shortens it; the advances follow the characters that remain.
    advances.resize(std::min(advances.size(), size_t(text.size())));
    FCanvas.Text(at, text, advances, options, box);
}

void TWmfPlayer::Bitmap(uint16_t function, TMetaStream& p)
{
    // A record whose parameters are exactly as many words as the high byte of its function
    // carries no bitmap (an extra reserved word instead) and blits a pattern.
    const bool hasBitmap = function == 0x0F43 || p.Remaining() != size_t(function >> 8) * 2;
    const uint32_t rop = p.U32();
    if (function == 0x0F43)
        p.Skip(2); // colour usage
    double srcW = 0, srcH = 0;
    if (function != 0x0940) {
        srcH = p.I16();
        srcW = p.I16();
    }
    const QPointF srcAt = PointYX(p);
    if (!hasBitmap)
        p.Skip(2);
    const double h = p.I16(), w = p.I16();
    const QRectF destination(PointYX(p), QSizeF(w, h));
    if (function == 0x0940) {
        srcW = w;
        srcH = h;
    }
    if (FCanvas.PatternBlt(destination, rop) || !hasBitmap)
        return;
    bool bottomUp = false;
    const QImage image = FCanvas.DecodeDib(p.Current(), qsizetype(p.Remaining()), -1, &bottomUp);
    if (image.isNull())
        return;
    QRectF source(srcAt, QSizeF(srcW, srcH));
    // StretchDIB counts source rows from the bottom of a bottom-up bitmap.
    if (function == 0x0F43 && bottomUp)
        source.moveTop(image.height() - srcAt.y() - srcH);
    FCanvas.StretchImage(destination, image, source, rop);
}

} // namespace

void PlayWmf(const QByteArray& bytes, const TMetaHeader& header, QPainter& painter, const QRectF& target)
{
    TMetaStream file(reinterpret_cast<const uchar*>(bytes.constData()), size_t(bytes.size()));
    file.Seek(header.FirstRecord);
    TWmfPlayer(header, painter, target).Play(file);
}
