#pragma once
// The steps of a face's history. Each holds only what its change touched: the layer object
// itself, a former place or index, the pixels a redraw replaced, the face picture a load
// replaced; never a copy of the whole face with its layers.

#include "editor/FaceEditTarget.h"

#include <QUndoCommand>
#include <vector>

// Base of the steps. A step recorded after its change was made (done = true) skips the redo
// that recording runs; otherwise that redo makes the change.
class TFaceStep : public QUndoCommand {
public:
    void redo() final;
    void undo() final { Undo(); }

protected:
    TFaceStep(IFaceEditTarget& editor, bool done) : FEditor(editor), FDone(done) {}
    virtual void Redo() = 0;
    virtual void Undo() = 0;
    IFaceEditTarget& FEditor;

private:
    bool FDone;
};

// A layer added to the face (added = true: new, pasted, dropped) or taken from it (deleted, cut).
// While out of the face the layer is kept here, and freed with the step.
class TLayerPresenceStep : public TFaceStep {
public:
    TLayerPresenceStep(IFaceEditTarget& editor, TBitmapLayer* layer, bool added);

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
    TLayerStateStep(IFaceEditTarget& editor, TBitmapLayer* layer, TLayerState before);

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
    TLayerTurnStep(IFaceEditTarget& editor, TBitmapLayer* layer, int direction, const TFloatRect& before);

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
    TLayerOrderStep(IFaceEditTarget& editor, TBitmapLayer* layer, int from, int to);

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
    TFaceImageStep(IFaceEditTarget& editor, TFaceImageState before);

protected:
    void Redo() override;
    void Undo() override;

private:
    TFaceImageState FState;
};

// The face cleared: its picture and every layer go, and come back on undo.
class TClearFaceStep : public TFaceStep {
public:
    explicit TClearFaceStep(IFaceEditTarget& editor);

protected:
    void Redo() override;
    void Undo() override;

private:
    TFaceImageState FState; // empty while the face is shown, the former face while cleared
    std::vector<TBitmapLayer*> FLayers; // bottom to top
    TLayerCollection FKept;
};
