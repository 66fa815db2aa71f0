#include "project/Project.h"

TBitmap32 TProjectFace::Flattened() const
{
    // The same painting the face editor does on leaving the step, on a collection of plain layers.
    TLayerCollection layers;
    for (const TProjectLayer& l : Layers) {
        auto* layer = layers.Add<TBitmapLayer>();
        layer->Bitmap() = l.Bitmap;
        layer->SetScaled(true);
        layer->SetLocation(l.Location);
        layer->SetVisible(l.Visible);
    }
    TBitmap32 flat;
    FlattenLayers(Base, layers, flat);
    return flat;
}
