#include "raster/Layers.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

// ---- TCustomLayer

TCustomLayer::TCustomLayer(TLayerCollection& owner) : FCollection(&owner)
{
    // Not painted yet: a new layer has nothing to show until it gets a bitmap or a location.
    owner.Attach(this, false);
}

TCustomLayer::~TCustomLayer()
{
    // Tell the layers watching this one (a selection frame bound to it) before anything goes.
    const auto watchers = FFreeNotifies;
    FFreeNotifies.clear();
    for (TCustomLayer* w : watchers)
        w->Notification(*this);
    // The derived parts are gone, so the painted area is unknown: the whole view is repainted.
    FCollection->Detach(this, false);
}

int TCustomLayer::Index() const { return FCollection->IndexOf(this); }

void TCustomLayer::SetIndex(int index)
{
    auto& items = FCollection->FItems;
    const int from = Index();
    const int to = std::clamp(index, 0, int(items.size()) - 1);
    if (from == to)
        return;
    items.erase(items.begin() + from);
    items.insert(items.begin() + to, this);
    Changed();
}

void TCustomLayer::MoveTo(TLayerCollection& target)
{
    if (&target == FCollection)
        return;
    FCollection->Detach(this, true);
    FCollection = &target;
    target.Attach(this, true);
}

void TCustomLayer::SetVisible(bool visible)
{
    if (visible == FVisible)
        return;
    Changed();
    FVisible = visible;
    Changed();
}

void TCustomLayer::MouseDown(Qt::MouseButton button, QPoint controlPos)
{
    if (OnMouseDown)
        OnMouseDown(*this, button, controlPos);
}

TLayerTransform TCustomLayer::Transform() const { return FCollection->Transform(); }

void TCustomLayer::AddFreeNotification(TCustomLayer& other)
{
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), &other) == FFreeNotifies.end())
        FFreeNotifies.push_back(&other);
}

void TCustomLayer::RemoveFreeNotification(TCustomLayer& other)
{
    std::erase(FFreeNotifies, &other);
}

void TCustomLayer::Changed() const
{
    if (FCollection->Host() && !FCollection->Updating())
        FCollection->Changed(PaintBounds(FCollection->Transform()));
    else
        FCollection->Changed(QRect());
}

// ---- TLayerCollection

TLayerCollection::~TLayerCollection()
{
    FHost = nullptr; // the view may already be half gone
    Clear();
}

int TLayerCollection::IndexOf(const TCustomLayer* layer) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), layer);
    return it == FItems.end() ? -1 : int(it - FItems.begin());
}

void TLayerCollection::Clear()
{
    BeginUpdate();
    while (!FItems.empty())
        delete FItems.back();
    EndUpdate();
}

void TLayerCollection::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FChangedWhileUpdating) {
        FChangedWhileUpdating = false;
        if (FHost)
            FHost->LayerAreaChanged(QRect());
    }
}

TLayerTransform TLayerCollection::Transform() const { return FHost ? FHost->LayerTransform() : TLayerTransform{}; }

TCustomLayer* TLayerCollection::FindLayerAt(QPoint controlPos) const
{
    const TLayerTransform t = Transform();
    for (auto it = FItems.rbegin(); it != FItems.rend(); ++it) {
        TCustomLayer* layer = *it;
        if (layer->Visible() && layer->MouseEvents() && layer->HitTest(controlPos, t))
            return layer;
    }
    return nullptr;
}

void TLayerCollection::Paint(QPainter& painter, const TLayerTransform& t, bool smooth) const
{
    const QRect clip = painter.hasClipping() ? painter.clipBoundingRect().toAlignedRect() : QRect();
    for (const TCustomLayer* layer : FItems) {
        if (!layer->Visible())
            continue;
        // Layers wholly outside the area being repainted cost nothing.
        if (clip.isValid() && !clip.intersects(layer->PaintBounds(t)))
            continue;
        painter.save();
        layer->Paint(painter, t, smooth);
        painter.restore();
    }
}

void TLayerCollection::Changed(const QRect& controlArea)
{
    if (Updating()) {
        FChangedWhileUpdating = true;
        return;
    }
    if (FHost)
        FHost->LayerAreaChanged(controlArea);
}

void TLayerCollection::Attach(TCustomLayer* layer, bool complete)
{
    FItems.push_back(layer);
    if (complete)
        layer->Changed();
}

void TLayerCollection::Detach(TCustomLayer* layer, bool complete)
{
    const int index = IndexOf(layer);
    if (index < 0)
        return;
    if (complete)
        layer->Changed();
    else
        Changed(QRect());
    if (FHost)
        FHost->LayerRemoved(*layer);
    FItems.erase(FItems.begin() + index);
}

// ---- TPositionedLayer

TPositionedLayer::TPositionedLayer(TLayerCollection& owner) : TCustomLayer(owner) {}

void TPositionedLayer::SetLocation(const TFloatRect& location)
{
    if (location == FLocation)
        return;
    Changed();
    FLocation = location;
    Changed();
}

void TPositionedLayer::SetScaled(bool scaled)
{
    if (scaled == FScaled)
        return;
    Changed();
    FScaled = scaled;
    Changed();
}

QRectF TPositionedLayer::ControlRect(const TLayerTransform& t) const
{
    const QRectF r = FLocation.ToRectF();
    return FScaled ? t.Map(r) : r;
}

QRect TPositionedLayer::PixelRect(const TLayerTransform& t) const
{
    // Edges are rounded to the nearest control pixel, so that a layer at 1:1 is an exact blit.
    const QRectF r = ControlRect(t);
    const auto round = [](double v) { return int(std::lround(std::clamp(v, -1.0e9, 1.0e9))); };
    const int l = round(r.left()), t2 = round(r.top()), rr = round(r.right()), b = round(r.bottom());
    if (rr <= l || b <= t2)
        return {};
    return QRect(QPoint(l, t2), QPoint(rr - 1, b - 1));
}

bool TPositionedLayer::HitTest(QPoint controlPos, const TLayerTransform& t) const
{
    return PixelRect(t).contains(controlPos);
}

// ---- TBitmapLayer

void TBitmapLayer::Paint(QPainter& painter, const TLayerTransform& t, bool smooth) const
{
    const QRect dst = PixelRect(t);
    if (dst.isEmpty() || FBitmap.Empty())
        return;
    painter.setCompositionMode(FBitmap.DrawMode() == TDrawMode::dmOpaque ? QPainter::CompositionMode_Source
                                                                         : QPainter::CompositionMode_SourceOver);
    const QImage image = FBitmap.ConstImageView();
    if (dst.size() == image.size()) {
        painter.drawImage(dst.topLeft(), image);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.drawImage(dst, image);
}

// ---- flattening

void PaintLayersTo(const TBitmap32& base, const TLayerCollection& layers, TBitmap32& target, const QRect& rect)
{
    if (base.Empty() || target.Empty() || rect.isEmpty())
        return;
    TLayerTransform t;
    t.ScaleX = double(rect.width()) / base.Width();
    t.ScaleY = double(rect.height()) / base.Height();
    t.OffsetX = rect.left();
    t.OffsetY = rect.top();
    const bool smooth = t.ScaleX <= 1.0 && t.ScaleY <= 1.0;

    base.DrawTo(target, QRectF(rect), smooth);
    QImage view = target.ImageView();
    QPainter painter(&view);
    painter.setClipRect(rect);
    layers.Paint(painter, t, smooth);
}

void FlattenLayers(const TBitmap32& base, const TLayerCollection& layers, TBitmap32& target)
{
    target.SetSize(base.Width(), base.Height());
    target.SetDrawMode(base.DrawMode());
    PaintLayersTo(base, layers, target, QRect(0, 0, base.Width(), base.Height()));
}
