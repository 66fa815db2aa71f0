#pragma once
// Layers of the face editor: an ordered collection (index 0 at the bottom) of layers drawn over a
// base image. A layer lives in exactly one collection, which owns it; deleting a layer takes it
// out of its collection. The collection knows nothing of widgets: a view attaches itself as the
// collection's ILayerHost to receive repaint areas and to supply the image-to-control mapping.

#include "raster/TBitmap32.h"

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <Qt>
#include <functional>
#include <vector>

class QPainter;
class TCustomLayer;
class TLayerCollection;

// A rectangle of four floats (left, top, right, bottom), in base-image pixels for scaled layers.
struct TFloatRect {
    float Left = 0, Top = 0, Right = 0, Bottom = 0;

    float Width() const { return Right - Left; }
    float Height() const { return Bottom - Top; }
    QRectF ToRectF() const { return QRectF(QPointF(Left, Top), QPointF(Right, Bottom)); }
    bool operator==(const TFloatRect&) const = default;
};

// Maps base-image coordinates to control coordinates: control = offset + image * scale.
struct TLayerTransform {
    double ScaleX = 1.0, ScaleY = 1.0;
    double OffsetX = 0.0, OffsetY = 0.0;

    QPointF Map(const QPointF& image) const { return {OffsetX + image.x() * ScaleX, OffsetY + image.y() * ScaleY}; }
    QPointF Unmap(const QPointF& control) const
    {
        return {(control.x() - OffsetX) / ScaleX, (control.y() - OffsetY) / ScaleY};
    }
    QRectF Map(const QRectF& image) const { return QRectF(Map(image.topLeft()), Map(image.bottomRight())); }
};

// What a collection needs of the view that shows it. Collections that merely store layers (the
// face records between steps) have no host and paint with the identity mapping.
class ILayerHost {
public:
    virtual ~ILayerHost() = default;
    virtual TLayerTransform LayerTransform() const = 0;
    // A part of the control must be repainted; an empty rectangle stands for all of it.
    virtual void LayerAreaChanged(const QRect& controlArea) = 0;
    // The layer is leaving the collection (freed or moved elsewhere): drop every reference to it.
    virtual void LayerRemoved(TCustomLayer& layer) = 0;
};

// Press handler of a layer; sender is the layer itself, the position in control pixels.
using TLayerMouseEvent = std::function<void(TCustomLayer& sender, Qt::MouseButton button, QPoint controlPos)>;

class TCustomLayer {
public:
    // The new layer is appended to owner, on top of the others.
    explicit TCustomLayer(TLayerCollection& owner);
    virtual ~TCustomLayer();
    TCustomLayer(const TCustomLayer&) = delete;
    TCustomLayer& operator=(const TCustomLayer&) = delete;

    TLayerCollection& Collection() const { return *FCollection; }
    int Index() const;
    // Clamped to 0..Count-1; the other layers shift.
    void SetIndex(int index);
    // Leaves this collection and is appended on top of target, which owns it from then on.
    void MoveTo(TLayerCollection& target);

    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);
    bool MouseEvents() const { return FMouseEvents; }
    void SetMouseEvents(bool on) { FMouseEvents = on; }

    // Control pixels the layer paints (what must be repainted when it changes); empty if none.
    virtual QRect PaintBounds(const TLayerTransform& t) const = 0;
    virtual void Paint(QPainter& painter, const TLayerTransform& t, bool smooth) const = 0;
    virtual bool HitTest(QPoint controlPos, const TLayerTransform& t) const = 0;
    virtual Qt::CursorShape CursorAt(QPoint, const TLayerTransform&) const { return Qt::ArrowCursor; }

    // Mouse input from the view. A press goes to the topmost layer hit; that layer then receives
    // the moves and the release until the button is let go.
    virtual void MouseDown(Qt::MouseButton button, QPoint controlPos);
    virtual void MouseMove(QPoint) {}
    virtual void MouseUp(Qt::MouseButton, QPoint) {}
    TLayerMouseEvent OnMouseDown;

    // The mapping of the host view, or the identity without one.
    TLayerTransform Transform() const;

    // Asks other to be told (Notification) when this layer is freed.
    void AddFreeNotification(TCustomLayer& other);
    void RemoveFreeNotification(TCustomLayer& other);

    // Reports the layer's current painted area to the view for repainting. Layers call it before
    // and after a change of place; after changing a bitmap's pixels, call it once.
    void Changed() const;

protected:
    virtual void Notification(TCustomLayer& freed) { (void)freed; }

private:
    TLayerCollection* FCollection;
    bool FVisible = true;
    bool FMouseEvents = true;
    std::vector<TCustomLayer*> FFreeNotifies;
};

class TLayerCollection {
public:
    explicit TLayerCollection(ILayerHost* host = nullptr) : FHost(host) {}
    ~TLayerCollection();
    TLayerCollection(const TLayerCollection&) = delete;
    TLayerCollection& operator=(const TLayerCollection&) = delete;

    int Count() const { return int(FItems.size()); }
    TCustomLayer* Items(int index) const { return FItems.at(size_t(index)); }
    int IndexOf(const TCustomLayer* layer) const;
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

    // Creates a layer of type T on top of the others, e.g. Add<TBitmapLayer>().
    template <class T, class... Args>
    T* Add(Args&&... args)
    {
        return new T(*this, std::forward<Args>(args)...);
    }
    // Frees every layer.
    void Clear();

    // Bulk changes: notifications are held back and replaced by one repaint of everything.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }

    ILayerHost* Host() const { return FHost; }
    void SetHost(ILayerHost* host) { FHost = host; }
    TLayerTransform Transform() const;

    // The topmost layer (highest index first) that is visible, takes presses and is hit.
    TCustomLayer* FindLayerAt(QPoint controlPos) const;
    // Paints the visible layers bottom to top.
    void Paint(QPainter& painter, const TLayerTransform& t, bool smooth) const;

    // For layers: a part of the control must be repainted (empty rectangle: all of it).
    void Changed(const QRect& controlArea);

private:
    friend class TCustomLayer;
    // complete: the layer is fully constructed, so its painted area can be asked for.
    void Attach(TCustomLayer* layer, bool complete);
    void Detach(TCustomLayer* layer, bool complete);

    std::vector<TCustomLayer*> FItems;
    ILayerHost* FHost;
    int FUpdateCount = 0;
    bool FChangedWhileUpdating = false;
};

// A layer at a float rectangle. With scaling on (the face editor's layers) the rectangle is in
// base-image pixels and follows the view's zoom and scrolling; otherwise it is in control pixels.
class TPositionedLayer : public TCustomLayer {
public:
    explicit TPositionedLayer(TLayerCollection& owner);

    const TFloatRect& Location() const { return FLocation; }
    virtual void SetLocation(const TFloatRect& location);
    bool Scaled() const { return FScaled; }
    void SetScaled(bool scaled);

    // The location in control coordinates, and rounded to whole control pixels.
    QRectF ControlRect(const TLayerTransform& t) const;
    QRect PixelRect(const TLayerTransform& t) const;

    QRect PaintBounds(const TLayerTransform& t) const override { return PixelRect(t); }
    // Hit anywhere inside the rectangle, transparent pixels included.
    bool HitTest(QPoint controlPos, const TLayerTransform& t) const override;

private:
    TFloatRect FLocation{0, 0, 64, 64};
    bool FScaled = false;
};

// A layer showing its own bitmap stretched to its rectangle by the bitmap's draw mode.
class TBitmapLayer : public TPositionedLayer {
public:
    explicit TBitmapLayer(TLayerCollection& owner) : TPositionedLayer(owner) {}

    const TBitmap32& Bitmap() const { return FBitmap; }
    // Change the pixels through this, then call Changed() so the view repaints them.
    TBitmap32& Bitmap() { return FBitmap; }

    void Paint(QPainter& painter, const TLayerTransform& t, bool smooth) const override;

private:
    TBitmap32 FBitmap;
};

// Paints base (by its draw mode) and the visible layers of layers over it into target at scale 1,
// target taking the base image's size: the flattened face. Parts of layers outside are cut off.
void FlattenLayers(const TBitmap32& base, const TLayerCollection& layers, TBitmap32& target);
// Paints base stretched to rect of target and the layers stretched along with it.
void PaintLayersTo(const TBitmap32& base, const TLayerCollection& layers, TBitmap32& target, const QRect& rect);
