#include "cover/ImageInfo.h"

#include "cover/MissingFile.h"
#include "imageio/PictureDecode.h"

#include <QFile>
#include <QtEndian>
#include <stdexcept>

namespace {
// Face files are held in memory; anything larger than this is no picture the program can use.
constexpr qint64 MaxFaceFileBytes = qint64(512) << 20;

QByteArray ReadFaceFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()).toStdString());
    if (file.size() > MaxFaceFileBytes)
        throw std::runtime_error(QStringLiteral("The file \"%1\" is too large for a face image").arg(path).toStdString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()).toStdString());
    return bytes;
}

template <typename T>
void Put(QByteArray& out, qsizetype offset, T value)
{
    qToLittleEndian(value, out.data() + offset);
}
} // namespace

void TImageInfo::LoadFromFile(const QString& path, bool reportMissing)
{
    if (path.isEmpty())
        return;
    if (FaceFileExists(path, reportMissing))
        LoadFile(path, true);
}

void TImageInfo::LoadFile(const QString& path, bool asOriginal)
{
    QByteArray bytes = ReadFaceFile(path);
    CurrentKind = PictureKindOf(ExtractExtension(path));
    Current = std::move(bytes);
    if (asOriginal) {
        OriginalKind = CurrentKind;
        FileName = path;
        Original = Current;
    }
}

std::unique_ptr<TBitmap32> TImageInfo::GetGraphic(bool original) const
{
    const PictureKind kind = original ? OriginalKind : CurrentKind;
    const QByteArray& bytes = original ? Original : Current;
    auto picture = std::make_unique<TBitmap32>();
    try {
        if (!DecodePicture(kind, bytes, *picture))
            return nullptr;
    } catch (const std::exception&) {
        return nullptr; // bytes that do not decode give no picture, without a message
    }
    return picture;
}

void TImageInfo::Revert()
{
    CurrentKind = OriginalKind;
    Current = Original;
}

void TImageInfo::ClearCurrent()
{
    CurrentKind = PictureKind::None;
    Current.clear();
}

void TImageInfo::StoreBitmap(const TBitmap32& bitmap)
{
    if (bitmap.Empty()) {
        ClearCurrent();
        return;
    }
    Current = BmpFileImage(bitmap);
    CurrentKind = PictureKind::Bitmap;
}

QByteArray BmpFileImage(const TBitmap32& bitmap)
{
    constexpr int FileHeaderSize = 14, InfoHeaderSize = 40, PixelsPerMetre = 3780; // 96 per inch
    const qsizetype rowBytes = qsizetype(bitmap.Width()) * 4;
    const qsizetype pixelBytes = rowBytes * bitmap.Height();
    QByteArray out(FileHeaderSize + InfoHeaderSize + pixelBytes, '\0');
    out[0] = 'B';
    out[1] = 'M';
    Put<quint32>(out, 2, quint32(out.size()));
    Put<quint32>(out, 10, FileHeaderSize + InfoHeaderSize);
    Put<quint32>(out, 14, InfoHeaderSize);
    Put<qint32>(out, 18, bitmap.Width());
    Put<qint32>(out, 22, bitmap.Height()); // positive: rows stored bottom-up
    Put<quint16>(out, 26, 1);              // planes
    Put<quint16>(out, 28, 32);             // bits per pixel, BI_RGB (0) at 30
    Put<quint32>(out, 34, quint32(pixelBytes));
    Put<qint32>(out, 38, PixelsPerMetre);
    Put<qint32>(out, 42, PixelsPerMetre);
    char* pixels = out.data() + FileHeaderSize + InfoHeaderSize;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const TColor32* line = bitmap.ScanLine(bitmap.Height() - 1 - y);
        for (int x = 0; x < bitmap.Width(); ++x)
            qToLittleEndian<quint32>(line[x], pixels + y * rowBytes + x * 4);
    }
    return out;
}
