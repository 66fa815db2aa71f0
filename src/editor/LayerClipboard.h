#pragma once
// Cut, copy and paste of face layers through the system clipboard. A copied layer goes there
// twice: as a picture every program can paste (with its alpha), and in the program's own format
// carrying the text layer record, so a pasted text layer can still be edited as text.

#include "raster/Layers.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class QMimeData;
class TTextLayer;

// The program's own clipboard format, named after the product name and version: only copies of
// the same version share it.
QString LayerClipboardMimeType();

// The own-format block of a layer: for a text layer its record, then the signature line; for
// an image layer the signature line alone. UTF-8, each line ended by CR LF, then one 0 byte.
QByteArray LayerClipboardBlock(const TBitmapLayer& layer);
// The lines of a block: its text up to the first 0 byte (or all of it when there is none),
// split at CR, LF or both.
QStringList LinesOfBlock(const QByteArray& block);

// Puts the layer on the clipboard: its picture and the own-format block.
void CopyLayer(const TBitmapLayer& layer);
// The clipboard holds a picture (the own format alone does not count).
bool CanPaste();
// The clipboard's picture as a bitmap: with its alpha when it came from this program (the own
// format is there too), opaque when another program put it there. False when there is none.
bool ClipboardBitmap(TBitmap32& bitmap);

// What the clipboard commands need of the face editor.
class ILayerClipboardHost {
public:
    virtual ~ILayerClipboardHost() = default;
    virtual TBitmapLayer* SelectedLayer() const = 0;
    // The collection new layers are created in (the face view's).
    virtual TLayerCollection& ViewLayers() = 0;
    virtual bool EnsureFaceImage() = 0;
    virtual void PlaceLayer(TBitmapLayer& layer, bool center) = 0;
    virtual void AddImageLayer(const TBitmap32& bitmap) = 0;
    virtual void DeleteLayer() = 0;
    virtual void UpdateLayerTools() = 0;
    virtual void SetPasteEnabled(bool enabled) = 0;
    // The face picture's size, and moving a layer that was just placed.
    virtual QSize FaceSize() const { return {}; }
    virtual void MoveLayer(TBitmapLayer& layer, const TFloatRect& location) { layer.SetLocation(location); }
};

// Where a layer pasted after one copied from `copied` goes: 10 pixels right and down of it,
// at size, moved back inside the face when it would reach beyond it.
TFloatRect PastedLocation(const TFloatRect& copied, QSize size, QSize face);

// The clipboard commands of the face editor.
class TLayerClipboard {
public:
    explicit TLayerClipboard(ILayerClipboardHost& host) : FHost(host) {}

    // Copies the selected layer (nothing without one), then refreshes the tools.
    void CopySelected();
    // Copies the selected layer, then deletes it.
    void CutSelected();
    // A new layer from the clipboard: a text layer when the own format holds a text record,
    // else an image layer; centred and selected.
    void PasteLayer();
    // A new text layer showing bitmap, from the own-format record on the clipboard; false (and
    // no layer) when the clipboard holds no text layer record.
    bool PasteTextLayer(const TBitmap32& bitmap);

private:
    ILayerClipboardHost& FHost;
    // Where the layer this program last put on the clipboard lay (then the last paste of it),
    // while the clipboard still holds it.
    std::optional<TFloatRect> FCopiedFrom;
};
