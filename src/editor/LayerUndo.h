#pragma once
// The steps of a face's history. Each holds only what its change touched: the layer object
// itself, a former place or index, the pixels a redraw replaced, the face picture a load
// replaced; never a copy of the whole face with its layers.

#include "editor/TextLayer.h"
#include "imageio/PictureKind.h"
#include "raster/Layers.h"

#include <QByteArray>
#include <QUndoCommand>
#include <optional>
#include <vector>

class TLayerCommands;

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

// Base of the steps. A step recorded after its change was made (done = true) skips the redo
// that recording runs; otherwise that redo makes the change.
class TFaceStep : public QUndoCommand {
public:
    void redo() final;
    void undo() final { Undo(); }

protected:
    TFaceStep(TLayerCommands& editor, bool done) : FEditor(editor), FDone(done) {}
    virtual void Redo() = 0;
    virtual void Undo() = 0;
    TLayerCommands& FEditor;

private:
    bool FDone;
};

// A layer added to the face (added = true: new, pasted, dropped) or taken from it (deleted, cut).
// While out of the face the layer is kept here, and freed with the step.
class TLayerPresenceStep : public TFaceStep {
public:
    TLayerPresenceStep(TLayerCommands& editor, TBitmapLayer* layer, bool added);

protected:
    void Redo() override;
    void Undo() override;

private:
    void PutBack();
    void TakeOut();

    TBitmapLayer* FLayer;
    int FIndex;
    bool FAdded;
    TLayerCollection FKept;
};

// Moved, resized, or drawn again (text edited, text resized): the other state is swapped in.
class TLayerStateStep : public TFaceStep {
public:
    // layer already shows the new state; before is the one it had.
    TLayerStateStep(TLayerCommands& editor, TBitmapLayer* layer, TLayerState before);

protected:
    void Redo() override { Swap(); }
    void Undo() override { Swap(); }

private:
    void Swap();

    TBitmapLayer* FLayer;
    TLayerState FState;
};

// A quarter turn: undone by the opposite turn and the former (possibly stretched) place.
class TLayerTurnStep : public TFaceStep {
public:
    TLayerTurnStep(TLayerCommands& editor, TBitmapLayer* layer, int direction, const TFloatRect& before);

protected:
    void Redo() override;
    void Undo() override;

private:
    TBitmapLayer* FLayer;
    int FDirection;
    TFloatRect FBefore;
};

// A layer moved in the stacking order.
class TLayerOrderStep : public TFaceStep {
public:
    TLayerOrderStep(TLayerCommands& editor, TBitmapLayer* layer, int from, int to);

protected:
    void Redo() override;
    void Undo() override;

private:
    TBitmapLayer* FLayer;
    int FFrom, FTo;
};

// The face picture replaced (loaded, made new, dropped): the other picture is swapped in.
class TFaceImageStep : public TFaceStep {
public:
    // The face already shows the new picture; before holds the one it replaced.
    TFaceImageStep(TLayerCommands& editor, TFaceImageState before);

protected:
    void Redo() override;
    void Undo() override;

private:
    TFaceImageState FState;
};

// The face cleared: its picture and every layer go, and come back on undo.
class TClearFaceStep : public TFaceStep {
public:
    explicit TClearFaceStep(TLayerCommands& editor);

protected:
    void Redo() override;
    void Undo() override;

private:
    TFaceImageState FState; // empty while the face is shown, the former face while cleared
    std::vector<TBitmapLayer*> FLayers; // bottom to top
    TLayerCollection FKept;
};
