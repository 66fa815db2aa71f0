#include "imageio/BmpWriter.h"

#include <cstring>

namespace {
void Put16(uchar*& p, uint32_t v)
{
    p[0] = uchar(v);
    p[1] = uchar(v >> 8);
    p += 2;
}
void Put32(uchar*& p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uchar(v >> (8 * i));
    p += 4;
}
} // namespace

QByteArray EncodeBmp(const TBitmap32& picture)
{
    constexpr uint32_t HeadersSize = 14 + 40;
    const uint32_t imageSize = uint32_t(picture.Width()) * uint32_t(picture.Height()) * 4;
    QByteArray out(qsizetype(HeadersSize + imageSize), Qt::Uninitialized);
    uchar* p = reinterpret_cast<uchar*>(out.data());
    *p++ = 'B';
    *p++ = 'M';
    Put32(p, HeadersSize + imageSize);
    Put32(p, 0); // reserved
    Put32(p, HeadersSize);
    Put32(p, 40);
    Put32(p, uint32_t(picture.Width()));
    Put32(p, uint32_t(picture.Height())); // positive: bottom-up
    Put16(p, 1);
    Put16(p, 32);
    Put32(p, 0); // BI_RGB
    Put32(p, imageSize);
    Put32(p, 0);
    Put32(p, 0);
    Put32(p, 0);
    Put32(p, 0);
    // TColor32 is B, G, R, A in little-endian memory, exactly the DIB's byte order.
    for (int y = picture.Height() - 1; y >= 0; --y) {
        const TColor32* line = picture.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x)
            Put32(p, line[x]);
    }
    return out;
}
