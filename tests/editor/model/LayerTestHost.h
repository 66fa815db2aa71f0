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
