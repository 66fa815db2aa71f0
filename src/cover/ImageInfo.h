#pragma once
// One face image of a cover document, held as the bytes of its picture file twice: as first
// loaded (the original) and as currently held (the working copy, the face's base picture).

#include "imageio/PictureKind.h"
#include "raster/TBitmap32.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

class TImageInfo {
public:
    uint8_t FaceIndex = 0;                        // 0 front, 1 side (spine), 2 top, 3 back
    PictureKind OriginalKind = PictureKind::None; // kind of the original bytes
    PictureKind CurrentKind = PictureKind::None;  // kind of the working bytes
    QString FileName;                             // the file the original came from
    QByteArray Current;                           // working image bytes
    QByteArray Original;                          // original image bytes

    explicit TImageInfo(int faceIndex) : FaceIndex(uint8_t(faceIndex)) {}

    // The original holds at least one byte (it may still not decode).
    bool HasImage() const { return !Original.isEmpty(); }

    // Loads path as the original when it names an existing file. Otherwise the face is left
    // unchanged and, when reportMissing is set, the missing-file message is reported
    // (MissingFile.h). Throws std::runtime_error when the existing file cannot be read.
    void LoadFromFile(const QString& path, bool reportMissing);
    // Reads the file into the working bytes, with the kind of its extension (an unknown
    // extension gives kind None: the bytes are held but decode to nothing); asOriginal also makes
    // them the original and remembers the path. Throws std::runtime_error with a readable message
    // when the file cannot be read; the face is then unchanged.
    void LoadFile(const QString& path, bool asOriginal);

    // Decodes the original (or the working) bytes. Null when the kind has no decoder or the bytes
    // do not decode; no message is shown.
    std::unique_ptr<TBitmap32> GetGraphic(bool original) const;

    // Working copy := original.
    void Revert();
    // No working picture: kind None, no bytes.
    void ClearCurrent();
    // The working copy becomes the bitmap as a 32-bit BMP file image (kind Bitmap). An empty
    // bitmap clears the working copy instead, as a BMP of no pixels would not decode.
    void StoreBitmap(const TBitmap32& bitmap);
};
