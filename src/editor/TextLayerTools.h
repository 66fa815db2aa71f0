#pragma once
// Plugs text layers and the layer clipboard into the face editor's commands: "Edit Text...",
// the text tool, cut, copy, paste and the paste button's state.

#include "editor/LayerClipboard.h"

#include <QObject>

class TLayerCommands;

class TTextLayerTools : public QObject, private ILayerClipboardHost {
    Q_OBJECT
public:
    // Fills the commands' hooks; lives as long as the commands (it is their child).
    static TTextLayerTools* Install(TLayerCommands& commands);

    // "Edit Text..." on layer, or a new text layer when layer is none or not a text layer.
    void EditText(TBitmapLayer* layer);
    TLayerClipboard& Clipboard() { return FClipboard; }

private:
    explicit TTextLayerTools(TLayerCommands& commands);

    TBitmapLayer* SelectedLayer() const override;
    TLayerCollection& ViewLayers() override;
    bool EnsureFaceImage() override;
    void PlaceLayer(TBitmapLayer& layer, bool center) override;
    void AddImageLayer(const TBitmap32& bitmap) override;
    void DeleteLayer() override;
    void UpdateLayerTools() override;
    void SetPasteEnabled(bool enabled) override;
    QSize FaceSize() const override;
    void MoveLayer(TBitmapLayer& layer, const TFloatRect& location) override;

    TLayerCommands& FCommands;
    TLayerClipboard FClipboard;
};
