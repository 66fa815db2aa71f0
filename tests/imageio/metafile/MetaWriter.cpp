#include "MetaWriter.h"

QByteArray Dib24(const std::vector<std::vector<QColor>>& rows)
{
    const int h = int(rows.size()), w = int(rows[0].size());
    const int stride = (w * 3 + 3) / 4 * 4;
    QByteArray b = U32s({40, w, h}) + U16s({1, 24}) + U32s({0, stride * h, 2835, 2835, 0, 0});
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row;
        for (const QColor& c : rows[size_t(y)])
            row.append(char(c.blue())).append(char(c.green())).append(char(c.red()));
        b += row + QByteArray(stride - row.size(), 0);
    }
    return b;
}

TWmfWriter::TWmfWriter(bool placeable, QRect box, int inch)
{
    if (!placeable)
        return;
    FHeader = U32s({0x9AC6CDD7}) + U16s({0, box.left(), box.top(), box.left() + box.width(), box.top() + box.height(), inch}) + U32s({0});
    uint16_t sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= uint16_t(uchar(FHeader[i]) | uchar(FHeader[i + 1]) << 8);
    PutU16(FHeader, sum);
}

TWmfWriter& TWmfWriter::Raw(uint16_t function, const QByteArray& params)
{
    QByteArray p = params;
    if (p.size() % 2)
        p.append('\0');
    FRecords += U32s({3 + p.size() / 2}) + U16s({function}) + p;
    return *this;
}

TWmfWriter& TWmfWriter::Polygon(const std::vector<QPoint>& points)
{
    QByteArray p = U16s({int64_t(points.size())});
    for (const QPoint& pt : points)
        p += U16s({pt.x(), pt.y()});
    return Raw(0x0324, p);
}

QByteArray TWmfWriter::File() const
{
    const QByteArray records = FRecords + U32s({3}) + U16s({0});
    return FHeader + U16s({1, 9, 0x0300}) + U32s({(18 + records.size()) / 2}) + U16s({16}) + U32s({0}) + U16s({0}) + records;
}

TEmfWriter& TEmfWriter::Raw(uint32_t type, const QByteArray& params)
{
    QByteArray p = params;
    while (p.size() % 4)
        p.append('\0');
    FRecords += U32s({type, 8 + p.size()}) + p;
    ++FCount;
    return *this;
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
    const QByteArray records = FRecords + U32s({14, 20, 0, 16, 20});
    const double pxPerHmm = double(FDevicePx.width()) / FDeviceMm.width() / 100;
    const int right = FFrame.left() + FFrame.width(), bottom = FFrame.top() + FFrame.height();
    return U32s({1, 108, int(FFrame.left() * pxPerHmm), int(FFrame.top() * pxPerHmm), int(right * pxPerHmm) - 1, int(bottom * pxPerHmm) - 1,
                 FFrame.left(), FFrame.top(), right, bottom, 0x464D4520, 0x10000, 108 + records.size(), FCount + 2})
        + U16s({16, 0})
        + U32s({0, 0, 0, FDevicePx.width(), FDevicePx.height(), FDeviceMm.width(), FDeviceMm.height(), 0, 0, 0, FDeviceMm.width() * 1000,
                FDeviceMm.height() * 1000})
        + records;
}
