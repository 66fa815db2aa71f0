#include "cover/ImageInfo.h"

#include "cover/MissingFile.h"
#include "imageio/BmpWriter.h"
#include "imageio/PictureDecode.h"
#include "imageio/PictureFormats.h"
#include "imageio/PictureLoader.h"

#include <stdexcept>

void TImageInfo::LoadFromFile(const QString& path, bool reportMissing)
{
    if (path.isEmpty())
        return;
    if (FaceFileExists(path, reportMissing))
        LoadFile(path, true);
}

void TImageInfo::LoadFile(const QString& path, bool asOriginal)
{
    QByteArray bytes = ReadPictureFileBytes(path);
    CurrentKind = LoaderKindOf(path);
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
    Current = EncodeBmp(bitmap);
    CurrentKind = PictureKind::Bitmap;
}
