#include "editor/ImgView32.h"

#include <QContextMenuEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {
// Beyond this many separate dirty rectangles one bounding rectangle is cheaper to recompose.
constexpr int MaxDirtyRects = 16;
// Zoom limits of the view itself (the face editor's gauge stays well inside them).
constexpr double MinScale = 0.01, MaxScale = 64.0;
} // namespace

QBrush CheckerboardBrush()
{
    QImage tile(16, 16, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            tile.setPixel(x, y, ((x / 8) % 2 == (y / 8) % 2) ? qRgb(176, 176, 176) : qRgb(255, 255, 255));
    return QBrush(tile);
}

TImgView32::TImgView32(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    UpdateScrollBars();
}

TImgView32::~TImgView32()
{
    FMouseLayer = nullptr;
    FLayers.SetHost(nullptr);
    FLayers.Clear();
}

void TImgView32::SetBitmap(const TBitmap32& bitmap)
{
    FBitmap = bitmap;
    BitmapChanged();
}

void TImgView32::BitmapChanged()
{
    UpdateScrollBars();
    InvalidateAll();
}

QSize TImgView32::ScaledSize() const
{
    return {int(std::ceil(FBitmap.Width() * FScale)), int(std::ceil(FBitmap.Height() * FScale))};
}

QPointF TImgView32::ImageOffset() const
{
    // Centred when smaller than the viewport, otherwise scrolled.
    const QSize s = ScaledSize();
    const QSize v = viewport()->size();
    const double x = s.width() < v.width() ? (v.width() - s.width()) / 2 : -horizontalScrollBar()->value();
    const double y = s.height() < v.height() ? (v.height() - s.height()) / 2 : -verticalScrollBar()->value();
    return {x, y};
}

TLayerTransform TImgView32::LayerTransform() const
{
    const QPointF offset = ImageOffset();
    return {FScale, FScale, offset.x(), offset.y()};
}

QPointF TImgView32::ControlToBitmap(const QPointF& controlPos) const { return LayerTransform().Unmap(controlPos); }

QPointF TImgView32::BitmapToControl(const QPointF& bitmapPos) const { return LayerTransform().Map(bitmapPos); }

QRect TImgView32::ViewportRect() const { return viewport()->rect(); }

QRect TImgView32::ImageRect() const
{
    if (FBitmap.Empty())
        return {};
    const QPointF offset = ImageOffset();
    return QRect(QPoint(int(std::lround(offset.x())), int(std::lround(offset.y()))), ScaledSize());
}

void TImgView32::SetScale(double scale, std::optional<QPoint> anchor)
{
    scale = std::clamp(scale, MinScale, MaxScale);
    if (scale == FScale)
        return;
    const QPoint fixed = anchor.value_or(ViewportRect().center());
    const QPointF imagePoint = ControlToBitmap(fixed);
    FScale = scale;
    UpdateScrollBars();
    // Scroll so that the image point under the anchor is under it again.
    FInScrollUpdate = true;
    horizontalScrollBar()->setValue(int(std::lround(imagePoint.x() * FScale - fixed.x())));
    verticalScrollBar()->setValue(int(std::lround(imagePoint.y() * FScale - fixed.y())));
    FInScrollUpdate = false;
    InvalidateAll();
}

void TImgView32::UpdateScrollBars()
{
    const QSize s = ScaledSize();
    const QSize v = viewport()->size();
    FInScrollUpdate = true;
    horizontalScrollBar()->setRange(0, std::max(0, s.width() - v.width()));
    horizontalScrollBar()->setPageStep(std::max(1, v.width()));
    horizontalScrollBar()->setSingleStep(std::max(1, v.width() / 20));
    verticalScrollBar()->setRange(0, std::max(0, s.height() - v.height()));
    verticalScrollBar()->setPageStep(std::max(1, v.height()));
    verticalScrollBar()->setSingleStep(std::max(1, v.height() / 20));
    FInScrollUpdate = false;
}

void TImgView32::PaintTo(TBitmap32& target, const QRect& rect) const { PaintLayersTo(FBitmap, FLayers, target, rect); }

void TImgView32::BeginUpdate()
{
    ++FUpdateCount;
    FLayers.BeginUpdate();
}

void TImgView32::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    FLayers.EndUpdate();
    if (--FUpdateCount == 0)
        InvalidateAll();
}

void TImgView32::InvalidateAll()
{
    FDirty = QRegion(ViewportRect());
    if (!Updating())
        viewport()->update();
}

void TImgView32::LayerAreaChanged(const QRect& controlArea)
{
    const QRect area = controlArea.isNull() ? ViewportRect() : controlArea.adjusted(-1, -1, 1, 1) & ViewportRect();
    if (area.isEmpty())
        return;
    FDirty += area;
    if (!Updating())
        viewport()->update(area);
}

void TImgView32::LayerRemoved(TCustomLayer& layer)
{
    if (FMouseLayer == &layer)
        FMouseLayer = nullptr;
}

void TImgView32::RenderPending()
{
    if (FBuffer.size() != viewport()->size()) {
        FBuffer = QImage(viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        FDirty = QRegion(ViewportRect());
    }
    if (FDirty.isEmpty() || FBuffer.isNull())
        return;
    QRegion region = FDirty;
    FDirty = QRegion();
    if (region.rectCount() > MaxDirtyRects)
        region = QRegion(region.boundingRect());
    Render(region);
}

void TImgView32::Render(const QRegion& region)
{
    QPainter painter(&FBuffer);
    painter.setClipRegion(region);
    painter.setBrushOrigin(0, 0);
    painter.fillRect(region.boundingRect(), CheckerboardBrush());

    const TLayerTransform t = LayerTransform();
    // Smooth stretching up to 1:1; above it, nearest pixels, so single pixels can be inspected.
    const bool smooth = FScale <= 1.0;
    if (!FBitmap.Empty()) {
        painter.save();
        // Over the checkerboard: clear parts of the face picture (a PNG's, a 32-bit BMP's) show
        // as clear, as those of a layer do, instead of black.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        const QRect dst = ImageRect();
        if (dst.size() == FBitmap.Size())
            painter.drawImage(dst.topLeft(), FBitmap.ConstImageView());
        else
            painter.drawImage(QRectF(t.OffsetX, t.OffsetY, FBitmap.Width() * FScale, FBitmap.Height() * FScale),
                              FBitmap.ConstImageView());
        painter.restore();
    }
    FLayers.Paint(painter, t, smooth);
}

void TImgView32::paintEvent(QPaintEvent* event)
{
    if (!Updating())
        RenderPending();
    QPainter painter(viewport());
    if (FBuffer.isNull()) {
        painter.fillRect(event->rect(), CheckerboardBrush());
        return;
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(event->rect(), FBuffer, event->rect());
}

void TImgView32::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
    InvalidateAll();
}

void TImgView32::scrollContentsBy(int, int)
{
    if (!FInScrollUpdate)
        InvalidateAll();
}

void TImgView32::UpdateCursor(QPoint controlPos)
{
    const TCustomLayer* layer = FMouseLayer ? FMouseLayer : FLayers.FindLayerAt(controlPos);
    viewport()->setCursor(layer ? layer->CursorAt(controlPos, LayerTransform()) : Qt::ArrowCursor);
}

void TImgView32::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    TCustomLayer* layer = FLayers.FindLayerAt(pos);
    if (!layer) {
        emit ViewMouseDown(event->button(), pos);
        return;
    }
    FMouseLayer = layer;
    layer->MouseDown(event->button(), pos);
    // The press handler may have put another layer on top here (the selection frame of a layer
    // just selected): it takes the same press, so a new layer can be selected and dragged at once.
    if (TCustomLayer* top = FLayers.FindLayerAt(pos); top && top != layer && FMouseLayer == layer) {
        FMouseLayer = top;
        top->MouseDown(event->button(), pos);
    }
    if (FMouseLayer)
        emit LayerMouseDown(FMouseLayer);
    UpdateCursor(pos);
}

void TImgView32::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (FMouseLayer && event->buttons() != Qt::NoButton)
        FMouseLayer->MouseMove(pos);
    else
        UpdateCursor(pos);
}

void TImgView32::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (TCustomLayer* layer = FMouseLayer) {
        FMouseLayer = nullptr;
        layer->MouseUp(event->button(), pos);
        emit LayerMouseUp(layer);
    }
    UpdateCursor(pos);
}

void TImgView32::mouseDoubleClickEvent(QMouseEvent* event)
{
    emit ViewDoubleClicked(event->position().toPoint());
}

void TImgView32::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const int steps = event->angleDelta().y() / 120;
        if (steps != 0)
            emit ZoomRequested(steps, event->position().toPoint());
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void TImgView32::contextMenuEvent(QContextMenuEvent* event)
{
    emit ContextMenuRequested(event->pos(), event->globalPos());
}

QStringList DroppedFiles(const QMimeData& data)
{
    QStringList files;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

// Files are taken whatever they are (the loader says what it cannot read); other drags only
// when they carry a picture.
void TImgView32::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedFiles(*event->mimeData()).isEmpty() || event->mimeData()->hasImage())
        event->acceptProposedAction();
}

void TImgView32::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

void TImgView32::dropEvent(QDropEvent* event)
{
    const QStringList files = DroppedFiles(*event->mimeData());
    const QImage picture = files.isEmpty() ? qvariant_cast<QImage>(event->mimeData()->imageData()) : QImage();
    if (files.isEmpty() && picture.isNull())
        return;
    event->acceptProposedAction();
    emit PicturesDropped(files, picture, event->position().toPoint());
}
