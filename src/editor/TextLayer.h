#pragma once
// A text layer's parameters and the renderer that turns them into pixels: a few lines of text in
// one font and colour, with an opacity, an optional drop shadow and bevel, one of three
// anti-alias qualities, drawn level and then turned by the layer's quarter turns.

#include "raster/TextParams.h"
#include "raster/Layers.h"
#include "raster/TBitmap32.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QSize>
#include <QStringList>

// The font a new text layer starts with: the main window's font, (points + 1) x 2 in size, in the
// desktop's highlight colour.
TTextFont NewTextLayerFont(const QFont& mainFont);

// Alpha of the drop shadow: PosAlpha percent of Alpha, rounded half to even.
int TextShadowAlpha(int posAlpha, int alpha);
// The preview box's background: black behind pure white text, else the desktop's window colour.
QColor TextPreviewBackground(TColorRef textColor);
// Remainder of the quarter turns with the sign of the rotation (-7 gives -3).
int ReducedRotation(int rotation);

// Measures and draws the text of a text layer on a paint device (the preview box or a bitmap).
class TTextRenderer {
public:
    static constexpr double Margin = 5.0;
    static constexpr double BevelShift = 1.05;

    TTextRenderer(const TTextParams& params, QPaintDevice* device);

    // The size the drawing needs: the right and bottom edges of the text's box (and of the
    // shadow's, when on) measured from an origin at (5, 5), rounded half to even, plus 5.
    QSize Measure() const;
    // Shadow, light bevel, dark bevel and text, in that order, composited over the device.
    void Draw(QPainter& painter) const;

private:
    QRectF BoxAt(const QPointF& origin) const;
    void DrawAt(QPainter& painter, const QPointF& origin, const QColor& color) const;

    const TTextParams& FParams;
    QFont FFont;
    QString FText;
};

// The level (unturned) drawing of the text into a transparent bitmap of exactly the size it
// needs; untouched pixels stay fully transparent.
void RenderTextBitmap(const TTextParams& params, TBitmap32& bitmap);
// Turns a freshly drawn level bitmap by the rotation's remainder (draw mode kept).
void ApplyRotation(TBitmap32& bitmap, int rotation);

// A layer whose bitmap is drawn from text. The bitmap is drawn only when the text dialog is
// confirmed; in between the layer is moved, resized and turned like any image layer, and hit
// anywhere inside its rectangle as its base is.
class TTextLayer : public TBitmapLayer, public TTextParams {
public:
    // A new text layer on top of owner, with an empty bitmap and the new-layer values.
    explicit TTextLayer(TLayerCollection& owner);

    void AddRotation(int delta) { Rotation += delta; }
    // Turns the freshly drawn level bitmap by Rotation and fits the location to it, keeping the
    // top-left corner, at 1:1.
    void ApplyRotationAndSize();
    // The frame was resized to location: the text is drawn again with its font height scaled as
    // the frame's side along the text's height was, so it stays sharp, and shown 1:1 at the
    // frame's top-left corner. False (and nothing changed) when that side did not change.
    bool FitTextTo(const TFloatRect& location);
};
