#pragma once
// Builds WMF and EMF files record by record for the tests.

#include "common/LittleEndian.h"

#include <QColor>
#include <QRect>
#include <vector>

inline uint32_t ColorRef(QColor c) { return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16; }

// A bottom-up 24-bit packed DIB (BITMAPINFOHEADER + rows); rows[0] is the top row.
QByteArray Dib24(const std::vector<std::vector<QColor>>& rows);

class TWmfWriter {
public:
    // Placeable: the 22-byte header with bounding box and units per inch comes first.
    explicit TWmfWriter(bool placeable = true, QRect box = QRect(0, 0, 100, 100), int inch = 96);
    // A record whose parameters are 16-bit words, in file order.
    TWmfWriter& Words(uint16_t function, std::initializer_list<int64_t> words) { return Raw(function, U16s(words)); }
    // A record with raw parameter bytes (padded to a whole word).
    TWmfWriter& Raw(uint16_t function, const QByteArray& params);
    TWmfWriter& Pen(int style, int width, QColor color) { return Raw(0x02FA, U16s({style, width, 0}) + U32s({ColorRef(color)})); }
    TWmfWriter& Brush(int style, QColor color, int hatch = 0) { return Raw(0x02FC, U16s({style}) + U32s({ColorRef(color)}) + U16s({hatch})); }
    TWmfWriter& Select(int index) { return Words(0x012D, {index}); }
    TWmfWriter& Rectangle(int left, int top, int right, int bottom) { return Words(0x041B, {bottom, right, top, left}); }
    TWmfWriter& Polygon(const std::vector<QPoint>& points);
    // Appends raw bytes (for damaged files).
    TWmfWriter& Bytes(const QByteArray& bytes) { FRecords.append(bytes); return *this; }
    QByteArray File() const; // with the EOF record

private:
    QByteArray FHeader;
    QByteArray FRecords;
};

class TEmfWriter {
public:
    // frame: hundredths of a millimetre; the reference device has devicePx pixels over deviceMm.
    explicit TEmfWriter(QRect frame = QRect(0, 0, 2540, 2540), QSize devicePx = QSize(960, 960), QSize deviceMm = QSize(254, 254))
        : FFrame(frame), FDevicePx(devicePx), FDeviceMm(deviceMm) {}
    // A record whose parameters are 32-bit values, in file order.
    TEmfWriter& Ints(uint32_t type, std::initializer_list<int64_t> values) { return Raw(type, U32s(values)); }
    TEmfWriter& Raw(uint32_t type, const QByteArray& params);
    TEmfWriter& Brush(int index, int style, QColor color, int hatch = 0) { return Ints(39, {index, style, ColorRef(color), hatch}); }
    TEmfWriter& Pen(int index, int style, int width, QColor color) { return Ints(38, {index, style, width, 0, ColorRef(color)}); }
    TEmfWriter& Select(uint32_t index) { return Ints(37, {index}); }
    TEmfWriter& Rectangle(int left, int top, int right, int bottom) { return Ints(43, {left, top, right, bottom}); }
    TEmfWriter& WorldTransform(float m11, float m12, float m21, float m22, float dx, float dy);
    QByteArray File() const; // with the EOF record

private:
    QRect FFrame;
    QSize FDevicePx, FDeviceMm;
    QByteArray FRecords;
    int FCount = 0;
};
