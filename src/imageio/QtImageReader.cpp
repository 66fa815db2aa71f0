#include "imageio/QtImageReader.h"

#include "imageio/DecodeBudget.h"
#include "imageio/Orientation.h"
#include "imageio/PluginPictureData.h"

#include <QBuffer>
#include <QImageReader>
#include <cstring>
#include <stdexcept>

namespace {

PictureKind KindOf(const char* format)
{
    if (std::strcmp(format, "png") == 0)
        return PictureKind::Png;
    if (std::strcmp(format, "tiff") == 0)
        return PictureKind::Tiff;
    return PictureKind::WebP;
}

std::string Describe(const char* format)
{
    switch (KindOf(format)) {
    case PictureKind::Png:
        return "PNG";
    case PictureKind::Tiff:
        return "TIFF";
    default:
        return "WebP";
    }
}

[[noreturn]] void Invalid(const char* format, const QString& reason)
{
    std::string message = Describe(format) + " image is not valid";
    if (!reason.isEmpty())
        message += " (" + reason.toStdString() + ")";
    throw std::runtime_error(message);
}

// A reader over bytes that stay alive as long as it does.
class TPluginReader {
public:
    TPluginReader(const QByteArray& bytes, const char* format)
        : FBytes(KindOf(format) == PictureKind::Png ? WithoutLargePngText(bytes) : bytes), FBuffer(&FBytes)
    {
        FBuffer.open(QIODevice::ReadOnly);
        FReader.setDevice(&FBuffer);
        FReader.setFormat(format);
        // The orientation is applied while the pixels are copied, not on a copy of Qt's picture.
        FReader.setAutoTransform(false);
        FReader.setAllocationLimit(QtAllocationLimitMiB);
    }
    QImageReader& operator*() { return FReader; }
    QImageReader* operator->() { return &FReader; }

private:
    QByteArray FBytes;
    QBuffer FBuffer;
    QImageReader FReader;
};

TOrientation OrientationOf(QImageIOHandler::Transformations t)
{
    switch (int(t)) {
    case QImageIOHandler::TransformationMirror: return TOrientation::Mirrored;
    case QImageIOHandler::TransformationRotate180: return TOrientation::HalfTurn;
    case QImageIOHandler::TransformationFlip: return TOrientation::Flipped;
    case QImageIOHandler::TransformationFlipAndRotate90: return TOrientation::Transposed;
    case QImageIOHandler::TransformationRotate90: return TOrientation::QuarterTurnRight;
    case QImageIOHandler::TransformationMirrorAndRotate90: return TOrientation::Transverse;
    case QImageIOHandler::TransformationRotate270: return TOrientation::QuarterTurnLeft;
    default: return TOrientation::Upright;
    }
}

// Qt's picture in any format into target (of the oriented size), a band of rows at a time, so
// that the copy costs the 32-bit result and one band, never a converted whole.
void CopyOriented(const QImage& image, TOrientation orientation, TBitmap32& target)
{
    constexpr int BandRows = 32;
    const int w = image.width(), h = image.height();
    for (int y = 0; y < h; y += BandRows) {
        const int n = std::min(BandRows, h - y);
        QImage band(image.constScanLine(y), w, n, image.bytesPerLine(), image.format());
        band.setColorTable(image.colorTable());
        const QImage argb = band.convertToFormat(QImage::Format_ARGB32);
        PlaceOrientedRows(reinterpret_cast<const TColor32*>(argb.constBits()), w, h, y, n, orientation, target);
    }
}

} // namespace

PictureKind SniffQtKind(const QByteArray& bytes)
{
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return PictureKind::Png;
    if (bytes.startsWith(QByteArray("II*\0", 4)) || bytes.startsWith(QByteArray("MM\0*", 4)))
        return PictureKind::Tiff;
    if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return PictureKind::WebP;
    return PictureKind::None;
}

TQtPictureClaim ExamineWithQt(const QByteArray& bytes, const char* format)
{
    const PictureKind kind = KindOf(format);
    if (kind == PictureKind::Png && !PngChunksFit(bytes))
        Invalid(format, QStringLiteral("a chunk runs past the end of the file"));
    TPluginReader reader(bytes, format);
    const QSize size = reader->size();
    if (!size.isValid())
        Invalid(format, reader->errorString());
    CheckBitmapSize(size.width(), size.height());
    return {size, PaintablePixels(bytes, kind, size.width())};
}

bool DecodeWithQt(const QByteArray& bytes, const char* format, TBitmap32& target)
{
    // Qt's plugins allocate the whole picture first (they leave it untouched until the data
    // arrives), so a header beyond the budget must be backed by picture data.
    const TQtPictureClaim claim = ExamineWithQt(bytes, format);
    CheckPaintable(claim.Size.width(), claim.Size.height(), claim.PaintablePixels, Describe(format) + " image is not valid");
    TPluginReader reader(bytes, format);
    // Qt reads the TIFF orientation; WebP's EXIF chunk it leaves alone.
    const TOrientation orientation =
        KindOf(format) == PictureKind::WebP ? ExifOrientation(WebPExif(bytes)) : OrientationOf(reader->transformation());
    QImage image;
    if (!reader->read(&image) || image.isNull())
        Invalid(format, reader->errorString());
    const bool alpha = image.hasAlphaChannel();
    const QSize shown = OrientedSize(image.size(), orientation);
    TBitmap32 picture(shown.width(), shown.height());
    CopyOriented(image, orientation, picture);
    target = std::move(picture);
    return alpha;
}
