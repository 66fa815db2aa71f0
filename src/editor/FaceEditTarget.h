#pragma once
// What the steps of a face's history change: the face shown in the editor, through these few
// operations only. The face editor implements it, so the steps never depend on the editor.

#include "editor/TextLayer.h"
#include "imageio/PictureKind.h"
#include "raster/Layers.h"

#include <QByteArray>
#include <optional>

// The face picture as the view shows it and as the cover document holds it (working bytes).
struct TFaceImageState {
    TBitmap32 Bitmap;
    PictureKind Kind = PictureKind::None;
    QByteArray Bytes; // implicitly shared with the cover document while it holds the same
};

// A layer's place and, for a layer drawn again, its pixels and text.
struct TLayerState {
    TFloatRect Location;
    std::optional<TBitmap32> Bitmap;
    std::optional<TTextParams> Text;
};

class IFaceEditTarget {
public:
    virtual ~IFaceEditTarget() = default;
    // Each leaves the face shown consistent (frame, tools, size label).
    virtual void SwapFaceImage(TFaceImageState& state) = 0;
    virtual void TakeLayer(TBitmapLayer* layer, TLayerCollection& keeper) = 0;
    virtual void PutLayer(TBitmapLayer* layer, int index) = 0;
    virtual void LayerChanged(TBitmapLayer* layer) = 0;
    // A quarter turn back to the bitmap's pixel size at the same top-left corner.
    virtual void TurnLayer(TBitmapLayer* layer, int direction) = 0;
    virtual void SelectLayer(TBitmapLayer* layer) = 0;
    // The layers of the face shown, bottom to top, with the selection frame.
    virtual TLayerCollection& FaceLayers() = 0;
};
