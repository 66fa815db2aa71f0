#pragma once
// Little-endian runs of values for the hand-built headers and records of the picture tests.
#include "common/LittleEndian.h"

#include <initializer_list>

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
