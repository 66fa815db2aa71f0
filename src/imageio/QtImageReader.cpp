#include "imageio/QtImageReader.h"

#include <QBuffer>
#include <QImageReader>
#include <cstring>
#include <stdexcept>

namespace {

QByteArray Describe(const char* format)
{
    if (std::strcmp(format, "png") == 0)
        return "PNG";
    if (std::strcmp(format, "tiff") == 0)
        return "TIFF";
    return "WebP";
}

[[noreturn]] void Invalid(const char* format, const QString& reason)
{
    QByteArray message = Describe(format) + " image is not valid";
    if (!reason.isEmpty())
        message += " (" + reason.toUtf8() + ")";
    throw std::runtime_error(message.toStdString());
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

bool DecodeWithQt(const QByteArray& bytes, const char* format, TBitmap32& target)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid())
        Invalid(format, reader.errorString());
    CheckBitmapSize(size.width(), size.height());
    // Qt's plugins allocate the picture without touching it and fail as soon as the data runs out,
    // so a file that lies about its size costs what its data is worth. The limit only has to let
    // through what the size check allowed, at up to 8 bytes a pixel (16-bit channels).
    reader.setAllocationLimit(int(TBitmap32::MaxPixels * 8 / (1024 * 1024)) + 1);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        Invalid(format, reader.errorString());
    const bool alpha = image.hasAlphaChannel();
    TBitmap32 picture;
    picture.Assign(image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32));
    target = std::move(picture);
    return alpha;
}
