#pragma once
// Little-endian reading of metafile bytes that never steps outside the bytes it was given.
// A read past the end throws TMetaTruncated, which the players take as a damaged record.

#include <QtGlobal>
#include <cstdint>
#include <cstring>

struct TMetaTruncated {};

class TMetaStream {
public:
    TMetaStream() = default;
    TMetaStream(const uchar* data, size_t size) : FData(data), FSize(size) {}

    size_t Size() const { return FSize; }
    size_t Pos() const { return FPos; }
    size_t Remaining() const { return FSize - FPos; }
    const uchar* Data() const { return FData; }
    const uchar* Current() const { return FData + FPos; }

    // Throws unless count items of itemSize bytes are left; counts come from the file and are
    // checked this way before anything is allocated for them.
    void Need(uint64_t count, uint64_t itemSize = 1) const
    {
        if (itemSize != 0 && count > Remaining() / itemSize)
            throw TMetaTruncated{};
    }
    void Skip(size_t n)
    {
        Need(n);
        FPos += n;
    }
    void Seek(size_t pos)
    {
        if (pos > FSize)
            throw TMetaTruncated{};
        FPos = pos;
    }
    // A view of n bytes from here, advancing past them.
    TMetaStream Sub(size_t n)
    {
        Need(n);
        TMetaStream s(FData + FPos, n);
        FPos += n;
        return s;
    }

    uint8_t U8()
    {
        Need(1);
        return FData[FPos++];
    }
    uint16_t U16()
    {
        Need(2);
        uint16_t v = uint16_t(FData[FPos] | (FData[FPos + 1] << 8));
        FPos += 2;
        return v;
    }
    int16_t I16() { return int16_t(U16()); }
    uint32_t U32()
    {
        Need(4);
        uint32_t v = uint32_t(FData[FPos]) | (uint32_t(FData[FPos + 1]) << 8) | (uint32_t(FData[FPos + 2]) << 16)
            | (uint32_t(FData[FPos + 3]) << 24);
        FPos += 4;
        return v;
    }
    int32_t I32() { return int32_t(U32()); }
    float F32()
    {
        uint32_t bits = U32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

private:
    const uchar* FData = nullptr;
    size_t FSize = 0;
    size_t FPos = 0;
};
