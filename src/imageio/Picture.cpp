#include "imageio/Picture.h"

#include "imageio/BmpReader.h"
#include "imageio/BmpWriter.h"
#include "imageio/GifImage.h"
#include "imageio/IconReader.h"
#include "imageio/JpegReader.h"
#include "imageio/JpegWriter.h"
#include "imageio/QtImageReader.h"
#include "imageio/metafile/TMetafile.h"

#include <QIODevice>
#include <QPainter>
#include <stdexcept>

namespace {
const uchar* Bytes(const QByteArray& bytes) { return reinterpret_cast<const uchar*>(bytes.constData()); }

void WriteAll(QIODevice& device, const QByteArray& bytes)
{
    if (device.write(bytes) != bytes.size())
        throw std::runtime_error(device.errorString().toStdString());
}
} // namespace

void TPicture::Assign(const TBitmap32&) { throw std::logic_error("This picture kind cannot be written"); }
void TPicture::SaveToDevice(QIODevice&) const { throw std::logic_error("This picture kind cannot be written"); }

void TRasterPicture::Draw(TBitmap32& target) const
{
    // Source-over onto the target's (non-premultiplied) pixels; fully transparent pixels paint
    // nothing.
    const int w = std::min(FPixels.Width(), target.Width());
    const int h = std::min(FPixels.Height(), target.Height());
    for (int y = 0; y < h; ++y) {
        const TColor32* src = FPixels.ScanLine(y);
        TColor32* dst = target.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            const TColor32 s = src[x];
            const int sa = AlphaOf(s);
            if (sa == 255) {
                dst[x] = s;
            } else if (sa != 0) {
                const TColor32 d = dst[x];
                const int da = AlphaOf(d) * (255 - sa) / 255;
                const int oa = sa + da;
                auto mix = [&](int sc, int dc) { return (sc * sa + dc * da + oa / 2) / oa; };
                dst[x] = Color32(mix(RedOf(s), RedOf(d)), mix(GreenOf(s), GreenOf(d)), mix(BlueOf(s), BlueOf(d)), oa);
            }
        }
    }
}

void TBitmapPicture::LoadFromBytes(const QByteArray& bytes)
{
    TBitmap32 pixels;
    const TDibInfo info = DecodeBmpFile(Bytes(bytes), bytes.size(), pixels);
    FPixels = std::move(pixels);
    FBitsPerPixel = info.BitsPerPixel;
}

void TBitmapPicture::Assign(const TBitmap32& picture)
{
    FPixels = picture;
    FBitsPerPixel = 32;
}

void TBitmapPicture::SaveToDevice(QIODevice& device) const { WriteAll(device, EncodeBmp(FPixels)); }

void TIconPicture::LoadFromBytes(const QByteArray& bytes) { DecodeIcon(Bytes(bytes), bytes.size(), FPixels); }

void TJPEGImage::LoadFromBytes(const QByteArray& bytes) { DecodeJpeg(Bytes(bytes), bytes.size(), FPixels); }

void TJPEGImage::Assign(const TBitmap32& picture) { FPixels = picture; }

void TJPEGImage::SaveToDevice(QIODevice& device) const { WriteAll(device, EncodeJpeg(FPixels, FQuality)); }

void TQtPicture::LoadFromBytes(const QByteArray& bytes) { DecodeWithQt(bytes, FFormat, FPixels); }

TMetafilePicture::TMetafilePicture() : FMetafile(std::make_unique<TMetafile>()) {}
TMetafilePicture::~TMetafilePicture() = default;

void TMetafilePicture::LoadFromBytes(const QByteArray& bytes) { FMetafile->Load(bytes); }

QSize TMetafilePicture::Size() const { return FMetafile->Empty() ? QSize() : FMetafile->Size(); }

void TMetafilePicture::Draw(TBitmap32& target) const
{
    if (target.Empty())
        return;
    QImage view = target.ImageView();
    QPainter painter(&view);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSize size = Size();
    FMetafile->Draw(painter, QRectF(0, 0, size.width(), size.height()));
}

std::unique_ptr<TPicture> CreatePictureOfKind(PictureKind kind)
{
    switch (kind) {
    case PictureKind::Bitmap:
        return std::make_unique<TBitmapPicture>();
    case PictureKind::Icon:
        return std::make_unique<TIconPicture>();
    case PictureKind::Metafile:
        return std::make_unique<TMetafilePicture>();
    case PictureKind::Gif:
        return std::make_unique<TGIFImage>();
    case PictureKind::Jpeg:
        return std::make_unique<TJPEGImage>();
    case PictureKind::Png:
        return std::make_unique<TQtPicture>("png");
    case PictureKind::Tiff:
        return std::make_unique<TQtPicture>("tiff");
    case PictureKind::WebP:
        return std::make_unique<TQtPicture>("webp");
    case PictureKind::None:
        break;
    }
    return nullptr;
}
