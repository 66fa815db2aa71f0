#include "imageio/GifImage.h"

#include "imageio/GifReader.h"

void TGIFImage::LoadFromBytes(const QByteArray& bytes)
{
    DecodeGif(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), FPixels);
}
