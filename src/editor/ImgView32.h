#pragma once
// TImgView32: the face view. A scrollable, zoomable widget showing a base image (the face) with a
// stack of layers over a checkerboard. "Control coordinates" are the pixels of the viewport.
//
// Painting is incremental: the view keeps the composed picture of its viewport and recomposes
// only the areas that layers report as changed, so dragging one layer over a large face with
// many layers costs the layer's own area, not the whole face.

#include "raster/Layers.h"
#include "raster/TBitmap32.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QRegion>
#include <optional>

class QMimeData;

class TImgView32 : public QAbstractScrollArea, public ILayerHost {
    Q_OBJECT
public:
    explicit TImgView32(QWidget* parent = nullptr);
    ~TImgView32() override;

    // The base image. After changing it through Bitmap(), call BitmapChanged().
    TBitmap32& Bitmap() { return FBitmap; }
    const TBitmap32& Bitmap() const { return FBitmap; }
    void SetBitmap(const TBitmap32& bitmap);
    void BitmapChanged();

    TLayerCollection& Layers() { return FLayers; }
    const TLayerCollection& Layers() const { return FLayers; }

    // Zoom: 1.0 shows one image pixel per control pixel. The point of the image under anchor
    // (control coordinates; the viewport's centre when not given) stays where it is.
    double Scale() const { return FScale; }
    void SetScale(double scale, std::optional<QPoint> anchor = std::nullopt);

    QPointF ControlToBitmap(const QPointF& controlPos) const;
    QPointF BitmapToControl(const QPointF& bitmapPos) const;
    // The visible area, in control coordinates.
    QRect ViewportRect() const;
    // Where the base image lies in the control (may reach beyond the viewport when scrolled).
    QRect ImageRect() const;

    // Paints the base image and the visible layers stretched to rect of target (at scale 1 for
    // the image's own rectangle, whatever the zoom). The checkerboard is not part of it.
    void PaintTo(TBitmap32& target, const QRect& rect) const;

    // Repainting is held back between these and done once at the end.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }

    // Brings the composed picture up to date now (painting normally waits for the event loop).
    void RenderPending();
    // The composed picture of the viewport as last rendered.
    const QImage& Buffer() const { return FBuffer; }

    // ILayerHost
    TLayerTransform LayerTransform() const override;
    void LayerAreaChanged(const QRect& controlArea) override;
    void LayerRemoved(TCustomLayer& layer) override;

signals:
    // A press that hit no layer.
    void ViewMouseDown(Qt::MouseButton button, QPoint controlPos);
    // A press that went to a layer (sent once the layers have taken it, so a selection it made
    // is in place), and the release that ended it.
    void LayerMouseDown(TCustomLayer* layer);
    void LayerMouseUp(TCustomLayer* layer);
    void ViewDoubleClicked(QPoint controlPos);
    // Ctrl+wheel: steps > 0 zooms in, around anchor.
    void ZoomRequested(int steps, QPoint anchor);
    void ContextMenuRequested(QPoint controlPos, QPoint globalPos);
    // Picture files (local paths) or picture data (from a browser) dropped at controlPos.
    void PicturesDropped(const QStringList& files, const QImage& picture, QPoint controlPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QSize ScaledSize() const;
    QPointF ImageOffset() const;
    void UpdateScrollBars();
    void InvalidateAll();
    void Render(const QRegion& region);
    void UpdateCursor(QPoint controlPos);

    TBitmap32 FBitmap;
    TLayerCollection FLayers{this};
    double FScale = 1.0;
    int FUpdateCount = 0;
    QImage FBuffer;
    QRegion FDirty;
    TCustomLayer* FMouseLayer = nullptr;
    bool FInScrollUpdate = false;
};

// The local files of a drag, in order; empty when it carries none.
QStringList DroppedFiles(const QMimeData& data);

// The 8 x 8 checkerboard behind the face: grey 176 where row and column parity agree (the
// top-left square among them), white elsewhere.
QBrush CheckerboardBrush();
