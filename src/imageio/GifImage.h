#pragma once
// The GIF picture: reads the first image of a GIF file; writing comes with the GIF writer.

#include "imageio/Picture.h"

class TGIFImage : public TRasterPicture {
public:
    void LoadFromBytes(const QByteArray& bytes) override;
};
