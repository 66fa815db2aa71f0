#pragma once
// Little-endian packing for the hand-built file headers and records of the tests.
#include <QByteArray>
#include <cstdint>
#include <cstring>

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

// The picture tests' names for the same.
inline void Put16(QByteArray& out, int v) { PutU16(out, uint16_t(v)); }
inline void Put32(QByteArray& out, uint32_t v) { PutU32(out, v); }
