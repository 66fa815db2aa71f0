#include "TestPictures.h"

#include <QBuffer>
#include <QImageReader>
#include <cmath>
#include <limits>
#include <stdexcept>

TBitmap32 RampPicture(int width, int height, bool withAlpha)
{
    TBitmap32 b(width, height);
    const int w = std::max(1, width - 1), h = std::max(1, height - 1), d = std::max(1, width + height - 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.SetPixel(x, y, Color32(x * 255 / w, y * 255 / h, (x + y) * 255 / d, withAlpha ? x * 255 / w : 255));
    return b;
}

int MaxDifference(const TBitmap32& a, const TBitmap32& b, bool compareAlpha)
{
    if (a.Size() != b.Size())
        return 256;
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const TColor32 p = a.Pixel(x, y), q = b.Pixel(x, y);
            worst = std::max({worst, std::abs(RedOf(p) - RedOf(q)), std::abs(GreenOf(p) - GreenOf(q)), std::abs(BlueOf(p) - BlueOf(q)),
                              compareAlpha ? std::abs(AlphaOf(p) - AlphaOf(q)) : 0});
        }
    return worst;
}

TBitmap32 QtDecode(const QByteArray& bytes, const char* format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(true); // the picture as shown, as ours come out
    const QImage image = reader.read();
    if (image.isNull())
        throw std::runtime_error("Qt could not read the reference picture: " + reader.errorString().toStdString());
    TBitmap32 out;
    out.Assign(image.convertToFormat(QImage::Format_ARGB32));
    return out;
}
