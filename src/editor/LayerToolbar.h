#pragma once
// pnlTools: the toolbar of the face steps. Six groups of flat glyph buttons (the last: undo, redo), the zoom gauge and
// its label, and the face size label at the right. Only controls and their layout live here; what
// the buttons do is TLayerCommands'.

#include <QFrame>
#include <QIcon>

class QLabel;
class QScrollBar;
class QToolButton;

class TLayerToolbar : public QFrame {
    Q_OBJECT
public:
    explicit TLayerToolbar(QWidget* parent = nullptr);

    QToolButton* btnSelect;
    QToolButton* btnReset;
    QToolButton* btnSave;
    QToolButton* btnAdd;
    QToolButton* btnText;
    QToolButton* btnDelete;
    QToolButton* btnCut;
    QToolButton* btnCopy;
    QToolButton* btnPaste;
    QToolButton* btnToFront;
    QToolButton* btnOneTop;
    QToolButton* btnOneBottom;
    QToolButton* btnToBack;
    QToolButton* btnRotateCCW;
    QToolButton* btnRotateCW;
    QToolButton* btnUndo;
    QToolButton* btnRedo;
    QScrollBar* gbrScaleBar; // the zoom gauge, -90..90
    QLabel* lblZoom;
    QLabel* lblSize;

    // Group gap g: 40 pixels at 96 pixels per inch.
    static int GroupStep();
    // Places everything by the toolbar's rule (also again when the width or a label changes).
    void LayOut();
    void SetSizeText(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// The glyphs of the layer tools and menu, drawn in code (16 x 16 at any screen scale).
enum class TLayerGlyph { Open, Clear, Save, AddImage, Text, Delete, Cut, Copy, Paste, ToFront, OneUp, OneDown, ToBack,
                         RotateCCW, RotateCW, Undo, Redo };
QIcon LayerGlyph(TLayerGlyph glyph);
