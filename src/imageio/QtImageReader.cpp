#include "imageio/QtImageReader.h"

#include "imageio/DecodeBudget.h"

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

// libpng allocates an ancillary chunk whole, at the length its header claims. A chunk claiming
// more than the file holds is damage; only the picture data itself may be cut short (viewers show
// the rows that arrived).
bool PngChunksFit(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    for (qsizetype at = 8; at + 8 <= bytes.size();) {
        const uint32_t length = uint32_t(p[at]) << 24 | uint32_t(p[at + 1]) << 16 | uint32_t(p[at + 2]) << 8 | p[at + 3];
        const bool pictureData = std::memcmp(p + at + 4, "IDAT", 4) == 0;
        if (int64_t(length) + 12 > bytes.size() - at)
            return pictureData;
        at += qsizetype(length) + 12;
    }
    return true;
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
    if (std::strcmp(format, "png") == 0 && !PngChunksFit(bytes))
        Invalid(format, QStringLiteral("a chunk runs past the end of the file"));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid())
        Invalid(format, reader.errorString());
    CheckBitmapSize(size.width(), size.height());
    CheckDeclaredSize(size.width(), size.height(), bytes.size(), PluginPixelsPerByte, Describe(format).toStdString() + " image is not valid");
    // Qt's plugins allocate the whole picture first (they leave it untouched until the data
    // arrives), so a header beyond the budget must be backed by data. Qt's own limit only has to
    // let through what these checks allowed, at up to 8 bytes a pixel (16-bit channels).
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
