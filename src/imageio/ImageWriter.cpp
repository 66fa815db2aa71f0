#include "imageio/ImageWriter.h"

#include "imageio/GifImage.h"
#include "imageio/Picture.h"
#include "imageio/ProductName.h"

#include <QImageWriter>
#include <QSaveFile>
#include <functional>
#include <stdexcept>

namespace {

[[noreturn]] void CannotCreate(const QString& path)
{
    throw std::runtime_error(QStringLiteral("Cannot create file %1").arg(path).toStdString());
}

// Writes through a temporary file beside the target, renamed over it only after a complete write.
void WriteSafely(const QString& path, const std::function<void(QIODevice&)>& write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        CannotCreate(path);
    try {
        write(file);
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    if (!file.commit())
        CannotCreate(path);
}

} // namespace

void PrepareForSave(TPicture& writer, PictureKind kind)
{
    if (kind == PictureKind::Gif) {
        auto& gif = dynamic_cast<TGIFImage&>(writer);
        gif.Optimize(ooCrop | ooMerge | ooCleanup | ooColorMap);
        gif.AddComment(QByteArray("produced by ") + ProductNameVersion);
    } else if (kind == PictureKind::Jpeg) {
        dynamic_cast<TJPEGImage&>(writer).SetCompressionQuality(100);
    }
}

bool SaveWithPictureClass(PictureKind kind, const TBitmap32& picture, const QString& path)
{
    const std::unique_ptr<TPicture> writer = CreatePictureOfKind(kind);
    if (!writer || !writer->CanSave())
        return false;
    writer->Assign(picture);
    PrepareForSave(*writer, kind);
    WriteSafely(path, [&](QIODevice& device) { writer->SaveToDevice(device); });
    return true;
}

QByteArray FindEncoderByMime(const QString& mime)
{
    for (const QByteArray& type : QImageWriter::supportedMimeTypes())
        if (SameTextAscii(mime, QLatin1String(type))) {
            const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(type);
            if (!formats.isEmpty())
                return formats.first();
        }
    return {};
}

void SaveWithEncoder(const TBitmap32& picture, const QString& path, const QString& format)
{
    const QString mime = QStringLiteral("image/") + format;
    const QByteArray encoder = FindEncoderByMime(mime);
    if (encoder.isEmpty())
        throw std::runtime_error(QStringLiteral("No picture encoder for %1 is installed").arg(mime).toStdString());
    // Like the BMP writer, the fourth byte goes into the file as it is (here as alpha): a layer
    // keeps its transparency, and a capture of the screen is opaque anyway.
    const QImage image = picture.ToImage();
    WriteSafely(path, [&](QIODevice& device) {
        QImageWriter writer(&device, encoder);
        if (!writer.write(image))
            throw std::runtime_error(QStringLiteral("Cannot create file %1. %2").arg(path, writer.errorString()).toStdString());
    });
}

void WriteImageFile(const TBitmap32& picture, const QString& path)
{
    const QString extension = ExtractExtension(path);
    const PictureKind kind = PictureKindOf(extension);
    const bool writable = kind == PictureKind::Bitmap || kind == PictureKind::Gif || kind == PictureKind::Jpeg
        || kind == PictureKind::Png || kind == PictureKind::Tiff;
    if (!writable) {
        const QString what = extension.isEmpty() ? QStringLiteral("files without an extension") : QStringLiteral(".%1 files").arg(extension);
        throw std::runtime_error(
            QStringLiteral("Pictures cannot be saved as %1; use .gif, .jpg, .bmp, .tif or .png").arg(what).toStdString());
    }
    if (picture.Empty())
        throw std::runtime_error("Image is empty");
    if (kind == PictureKind::Png)
        SaveWithEncoder(picture, path, "png");
    else if (kind == PictureKind::Tiff)
        SaveWithEncoder(picture, path, "tiff");
    else
        SaveWithPictureClass(kind, picture, path);
}

TBitmap32 FlattenOnto(const TBitmap32& picture, TColor32 background, bool keepClear)
{
    TBitmap32 flat(picture.Width(), picture.Height());
    for (int y = 0; y < picture.Height(); ++y) {
        const TColor32* src = picture.ScanLine(y);
        TColor32* dst = flat.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x) {
            const int a = AlphaOf(src[x]);
            auto mix = [a](int c, int b) { return (c * a + b * (255 - a) + 127) / 255; };
            dst[x] = Color32(mix(RedOf(src[x]), RedOf(background)), mix(GreenOf(src[x]), GreenOf(background)),
                             mix(BlueOf(src[x]), BlueOf(background)), keepClear && a == 0 ? 0 : 255);
        }
    }
    return flat;
}

void WriteTransparentImageFile(const TBitmap32& picture, const QString& path, TColor32 background)
{
    const PictureKind kind = PictureKindOf(ExtractExtension(path));
    if (kind == PictureKind::Png || kind == PictureKind::Tiff) {
        WriteImageFile(picture, path);
    } else if (kind == PictureKind::Gif && !picture.Empty()) {
        TGIFImage gif;
        gif.AssignWithTransparency(FlattenOnto(picture, background, true));
        PrepareForSave(gif, kind);
        WriteSafely(path, [&](QIODevice& device) { gif.SaveToDevice(device); });
    } else {
        WriteImageFile(FlattenOnto(picture, background), path);
    }
}
