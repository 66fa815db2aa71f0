#include "editor/LayerUndo.h"

#include <utility>

void TFaceStep::redo()
{
    if (std::exchange(FDone, false))
        return;
    Redo();
}

// ---- presence

TLayerPresenceStep::TLayerPresenceStep(IFaceEditTarget& editor, TBitmapLayer* layer, bool added)
    : TFaceStep(editor, added), FLayer(layer), FIndex(layer->Index()), FAdded(added)
{
}

void TLayerPresenceStep::PutBack() { FEditor.PutLayer(FLayer, FIndex); }

void TLayerPresenceStep::TakeOut()
{
    FIndex = FLayer->Index();
    FEditor.TakeLayer(FLayer, FKept);
}

void TLayerPresenceStep::Redo() { FAdded ? PutBack() : TakeOut(); }
void TLayerPresenceStep::Undo() { FAdded ? TakeOut() : PutBack(); }

// ---- state

TLayerStateStep::TLayerStateStep(IFaceEditTarget& editor, TBitmapLayer* layer, TLayerState before)
    : TFaceStep(editor, true), FLayer(layer), FState(std::move(before))
{
}

void TLayerStateStep::Swap()
{
    // Swapping moves the pixels between the layer and the step; nothing is copied.
    if (FState.Bitmap)
        std::swap(FLayer->Bitmap(), *FState.Bitmap);
    if (FState.Text)
        if (auto* text = dynamic_cast<TTextLayer*>(FLayer))
            std::swap(static_cast<TTextParams&>(*text), *FState.Text);
    const TFloatRect location = FLayer->Location();
    FLayer->SetLocation(FState.Location);
    FState.Location = location;
    FEditor.LayerChanged(FLayer);
}

// ---- turn

TLayerTurnStep::TLayerTurnStep(IFaceEditTarget& editor, TBitmapLayer* layer, int direction, const TFloatRect& before)
    : TFaceStep(editor, true), FLayer(layer), FDirection(direction), FBefore(before)
{
}

void TLayerTurnStep::Redo()
{
    FEditor.TurnLayer(FLayer, FDirection);
    FEditor.LayerChanged(FLayer);
}

void TLayerTurnStep::Undo()
{
    FEditor.TurnLayer(FLayer, -FDirection);
    FLayer->SetLocation(FBefore);
    FEditor.LayerChanged(FLayer);
}

// ---- order

TLayerOrderStep::TLayerOrderStep(IFaceEditTarget& editor, TBitmapLayer* layer, int from, int to)
    : TFaceStep(editor, true), FLayer(layer), FFrom(from), FTo(to)
{
}

void TLayerOrderStep::Redo()
{
    FLayer->SetIndex(FTo);
    FEditor.LayerChanged(FLayer);
}

void TLayerOrderStep::Undo()
{
    FLayer->SetIndex(FFrom);
    FEditor.LayerChanged(FLayer);
}

// ---- face picture

TFaceImageStep::TFaceImageStep(IFaceEditTarget& editor, TFaceImageState before)
    : TFaceStep(editor, true), FState(std::move(before))
{
}

void TFaceImageStep::Redo() { FEditor.SwapFaceImage(FState); }
void TFaceImageStep::Undo() { FEditor.SwapFaceImage(FState); }

// ---- clearing

TClearFaceStep::TClearFaceStep(IFaceEditTarget& editor) : TFaceStep(editor, false) {}

void TClearFaceStep::Redo()
{
    FLayers.clear();
    for (TCustomLayer* layer : FEditor.FaceLayers())
        if (auto* bitmapLayer = dynamic_cast<TBitmapLayer*>(layer))
            FLayers.push_back(bitmapLayer);
    for (TBitmapLayer* layer : FLayers)
        FEditor.TakeLayer(layer, FKept);
    FEditor.SwapFaceImage(FState);
}

void TClearFaceStep::Undo()
{
    FEditor.SwapFaceImage(FState);
    int index = 0;
    for (TBitmapLayer* layer : FLayers)
        FEditor.PutLayer(layer, index++);
    FEditor.SelectLayer(nullptr);
}
