#pragma once
// The selection frame: a dotted rectangle with eight drag handles, bound to at most one child
// layer. Moving or resizing the frame moves or resizes the child at once.

#include "raster/Layers.h"

enum class TRBDragState { None, Move, SizeL, SizeT, SizeR, SizeB, SizeTL, SizeTR, SizeBL, SizeBR };

class TRubberbandLayer : public TPositionedLayer {
public:
    // Half the side of a handle square; presses within HandleSize + 1 pixels grab a handle.
    static constexpr int HandleSize = 3;

    explicit TRubberbandLayer(TLayerCollection& owner);
    ~TRubberbandLayer() override;

    TPositionedLayer* ChildLayer() const { return FChild; }
    // Binds the frame to child (it takes the child's location and scaling); nullptr unbinds.
    void SetChildLayer(TPositionedLayer* child);

    // Smallest width and height a drag can give, in location units.
    float MinWidth() const { return FMinWidth; }
    float MinHeight() const { return FMinHeight; }
    void SetMinWidth(float value) { FMinWidth = value; }
    void SetMinHeight(float value) { FMinHeight = value; }

    void SetLocation(const TFloatRect& location) override;

    // What a press at controlPos would grab: a handle (corners first, then the sides), else the
    // whole frame when inside it, else nothing.
    TRBDragState DragStateAt(QPoint controlPos, const TLayerTransform& t) const;
    bool Dragging() const { return FDragState != TRBDragState::None; }

    QRect PaintBounds(const TLayerTransform& t) const override;
    void Paint(QPainter& painter, const TLayerTransform& t, bool smooth) const override;
    bool HitTest(QPoint controlPos, const TLayerTransform& t) const override;
    Qt::CursorShape CursorAt(QPoint controlPos, const TLayerTransform& t) const override;

    void MouseDown(Qt::MouseButton button, QPoint controlPos) override;
    void MouseMove(QPoint controlPos) override;
    void MouseUp(Qt::MouseButton button, QPoint controlPos) override;

protected:
    void Notification(TCustomLayer& freed) override;

private:
    TPositionedLayer* FChild = nullptr;
    float FMinWidth = 10.0f;
    float FMinHeight = 10.0f;
    TRBDragState FDragState = TRBDragState::None;
    TFloatRect FDragStart;
    QPoint FPressPos;
};

// The cursor that shows what a press in the given drag state does.
Qt::CursorShape CursorForDragState(TRBDragState state);
