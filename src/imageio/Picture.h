#pragma once
// Picture objects, one class per picture kind: they decode file bytes, paint themselves onto a
// TBitmap32, and (bitmap, GIF, JPEG) take a 32-bit picture and write it as a file.

#include "imageio/PictureKind.h"
#include "raster/TBitmap32.h"

#include <QByteArray>
#include <QSize>
#include <memory>

class QIODevice;

class TPicture {
public:
    virtual ~TPicture() = default;
    // Throws std::runtime_error with the decoder's message; the picture is unchanged then.
    virtual void LoadFromBytes(const QByteArray& bytes) = 0;
    virtual QSize Size() const = 0;
    bool Empty() const { return Size().isEmpty(); }
    // Paints the picture over target's rectangle (0, 0, width, height); pixels it does not paint
    // keep their value.
    virtual void Draw(TBitmap32& target) const = 0;

    // Writing: only the bitmap, GIF and JPEG pictures can. Assign takes a 32-bit picture.
    virtual bool CanSave() const { return false; }
    virtual void Assign(const TBitmap32& picture);
    // Throws std::runtime_error with the writer's message.
    virtual void SaveToDevice(QIODevice& device) const;
};

// A picture held as decoded pixels whose alpha says which pixels it paints.
class TRasterPicture : public TPicture {
public:
    QSize Size() const override { return FPixels.Size(); }
    void Draw(TBitmap32& target) const override;
    const TBitmap32& Pixels() const { return FPixels; }
    // The pixels moved out (the picture is empty afterwards): a large picture is never copied.
    TBitmap32 TakePixels() { return std::move(FPixels); }

protected:
    TBitmap32 FPixels;
};

// The device bitmap: a BMP file. The loader copies its pixels rather than painting them.
class TBitmapPicture : public TRasterPicture {
public:
    void LoadFromBytes(const QByteArray& bytes) override;
    int BitsPerPixel() const { return FBitsPerPixel; }
    bool CanSave() const override { return true; }
    void Assign(const TBitmap32& picture) override;
    void SaveToDevice(QIODevice& device) const override;

private:
    int FBitsPerPixel = 32;
};

class TIconPicture : public TRasterPicture {
public:
    void LoadFromBytes(const QByteArray& bytes) override;
};

class TJPEGImage : public TRasterPicture {
public:
    void LoadFromBytes(const QByteArray& bytes) override;
    int CompressionQuality() const { return FQuality; }
    void SetCompressionQuality(int quality) { FQuality = quality; }
    bool CanSave() const override { return true; }
    void Assign(const TBitmap32& picture) override;
    void SaveToDevice(QIODevice& device) const override;

private:
    int FQuality = 90;
};

// PNG, TIFF and WebP, read through Qt's image plugins. Like a bitmap, the loader copies its pixels,
// which keep the file's alpha.
class TQtPicture : public TRasterPicture {
public:
    explicit TQtPicture(const char* format) : FFormat(format) {}
    void LoadFromBytes(const QByteArray& bytes) override;

private:
    const char* FFormat;
};

class TMetafile;
class TMetafilePicture : public TPicture {
public:
    TMetafilePicture();
    ~TMetafilePicture() override;
    void LoadFromBytes(const QByteArray& bytes) override;
    QSize Size() const override;
    void Draw(TBitmap32& target) const override;

private:
    std::unique_ptr<TMetafile> FMetafile;
};

// An empty picture object of the kind's class; none for kind None.
std::unique_ptr<TPicture> CreatePictureOfKind(PictureKind kind);
