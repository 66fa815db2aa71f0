#include "printcover/PictureDpi.h"

#include <QtEndian>

namespace {

uint16_t Be16(const QByteArray& b, qsizetype at) { return qFromBigEndian<uint16_t>(b.constData() + at); }
uint32_t Be32(const QByteArray& b, qsizetype at) { return qFromBigEndian<uint32_t>(b.constData() + at); }

// APP0 "JFIF\0": version (2 bytes), units (0 aspect only, 1 per inch, 2 per centimetre), X and Y.
std::optional<double> JfifDpi(const QByteArray& f)
{
    qsizetype at = 2;
    while (at + 4 <= f.size() && uchar(f[at]) == 0xFF) {
        const int marker = uchar(f[at + 1]);
        const qsizetype length = Be16(f, at + 2);
        if (marker == 0xDA || length < 2) // image data: no header follows
            break;
        if (marker == 0xE0 && length >= 14 && at + 4 + 12 <= f.size() && f.mid(at + 4, 5) == QByteArray("JFIF", 5)) {
            const int units = uchar(f[at + 11]);
            const double x = Be16(f, at + 12);
            if (x > 0 && units == 1)
                return x;
            if (x > 0 && units == 2)
                return x * 2.54;
            return std::nullopt;
        }
        at += 2 + length;
    }
    return std::nullopt;
}

// pHYs: X and Y pixels per unit (4 bytes each), unit 1 = metre, 0 = aspect only.
std::optional<double> PngDpi(const QByteArray& f)
{
    qsizetype at = 8;
    while (at + 8 <= f.size()) {
        const qsizetype length = Be32(f, at);
        const QByteArray type = f.mid(at + 4, 4);
        if (type == "pHYs" && length >= 9 && at + 8 + 9 <= f.size()) {
            const double x = Be32(f, at + 8);
            if (uchar(f[at + 16]) == 1 && x > 0)
                return x * 0.0254;
            return std::nullopt;
        }
        if (type == "IDAT" || type == "IEND" || length > f.size())
            break;
        at += 12 + length;
    }
    return std::nullopt;
}

} // namespace

std::optional<double> DeclaredDpi(const QByteArray& file)
{
    if (file.startsWith("\xFF\xD8"))
        return JfifDpi(file);
    if (file.startsWith("\x89PNG\r\n\x1A\n"))
        return PngDpi(file);
    return std::nullopt;
}
