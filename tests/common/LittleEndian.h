#pragma once
// Little-endian packing for the hand-built file headers and records of the tests.
#include <QByteArray>
#include <cstdint>
#include <cstring>
#include <initializer_list>

inline void PutU16(QByteArray& out, uint16_t v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

inline void PutU32(QByteArray& out, uint32_t v)
{
    PutU16(out, uint16_t(v & 0xFFFF));
    PutU16(out, uint16_t(v >> 16));
}

inline void PutF32(QByteArray& out, float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    PutU32(out, bits);
}

// Runs of values, each cut to its width.
inline QByteArray U16s(std::initializer_list<int64_t> values)
{
    QByteArray b;
    for (int64_t v : values)
        PutU16(b, uint16_t(v));
    return b;
}

inline QByteArray U32s(std::initializer_list<int64_t> values)
{
    QByteArray b;
    for (int64_t v : values)
        PutU32(b, uint32_t(v));
    return b;
}
