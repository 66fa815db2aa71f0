#include "export/WebpAnimation.h"

#include <QString>
#include <stdexcept>
#include <webp/encode.h>
#include <webp/mux.h>

TWebpAnimationWriter::TWebpAnimationWriter(QSize size, const TWebpAnimationOptions& options)
    : FSize(size), FOptions(options)
{
    WebPAnimEncoderOptions o;
    if (!WebPAnimEncoderOptionsInit(&o))
        throw std::runtime_error("This libwebp does not match the one the program was built with.");
    o.anim_params.loop_count = 0; // a turntable turns for ever
    o.anim_params.bgcolor = options.Transparent ? 0x00000000u : 0xFFFFFFFFu;
    if (size.width() >= 1 && size.height() >= 1)
        FEncoder = WebPAnimEncoderNew(size.width(), size.height(), &o);
    if (!FEncoder)
        throw std::runtime_error(QStringLiteral("An animated WebP of %1 x %2 pixels cannot be written.")
                                     .arg(size.width())
                                     .arg(size.height())
                                     .toStdString());
}

TWebpAnimationWriter::~TWebpAnimationWriter() { WebPAnimEncoderDelete(FEncoder); }

void TWebpAnimationWriter::AddFrame(const TBitmap32& frame, int durationMs)
{
    if (frame.Size() != FSize)
        throw std::runtime_error("A frame of the animation has another size than the first.");
    WebPConfig config;
    if (!WebPConfigInit(&config))
        throw std::runtime_error("This libwebp does not match the one the program was built with.");
    config.lossless = FOptions.Lossless ? 1 : 0;
    config.quality = float(FOptions.Quality);
    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        throw std::runtime_error("This libwebp does not match the one the program was built with.");
    picture.use_argb = 1;
    picture.width = FSize.width();
    picture.height = FSize.height();
    // TBitmap32 holds B, G, R, A bytes in memory, the order this import takes.
    const bool imported = WebPPictureImportBGRA(&picture, reinterpret_cast<const uint8_t*>(frame.Bits()),
                                                4 * FSize.width());
    const bool added = imported && WebPAnimEncoderAdd(FEncoder, &picture, FTimestamp, &config);
    WebPPictureFree(&picture);
    if (!added)
        throw std::runtime_error(std::string("The animated WebP could not be coded: ") +
                                 (imported ? WebPAnimEncoderGetError(FEncoder) : "out of memory"));
    FTimestamp += std::max(durationMs, 1);
}

QByteArray TWebpAnimationWriter::Finish()
{
    WebPData data;
    WebPDataInit(&data);
    // The last frame's duration comes from the end time given with no frame.
    if (!WebPAnimEncoderAdd(FEncoder, nullptr, FTimestamp, nullptr) || !WebPAnimEncoderAssemble(FEncoder, &data))
        throw std::runtime_error(std::string("The animated WebP could not be coded: ") +
                                 WebPAnimEncoderGetError(FEncoder));
    QByteArray bytes(reinterpret_cast<const char*>(data.bytes), qsizetype(data.size));
    WebPDataClear(&data);
    return bytes;
}

qint64 TWebpAnimationWriter::MemoryBound(QSize size, bool lossless)
{
    return (lossless ? 128 : 64) * qint64(size.width()) * size.height() + (qint64(1) << 20);
}

qint64 TWebpAnimationWriter::CodedFrameBound(QSize size, bool lossless)
{
    const qint64 pixels = qint64(size.width()) * size.height();
    return (lossless ? 4 * pixels : pixels / 2) + 1024;
}
