#pragma once
// A stand-in for the face view: a fixed mapping, and a record of the repaint requests.
#include "raster/Layers.h"

#include <vector>

class TRecordingHost : public ILayerHost {
public:
    TLayerTransform Mapping;
    std::vector<QRect> Areas;
    std::vector<TCustomLayer*> Removed;

    TLayerTransform LayerTransform() const override { return Mapping; }
    void LayerAreaChanged(const QRect& area) override { Areas.push_back(area); }
    void LayerRemoved(TCustomLayer& layer) override { Removed.push_back(&layer); }
};

// A scaled, blended layer of one colour (w x h pixels) at `where`.
inline TBitmapLayer* AddColourLayer(TLayerCollection& c, TFloatRect where, int w = 0, int h = 0, TColor32 color = 0)
{
    auto* layer = c.Add<TBitmapLayer>();
    layer->SetScaled(true);
    layer->Bitmap().SetSize(w, h);
    layer->Bitmap().Clear(color);
    layer->Bitmap().SetDrawMode(TDrawMode::dmBlend);
    layer->SetLocation(where);
    return layer;
}
