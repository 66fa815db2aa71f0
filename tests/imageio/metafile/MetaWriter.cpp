#include "MetaWriter.h"

uint32_t ColorRef(QColor c) { return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16; }

QByteArray Dib24(const std::vector<std::vector<QColor>>& rows)
{
    const int h = int(rows.size());
    const int w = int(rows[0].size());
    const int stride = (w * 3 + 3) / 4 * 4;
    QByteArray b;
    PutU32(b, 40);
    PutU32(b, uint32_t(w));
    PutU32(b, uint32_t(h));
    PutU16(b, 1);
    PutU16(b, 24);
    PutU32(b, 0);
    PutU32(b, uint32_t(stride * h));
    PutU32(b, 2835);
    PutU32(b, 2835);
    PutU32(b, 0);
    PutU32(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row;
        for (const QColor& c : rows[size_t(y)]) {
            row.append(char(c.blue()));
            row.append(char(c.green()));
            row.append(char(c.red()));
        }
        row.append(QByteArray(stride - row.size(), 0));
        b.append(row);
    }
    return b;
}

TWmfWriter::TWmfWriter(bool placeable, QRect box, int inch) : FPlaceable(placeable)
{
    if (placeable) {
        QByteArray p;
        PutU32(p, 0x9AC6CDD7);
        PutU16(p, 0);
        PutU16(p, uint16_t(box.left()));
        PutU16(p, uint16_t(box.top()));
        PutU16(p, uint16_t(box.left() + box.width()));
        PutU16(p, uint16_t(box.top() + box.height()));
        PutU16(p, uint16_t(inch));
        PutU32(p, 0);
        uint16_t sum = 0;
        for (int i = 0; i < 20; i += 2)
            sum ^= uint16_t(uchar(p[i]) | uchar(p[i + 1]) << 8);
        PutU16(p, sum);
        FHeader = p;
    }
}

TWmfWriter& TWmfWriter::Raw(uint16_t function, const QByteArray& params)
{
    QByteArray p = params;
    if (p.size() % 2)
        p.append('\0');
    PutU32(FRecords, uint32_t(3 + p.size() / 2));
    PutU16(FRecords, function);
    FRecords.append(p);
    return *this;
}

TWmfWriter& TWmfWriter::Words(uint16_t function, std::initializer_list<int> words)
{
    QByteArray p;
    for (int w : words)
        PutU16(p, uint16_t(w));
    return Raw(function, p);
}

TWmfWriter& TWmfWriter::Pen(int style, int width, QColor color)
{
    QByteArray p;
    PutU16(p, uint16_t(style));
    PutU16(p, uint16_t(width));
    PutU16(p, 0);
    PutU32(p, ColorRef(color));
    return Raw(0x02FA, p);
}

TWmfWriter& TWmfWriter::Brush(int style, QColor color, int hatch)
{
    QByteArray p;
    PutU16(p, uint16_t(style));
    PutU32(p, ColorRef(color));
    PutU16(p, uint16_t(hatch));
    return Raw(0x02FC, p);
}

TWmfWriter& TWmfWriter::Polygon(const std::vector<QPoint>& points)
{
    QByteArray p;
    PutU16(p, uint16_t(points.size()));
    for (const QPoint& pt : points) {
        PutU16(p, uint16_t(pt.x()));
        PutU16(p, uint16_t(pt.y()));
    }
    return Raw(0x0324, p);
}

TWmfWriter& TWmfWriter::Bytes(const QByteArray& bytes)
{
    FRecords.append(bytes);
    return *this;
}

QByteArray TWmfWriter::File() const
{
    QByteArray records = FRecords;
    PutU32(records, 3);
    PutU16(records, 0);
    QByteArray b = FHeader;
    PutU16(b, 1);
    PutU16(b, 9);
    PutU16(b, 0x0300);
    PutU32(b, uint32_t((18 + records.size()) / 2));
    PutU16(b, 16);
    PutU32(b, 0);
    PutU16(b, 0);
    b.append(records);
    return b;
}

TEmfWriter::TEmfWriter(QRect frame, QSize devicePx, QSize deviceMm)
    : FFrame(frame), FDevicePx(devicePx), FDeviceMm(deviceMm)
{
}

TEmfWriter& TEmfWriter::Raw(uint32_t type, const QByteArray& params)
{
    QByteArray p = params;
    while (p.size() % 4)
        p.append('\0');
    PutU32(FRecords, type);
    PutU32(FRecords, uint32_t(8 + p.size()));
    FRecords.append(p);
    ++FCount;
    return *this;
}

TEmfWriter& TEmfWriter::Ints(uint32_t type, std::initializer_list<int64_t> values)
{
    QByteArray p;
    for (int64_t v : values)
        PutU32(p, uint32_t(v));
    return Raw(type, p);
}

TEmfWriter& TEmfWriter::Brush(int index, int style, QColor color, int hatch)
{
    return Ints(39, {index, style, ColorRef(color), hatch});
}

TEmfWriter& TEmfWriter::Pen(int index, int style, int width, QColor color)
{
    return Ints(38, {index, style, width, 0, ColorRef(color)});
}

TEmfWriter& TEmfWriter::WorldTransform(float m11, float m12, float m21, float m22, float dx, float dy)
{
    QByteArray p;
    for (float f : {m11, m12, m21, m22, dx, dy})
        PutF32(p, f);
    return Raw(35, p);
}

QByteArray TEmfWriter::File() const
{
    QByteArray records = FRecords;
    PutU32(records, 14);
    PutU32(records, 20);
    PutU32(records, 0);
    PutU32(records, 16);
    PutU32(records, 20);
    QByteArray h;
    PutU32(h, 1);
    PutU32(h, 108);
    const double pxPerHmm = double(FDevicePx.width()) / FDeviceMm.width() / 100;
    for (int v : {int(FFrame.left() * pxPerHmm), int(FFrame.top() * pxPerHmm), int((FFrame.left() + FFrame.width()) * pxPerHmm) - 1,
                  int((FFrame.top() + FFrame.height()) * pxPerHmm) - 1})
        PutU32(h, uint32_t(v));
    for (int v : {FFrame.left(), FFrame.top(), FFrame.left() + FFrame.width(), FFrame.top() + FFrame.height()})
        PutU32(h, uint32_t(v));
    PutU32(h, 0x464D4520);
    PutU32(h, 0x10000);
    PutU32(h, uint32_t(108 + records.size()));
    PutU32(h, uint32_t(FCount + 2));
    PutU16(h, 16);
    PutU16(h, 0);
    PutU32(h, 0);
    PutU32(h, 0);
    PutU32(h, 0);
    PutU32(h, uint32_t(FDevicePx.width()));
    PutU32(h, uint32_t(FDevicePx.height()));
    PutU32(h, uint32_t(FDeviceMm.width()));
    PutU32(h, uint32_t(FDeviceMm.height()));
    PutU32(h, 0);
    PutU32(h, 0);
    PutU32(h, 0);
    PutU32(h, uint32_t(FDeviceMm.width() * 1000));
    PutU32(h, uint32_t(FDeviceMm.height() * 1000));
    return h + records;
}
