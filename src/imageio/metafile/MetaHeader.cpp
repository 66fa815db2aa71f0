#include "imageio/metafile/MetaHeader.h"

#include "imageio/metafile/MetaRecords.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr uint32_t EmfSignature = 0x464D4520; // " EMF"
// Natural sizes are capped here only to keep the arithmetic sane; the bitmap that receives the
// picture refuses anything beyond its own limit with its own message.
constexpr double MaxNaturalSide = 1 << 24;

int PixelsAt96(double units, double unitsPerInch)
{
    if (units == 0)
        return 0;
    const double px = std::round(std::abs(units) * 96.0 / unitsPerInch);
    return int(std::clamp(px, 1.0, MaxNaturalSide));
}

QRectF Normalized(double left, double top, double right, double bottom)
{
    return QRectF(QPointF(std::min(left, right), std::min(top, bottom)), QPointF(std::max(left, right), std::max(top, bottom)));
}

// The area a plain WMF draws in: the window its records set, or else the bounds of what it draws.
std::optional<QRectF> ScanWmfWindow(TMetaStream file)
{
    std::optional<QPointF> origin;
    std::optional<QSizeF> extent;
    QRectF drawn;
    auto include = [&](double x, double y) { drawn |= QRectF(x, y, 0.0001, 0.0001); };
    TWmfRecord r;
    try {
        while (NextWmfRecord(file, r) == TRecordStep::Record) {
            TMetaStream& p = r.Params;
            switch (r.Function) {
            case 0x020B: // SETWINDOWORG
                if (!origin) {
                    const double y = p.I16();
                    origin = QPointF(p.I16(), y);
                }
                break;
            case 0x020C: // SETWINDOWEXT
                if (!extent) {
                    const double y = p.I16();
                    extent = QSizeF(p.I16(), y);
                }
                break;
            case 0x0324: case 0x0325: { // POLYGON, POLYLINE
                const uint16_t n = p.U16();
                p.Need(n, 4);
                for (int i = 0; i < n; ++i) {
                    const double x = p.I16();
                    include(x, p.I16());
                }
                break;
            }
            case 0x041B: case 0x0418: case 0x061C: { // RECTANGLE, ELLIPSE, ROUNDRECT (box last)
                if (r.Function == 0x061C)
                    p.Skip(4);
                const double bottom = p.I16(), right = p.I16(), top = p.I16(), left = p.I16();
                include(left, top);
                include(right, bottom);
                break;
            }
            case 0x0213: case 0x0214: { // LINETO, MOVETO
                const double y = p.I16();
                include(p.I16(), y);
                break;
            }
            default: break;
            }
        }
    } catch (const TMetaTruncated&) {
        // a damaged record ends the scan; what was seen so far counts
    }
    if (extent && extent->width() != 0 && extent->height() != 0) {
        const QPointF o = origin.value_or(QPointF(0, 0));
        return QRectF(o, *extent);
    }
    if (drawn.isValid() && drawn.width() >= 1 && drawn.height() >= 1)
        return drawn;
    return std::nullopt;
}

} // namespace

bool ReadWmfHeader(const QByteArray& bytes, TMetaHeader& header)
{
    TMetaStream s(reinterpret_cast<const uchar*>(bytes.constData()), size_t(bytes.size()));
    try {
        std::optional<QRectF> box;
        double unitsPerInch = 96; // a plain WMF has no units: GDI's default mapping is one unit a pixel
        if (s.Size() >= 4 && s.U32() == PlaceableKey) {
            s.Skip(2); // handle
            const double left = s.I16(), top = s.I16(), right = s.I16(), bottom = s.I16();
            const uint16_t inch = s.U16();
            s.Skip(6); // reserved, checksum (often wrong in files that play fine)
            unitsPerInch = inch == 0 ? 1440 : inch;
            if (left != right && top != bottom)
                box = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
        } else {
            s.Seek(0);
        }
        const uint16_t type = s.U16();
        const uint16_t headerWords = s.U16();
        const uint16_t version = s.U16();
        s.Skip(4); // size in words: the file's length is what counts
        const uint16_t objects = s.U16();
        s.Skip(6); // largest record, unused parameter count
        if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
            return false;
        header.Format = TMetaFormat::Wmf;
        header.FirstRecord = s.Pos();
        header.Handles = objects;

        // The first record must be whole: a file cut inside it is no picture.
        TMetaStream first = s;
        TWmfRecord r;
        if (NextWmfRecord(first, r) == TRecordStep::Damaged)
            return false;
        if (!box)
            box = ScanWmfWindow(s);
        if (!box)
            return false;
        header.Window = *box;
        header.Size = QSize(PixelsAt96(box->width(), unitsPerInch), PixelsAt96(box->height(), unitsPerInch));
        return !header.Size.isEmpty();
    } catch (const TMetaTruncated&) {
        return false;
    }
}

bool ReadEmfHeader(const QByteArray& bytes, TMetaHeader& header)
{
    TMetaStream s(reinterpret_cast<const uchar*>(bytes.constData()), size_t(bytes.size()));
    try {
        const uint32_t type = s.U32();
        const uint32_t size = s.U32();
        if (type != 1 || size < 88 || size % 4 != 0 || size > s.Size())
            return false;
        const double bl = s.I32(), bt = s.I32(), br = s.I32(), bb = s.I32();
        const double fl = s.I32(), ft = s.I32(), fr = s.I32(), fb = s.I32();
        if (s.U32() != EmfSignature)
            return false;
        s.Skip(4); // version
        s.Skip(8); // bytes, records: the file's length is what counts
        const uint16_t handles = s.U16();
        s.Skip(2 + 4 + 4 + 4); // reserved, description, palette entries
        const double devW = s.I32(), devH = s.I32(), mmW = s.I32(), mmH = s.I32();

        QSizeF perMm(96 / 25.4, 96 / 25.4);
        if (devW > 0 && devH > 0 && mmW > 0 && mmH > 0)
            perMm = QSizeF(devW / mmW, devH / mmH);
        header.Format = TMetaFormat::Emf;
        header.FirstRecord = size;
        header.Handles = handles;
        header.DevicePerMm = perMm;

        if (fr != fl && fb != ft) {
            // The frame is in hundredths of a millimetre.
            header.Frame = Normalized(fl * perMm.width() / 100, ft * perMm.height() / 100, fr * perMm.width() / 100,
                                      fb * perMm.height() / 100);
            header.Size = QSize(PixelsAt96(fr - fl, 2540), PixelsAt96(fb - ft, 2540));
        } else {
            // No frame: the bounds in device pixels, which are inclusive.
            header.Frame = Normalized(bl, bt, br + 1, bb + 1);
            header.Size = QSize(PixelsAt96(header.Frame.width(), perMm.width() * 25.4),
                                PixelsAt96(header.Frame.height(), perMm.height() * 25.4));
        }
        return !header.Size.isEmpty();
    } catch (const TMetaTruncated&) {
        return false;
    }
}
