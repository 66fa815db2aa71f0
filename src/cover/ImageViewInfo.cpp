#include "cover/ImageViewInfo.h"

TBitmap32& TImageViewInfo::GetFlatBitmap()
{
    Flat = Bitmap;
    return Flat;
}

void TImageViewInfo::Clear()
{
    Layers.Clear();
    Bitmap.MakeEmpty();
}
