#pragma once
// PNG files built chunk by chunk, for tests that need a header to say what the data does not.
#include <QByteArray>
#include <QtEndian>
#include <zlib.h>

inline QByteArray BigEndian32(uint32_t v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

inline QByteArray PngChunk(const char* type, const QByteArray& data)
{
    const QByteArray body = QByteArray(type, 4) + data;
    return BigEndian32(uint32_t(data.size())) + body
           + BigEndian32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
}

// A zlib stream of raw at the given level (Qt's length prefix left out).
inline QByteArray Deflated(const QByteArray& raw, int level) { return qCompress(raw, level).mid(4); }

// A PNG of w x h pixels at depth bits of colour type colourType (0 grey, 2 RGB, 6 RGBA) with the
// given zlib stream as its only IDAT, other chunks before it.
inline QByteArray CraftedPng(int w, int h, int depth, int colourType, const QByteArray& zlibStream, const QByteArray& before = {})
{
    const QByteArray ihdr = BigEndian32(uint32_t(w)) + BigEndian32(uint32_t(h)) + char(depth) + char(colourType) + QByteArray(3, '\0');
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + PngChunk("IHDR", ihdr) + before + PngChunk("IDAT", zlibStream) + PngChunk("IEND", {});
}

// A 1-bit greyscale PNG whose rows are all zero (black), deflated as tightly as zlib can.
inline QByteArray TightOneBitPng(int w, int h)
{
    return CraftedPng(w, h, 1, 0, Deflated(QByteArray(qsizetype(h) * (1 + (w + 7) / 8), '\0'), 9));
}
