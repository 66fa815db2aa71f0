#include "FuzzTargets.h"

#include "imageio/BmpReader.h"
#include "imageio/GifReader.h"
#include "imageio/IconReader.h"
#include "imageio/JpegReader.h"
#include "imageio/PictureKind.h"
#include "imageio/QtImageReader.h"
#include "imageio/metafile/TMetafile.h"

#include <QImage>
#include <QPainter>
#include <map>
#include <stdexcept>

namespace {

QByteArray Bytes(const uint8_t* data, size_t size) { return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)); }

} // namespace

const TFuzzTargets& ImageFuzzTargets()
{
    static const TFuzzTargets targets = {
        {"bmp", [](const uint8_t* d, size_t n) {
             TBitmap32 out;
             try {
                 DecodeBmpFile(d, qsizetype(n), out);
             } catch (const std::runtime_error&) {
             }
             DecodeDib(d, qsizetype(n), out); // the packed form, as icons and metafiles hold it
         }},
        {"ico", [](const uint8_t* d, size_t n) { TBitmap32 out; DecodeIcon(d, qsizetype(n), out); }},
        {"gif", [](const uint8_t* d, size_t n) { TBitmap32 out; DecodeGif(d, qsizetype(n), out); }},
        {"jpeg", [](const uint8_t* d, size_t n) { TBitmap32 out; DecodeJpeg(d, qsizetype(n), out); }},
        {"metafile", [](const uint8_t* d, size_t n) {
             TMetafile metafile;
             metafile.Load(Bytes(d, n));
             // Every record plays onto a small picture: the records are what is fuzzed here.
             QImage target(64, 64, QImage::Format_ARGB32);
             target.fill(0);
             QPainter painter(&target);
             metafile.Draw(painter, QRectF(0, 0, 64, 64));
         }},
        {"qtimage", [](const uint8_t* d, size_t n) {
             const QByteArray bytes = Bytes(d, n);
             static const std::map<PictureKind, const char*> formats = {
                 {PictureKind::Png, "png"}, {PictureKind::Tiff, "tiff"}, {PictureKind::WebP, "webp"}};
             const auto format = formats.find(SniffQtKind(bytes));
             TBitmap32 out;
             DecodeWithQt(bytes, format != formats.end() ? format->second : "png", out);
         }},
    };
    return targets;
}
