#include "editor/TextLayerTools.h"

#include "editor/FontDlg.h"
#include "editor/LayerCommands.h"
#include "editor/LayerUndo.h"
#include "editor/TextLayer.h"

#include <QToolButton>

TTextLayerTools* TTextLayerTools::Install(TLayerCommands& commands)
{
    auto* tools = new TTextLayerTools(commands);
    TLayerHooks& hooks = commands.Hooks;
    hooks.EditText = [tools](TBitmapLayer* layer) { tools->EditText(layer); };
    hooks.IsTextLayer = [](const TCustomLayer* layer) { return dynamic_cast<const TTextLayer*>(layer) != nullptr; };
    hooks.Rotated = [](TBitmapLayer& layer, int direction) {
        if (auto* text = dynamic_cast<TTextLayer*>(&layer))
            text->AddRotation(direction);
    };
    hooks.Resized = [](TBitmapLayer& layer, TLayerState& before) {
        auto* text = dynamic_cast<TTextLayer*>(&layer);
        if (!text)
            return;
        TBitmap32 pixels = text->Bitmap();
        TTextParams params = *text;
        if (text->FitTextTo(text->Location())) {
            before.Bitmap = std::move(pixels);
            before.Text = std::move(params);
        }
    };
    hooks.Cut = [tools] { tools->FClipboard.CutSelected(); };
    hooks.Copy = [tools] { tools->FClipboard.CopySelected(); };
    hooks.Paste = [tools] { tools->FClipboard.PasteLayer(); };
    hooks.CanPaste = [] { return CanPaste(); };
    return tools;
}

TTextLayerTools::TTextLayerTools(TLayerCommands& commands)
    : QObject(&commands), FCommands(commands), FClipboard(*this)
{
}

void TTextLayerTools::EditText(TBitmapLayer* layer)
{
    auto* text = dynamic_cast<TTextLayer*>(layer);
    const bool isNew = text == nullptr;
    TLayerState before;
    if (isNew)
        text = ViewLayers().Add<TTextLayer>();
    else
        before = {text->Location(), text->Bitmap(), static_cast<const TTextParams&>(*text)};
    bool confirmed = false;
    try {
        confirmed = EditTextLayer(text, FCommands.imgView->window());
    } catch (...) {
        if (isNew)
            delete text; // a new layer that could not be drawn is not left behind empty
        throw;
    }
    if (!confirmed) {
        if (isNew)
            delete text;
        return;
    }
    FCommands.PlaceLayer(text, isNew); // a new layer is centred (and recorded), an edited one keeps its corner
    if (!isNew)
        FCommands.History().Push(new TLayerStateStep(FCommands, text, std::move(before)));
}

TBitmapLayer* TTextLayerTools::SelectedLayer() const { return FCommands.SelectedLayer(); }
TLayerCollection& TTextLayerTools::ViewLayers() { return FCommands.imgView->Layers(); }
bool TTextLayerTools::EnsureFaceImage() { return FCommands.EnsureFaceImage(); }
void TTextLayerTools::PlaceLayer(TBitmapLayer& layer, bool center) { FCommands.PlaceLayer(&layer, center); }
void TTextLayerTools::AddImageLayer(const TBitmap32& bitmap) { FCommands.AddImageLayer(&bitmap); }
void TTextLayerTools::DeleteLayer() { FCommands.RemoveSelectedLayer(); }
QSize TTextLayerTools::FaceSize() const { return FCommands.imgView->Bitmap().Size(); }
void TTextLayerTools::MoveLayer(TBitmapLayer& layer, const TFloatRect& location)
{
    layer.SetLocation(location);
    FCommands.LayerChanged(&layer);
}
void TTextLayerTools::UpdateLayerTools() { FCommands.UpdateLayerTools(); }
void TTextLayerTools::SetPasteEnabled(bool enabled) { FCommands.miPaste->setEnabled(enabled); }
