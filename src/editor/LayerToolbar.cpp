#include "editor/LayerToolbar.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <cmath>

namespace {
constexpr int ButtonSize = 26;
constexpr int BevelWidth = 1;

QPixmap GlyphPixmap(TLayerGlyph glyph, qreal dpr)
{
    QPixmap pixmap(QSize(16, 16) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(40, 40, 40), paper(255, 255, 255), accent(0, 90, 200);
    p.setPen(QPen(ink, 1.2));
    const auto sheet = [&](QRectF r, QColor fill) {
        p.setBrush(fill);
        p.drawRect(r);
    };
    const auto arrow = [&](QPointF from, QPointF to) {
        p.setPen(QPen(accent, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(from, to);
        const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
        const QPointF n(-d.y(), d.x());
        p.drawLine(to, to - 3.5 * d + 3 * n);
        p.drawLine(to, to - 3.5 * d - 3 * n);
        p.setPen(QPen(ink, 1.2));
    };
    // Three quarters of a circle; the head sits on its open end and points the way it turns.
    const auto turn = [&](bool clockwise) {
        p.setPen(QPen(accent, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const QRectF r(3, 3, 10, 10);
        p.drawArc(r, clockwise ? 60 * 16 : 120 * 16, clockwise ? 270 * 16 : -270 * 16);
        const QPointF tip = clockwise ? QPointF(12.5, 6) : QPointF(3.5, 6);
        p.drawLine(tip, tip + QPointF(0, -3.5));
        p.drawLine(tip, tip + QPointF(clockwise ? -3.5 : 3.5, 0));
    };
    switch (glyph) {
    case TLayerGlyph::Open:
        sheet({1.5, 4.5, 13, 9}, QColor(240, 200, 90));
        p.drawLine(QPointF(1.5, 4.5), QPointF(5, 2.5));
        p.drawLine(QPointF(5, 2.5), QPointF(8, 4.5));
        break;
    case TLayerGlyph::Clear:
        sheet({2.5, 2.5, 11, 11}, paper);
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(QPointF(5, 5), QPointF(11, 11));
        p.drawLine(QPointF(11, 5), QPointF(5, 11));
        break;
    case TLayerGlyph::Save:
        sheet({2.5, 2.5, 11, 11}, QColor(90, 120, 200));
        sheet({5, 2.5, 6, 4}, paper);
        sheet({4.5, 9, 7, 4.5}, paper);
        break;
    case TLayerGlyph::AddImage:
        sheet({1.5, 3.5, 10, 9}, QColor(170, 210, 240));
        p.setPen(QPen(QColor(0, 140, 0), 2));
        p.drawLine(QPointF(12.5, 8), QPointF(12.5, 15));
        p.drawLine(QPointF(9, 11.5), QPointF(16, 11.5));
        break;
    case TLayerGlyph::Text: {
        QFont f(QStringLiteral("Times New Roman"));
        f.setPixelSize(15);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("T"));
        break;
    }
    case TLayerGlyph::Delete:
        p.setPen(QPen(QColor(200, 0, 0), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case TLayerGlyph::Cut:
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(2, 10, 4, 4));
        p.drawEllipse(QRectF(10, 10, 4, 4));
        p.drawLine(QPointF(5.5, 10), QPointF(11, 2));
        p.drawLine(QPointF(10.5, 10), QPointF(5, 2));
        break;
    case TLayerGlyph::Copy:
        sheet({1.5, 1.5, 8, 10}, paper);
        sheet({6.5, 4.5, 8, 10}, paper);
        break;
    case TLayerGlyph::Paste:
        sheet({2.5, 2.5, 10, 12}, QColor(200, 160, 100));
        sheet({6.5, 6.5, 8, 8}, paper);
        break;
    case TLayerGlyph::ToFront:
        sheet({1.5, 6.5, 8, 8}, QColor(200, 200, 200));
        sheet({5.5, 1.5, 8, 8}, QColor(120, 170, 240));
        break;
    case TLayerGlyph::ToBack:
        sheet({5.5, 1.5, 8, 8}, QColor(120, 170, 240));
        sheet({1.5, 6.5, 8, 8}, QColor(200, 200, 200));
        break;
    case TLayerGlyph::OneUp: arrow({8, 14}, {8, 2}); break;
    case TLayerGlyph::OneDown: arrow({8, 2}, {8, 14}); break;
    case TLayerGlyph::Undo:
    case TLayerGlyph::Redo: {
        // Half a circle from the right over the top, its head pointing down on the left; redo
        // is its mirror image.
        if (glyph == TLayerGlyph::Redo) {
            p.translate(16, 0);
            p.scale(-1, 1);
        }
        p.setPen(QPen(accent, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3.5, 5, 9, 9), 0, 180 * 16);
        p.drawLine(QPointF(12.5, 9.5), QPointF(12.5, 13));
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawPolygon(QPolygonF({QPointF(0.5, 8.5), QPointF(6.5, 8.5), QPointF(3.5, 13)}));
        break;
    }
    case TLayerGlyph::RotateCCW: turn(false); break;
    case TLayerGlyph::RotateCW: turn(true); break;
    }
    return pixmap;
}
} // namespace

QIcon LayerGlyph(TLayerGlyph glyph)
{
    QIcon icon;
    for (qreal dpr : {1.0, 2.0})
        icon.addPixmap(GlyphPixmap(glyph, dpr));
    return icon;
}

int TLayerToolbar::GroupStep()
{
    // Qt already works in pixels at 96 per inch, scaled to the screen for us.
    return 40;
}

TLayerToolbar::TLayerToolbar(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("pnlTools"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(BevelWidth);
    const auto button = [this](const char* name, TLayerGlyph glyph, const char* hint) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(LayerGlyph(glyph));
        b->setIconSize(QSize(16, 16));
        b->setAutoRaise(true); // flat speed buttons
        b->setToolTip(QString::fromLatin1(hint));
        b->setFocusPolicy(Qt::NoFocus);
        b->resize(ButtonSize, ButtonSize);
        return b;
    };
    btnSelect = button("btnSelect", TLayerGlyph::Open, "Loads an existing image");
    btnReset = button("btnReset", TLayerGlyph::Clear, "Clears the image");
    btnSave = button("btnSave", TLayerGlyph::Save, "Saves the active image");
    btnAdd = button("btnAdd", TLayerGlyph::AddImage, "Creates a new image layer from a file");
    btnText = button("btnText", TLayerGlyph::Text, "Creates a new text layer");
    btnDelete = button("btnDelete", TLayerGlyph::Delete, "Deletes the current selected layer");
    btnCut = button("btnCut", TLayerGlyph::Cut, "Cuts the selected layer and copies the image to the clipboard");
    btnCopy = button("btnCopy", TLayerGlyph::Copy, "Copies the selected layer image to the clipboard");
    btnPaste = button("btnPaste", TLayerGlyph::Paste, "Pastes a new layer from the clipboard");
    btnToFront = button("btnToFront", TLayerGlyph::ToFront, "Brings the selected layer to the front");
    btnOneTop = button("btnOneTop", TLayerGlyph::OneUp, "Brings the selected layer forward one level");
    btnOneBottom = button("btnOneBottom", TLayerGlyph::OneDown, "Sends the selected layer back one level");
    btnToBack = button("btnToBack", TLayerGlyph::ToBack, "Sends the selected layer to the back");
    btnRotateCCW = button("btnRotateCCW", TLayerGlyph::RotateCCW, "Rotates 90 CCW");
    btnRotateCW = button("btnRotateCW", TLayerGlyph::RotateCW, "Rotates 90 CW");
    btnUndo = button("btnUndo", TLayerGlyph::Undo, "Undoes the last change");
    btnRedo = button("btnRedo", TLayerGlyph::Redo, "Redoes the last undone change");

    gbrScaleBar = new QScrollBar(Qt::Horizontal, this);
    gbrScaleBar->setObjectName(QStringLiteral("gbrScaleBar"));
    gbrScaleBar->setMaximum(90);
    gbrScaleBar->setMinimum(-gbrScaleBar->maximum());
    gbrScaleBar->setPageStep(20);
    gbrScaleBar->setValue(0);
    gbrScaleBar->setToolTip(QStringLiteral("Zooms the image"));
    gbrScaleBar->resize(120, ButtonSize - 4);
    {
        QPalette pal = gbrScaleBar->palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Dark)); // button shadow
        gbrScaleBar->setPalette(pal);
    }

    QFont labelFont = font();
    labelFont.setBold(true);
    lblZoom = new QLabel(QStringLiteral("Zoom: 1x"), this);
    lblZoom->setObjectName(QStringLiteral("lblZoom"));
    lblSize = new QLabel(this);
    lblSize->setObjectName(QStringLiteral("lblSize"));
    for (QLabel* l : {lblZoom, lblSize}) {
        l->setFont(labelFont);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, QColor(0, 0, 128)); // navy
        l->setPalette(pal);
    }
    // The toolbar grows by one pixel beyond its buttons.
    setFixedHeight(2 + ButtonSize + 2 + 1);
    LayOut();
}

void TLayerToolbar::LayOut()
{
    const QList<QList<QToolButton*>> groups = {{btnSelect, btnReset, btnSave},
                                               {btnAdd, btnText, btnDelete},
                                               {btnCut, btnCopy, btnPaste},
                                               {btnToFront, btnOneTop, btnOneBottom, btnToBack},
                                               {btnRotateCCW, btnRotateCW},
                                               {btnUndo, btnRedo}};
    const int g = GroupStep();
    int groupStart = 10; // btnSelect keeps its left
    for (const auto& group : groups) {
        int left = groupStart;
        for (QToolButton* b : group) {
            b->move(left, 2);
            left += b->width();
        }
        groupStart = group.last()->x() + g;
    }
    const QRect cw = btnRedo->geometry();
    gbrScaleBar->move(cw.x() + cw.width() + 20, cw.y() + 2);
    lblZoom->adjustSize();
    lblZoom->move(gbrScaleBar->x() + gbrScaleBar->width() + 5, cw.y() + 5);
    lblSize->adjustSize();
    lblSize->move(width() - 2 * BevelWidth - lblSize->width() - btnSelect->x(), lblZoom->y());
}

void TLayerToolbar::SetSizeText(const QString& text)
{
    lblSize->setText(text);
    LayOut();
}

void TLayerToolbar::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    LayOut();
}
