#include "imageio/PictureLoader.h"

#include "imageio/DecodeBudget.h"
#include "imageio/Picture.h"
#include "imageio/PictureDecode.h"
#include "imageio/PictureFormats.h"
#include "imageio/QtImageReader.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <stdexcept>

namespace {

// The decoder a file's first bytes ask for, as an image library that ignores the extension does.
PictureKind SniffKind(const QByteArray& bytes)
{
    auto startsWith = [&](const char* magic, qsizetype n) {
        return bytes.size() >= n && std::memcmp(bytes.constData(), magic, size_t(n)) == 0;
    };
    if (startsWith("GIF8", 4))
        return PictureKind::Gif;
    if (startsWith("BM", 2))
        return PictureKind::Bitmap;
    if (startsWith("\xFF\xD8", 2))
        return PictureKind::Jpeg;
    if (startsWith("\x00\x00\x01\x00", 4) || startsWith("\x00\x00\x02\x00", 4))
        return PictureKind::Icon;
    if (startsWith("\xD7\xCD\xC6\x9A", 4) || startsWith("\x01\x00\x09\x00", 4) || startsWith("\x02\x00\x09\x00", 4)
        || (startsWith("\x01\x00\x00\x00", 4) && bytes.size() >= 44 && bytes.mid(40, 4) == " EMF"))
        return PictureKind::Metafile;
    return SniffQtKind(bytes);
}

} // namespace

QByteArray ReadPictureFileBytes(const QString& path)
{
    auto fail = [&](const QString& reason) {
        throw std::runtime_error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason).toStdString());
    };
    // Opening a pipe waits for a writer, and a device like /dev/zero never ends: only regular files.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        fail(QStringLiteral("It is not a regular file."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(file.errorString());
    if (file.isSequential())
        fail(QStringLiteral("It is not a regular file."));
    if (file.size() > MaxPictureFileBytes)
        fail(QStringLiteral("It is larger than %1 GiB.").arg(MaxPictureFileBytes >> 30));
    QByteArray bytes = file.read(file.size());
    if (file.error() != QFileDevice::NoError)
        fail(file.errorString());
    return bytes;
}

void PaintAsFaceImage(TPicture& picture, TBitmap32& target)
{
    TBitmap32 result;
    if (auto* bitmap = dynamic_cast<TBitmapPicture*>(&picture)) {
        const bool alpha = bitmap->BitsPerPixel() == 32;
        result = bitmap->TakePixels();
        if (!alpha)
            result.ResetAlpha(255);
    } else if (auto* modern = dynamic_cast<TQtPicture*>(&picture)) {
        result = modern->TakePixels(); // keeps its alpha, as a 32-bit bitmap does
    } else {
        const QSize size = picture.Size();
        result.SetSize(size.width(), size.height());
        if (!result.Empty()) {
            picture.Draw(result);
            result.ResetAlpha(255);
        }
    }
    result.SetDrawMode(target.DrawMode());
    target = std::move(result);
}

bool DecodePicture(PictureKind kind, const QByteArray& bytes, TBitmap32& target)
{
    const std::unique_ptr<TPicture> picture = CreatePictureOfKind(kind);
    if (!picture)
        return false;
    picture->LoadFromBytes(bytes);
    PaintAsFaceImage(*picture, target);
    return true;
}

void LoadPictureFromFile(TBitmap32& target, const QString& path)
{
    const QString extension = ExtractExtension(path);
    const TPictureFormat* format = PictureFormats().Find(extension);
    if (!format)
        throw std::runtime_error(QStringLiteral("Unknown picture file extension (.%1)").arg(extension).toStdString());
    const QByteArray bytes = ReadPictureFileBytes(path);
    try {
        DecodePicture(format->Kind, bytes, target);
    } catch (const std::runtime_error& e) {
        // The decoder's own words, under the name of the file they are about.
        throw std::runtime_error(QStringLiteral("%1\r\n%2").arg(QFileInfo(path).fileName(), QString::fromUtf8(e.what())).toStdString());
    }
}

bool LoadWithGdiPlus(TBitmap32& target, const QString& path)
{
    try {
        const QByteArray bytes = ReadPictureFileBytes(path);
        const std::unique_ptr<TPicture> picture = CreatePictureOfKind(SniffKind(bytes));
        if (!picture)
            return false;
        picture->LoadFromBytes(bytes);
        const QSize size = picture->Size();
        TBitmap32 result(size.width(), size.height());
        picture->Draw(result);
        result.SetDrawMode(target.DrawMode());
        target = std::move(result);
        return true;
    } catch (const std::exception&) {
        return false; // not reported: the framework loader is tried next and reports its own failure
    }
}

void LoadPictureFile(TBitmap32& target, const QString& path)
{
    const PictureKind kind = PictureKindOf(ExtractExtension(path));
    if ((kind == PictureKind::Icon || kind == PictureKind::Metafile || kind == PictureKind::Gif)
        && LoadWithGdiPlus(target, path))
        return;
    LoadPictureFromFile(target, path);
}
