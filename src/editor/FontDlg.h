#pragma once
// The text properties dialog: text, font, colour, opacity, anti-alias quality, drop shadow and
// bevel of a text layer, with a live preview drawn by the text renderer.

#include "editor/TextLayer.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QColorDialog;
class QComboBox;
class QFontDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QToolButton;
class TUpDown;

// The preview box: a plain widget whose painting the dialog does.
class TPaintBox : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    std::function<void(QPainter&)> OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TFontDlgFrm : public QDialog {
    Q_OBJECT
public:
    static constexpr int PreviewWidth = 450;
    static constexpr int PreviewHeight = 134;

    explicit TFontDlgFrm(QWidget* parent = nullptr);

    // Fills the controls from the layer; a layer without text gets the line "Type your text here".
    void LoadFromLayer(TTextParams& layer);
    // The settings of the controls, as ApplyToLayer gives them to a layer (rotation kept).
    TTextParams CurrentParams() const;
    // Copies the settings into the layer, draws its bitmap again (measured anew, so it is exactly
    // the size the drawing needs) and turns it by its rotation. When the drawing cannot be made
    // (a size beyond the bitmap limit) the layer is left as it was and the error is raised.
    void ApplyToLayer(TTextLayer& layer);
    // Copies the settings into plain parameters (what ApplyToLayer does before drawing).
    void ApplyToParams(TTextParams& params) const;

    // Measures and draws the current settings on a paint device (the preview box, or a bitmap);
    // records the size the text needs in FTextWidth, FTextHeight.
    void RenderText(QPainter& target, QPaintDevice* device, bool draw, bool preview);
    // OK is enabled exactly when this holds: text that is not blank and, with the shadow on,
    // whole numbers in the three shadow fields.
    bool InputValid() const;

    QColor TextColor() const;
    void SetTextColor(const QColor& color);
    const TTextFont& DialogFont() const { return FFont; }
    void SetDialogFont(const QFont& font); // as if picked in the font dialog
    QSize TextSize() const { return {FTextWidth, FTextHeight}; }

    // Controls, named by their role (tests drive them).
    QLabel* lblSample;
    QFrame* pnlSampleText;
    TPaintBox* pbxText;
    QGroupBox* PTFrame2;
    QToolButton* btnFont;
    QToolButton* btnColor;
    QLabel* lblAntiAQ;
    QComboBox* cbAAQuality;
    QLabel* lblTrack;
    QSlider* AlphaBar;
    QGroupBox* gbxShadow;
    QCheckBox* cbxShadow;
    QLabel* lblPosX;
    QLineEdit* edtPosX;
    TUpDown* udPosX;
    QLabel* lblPosY;
    QLineEdit* edtPosY;
    TUpDown* udPosY;
    QLabel* lblAlpha;
    QLineEdit* edtAlpha;
    TUpDown* udAlpha;
    QCheckBox* cbxBevel;
    QGroupBox* PTFrame3;
    QPlainTextEdit* memText;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QColorDialog* dlgColor;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void ConnectHandlers();
    void LayOut(int previewWidth);
    void UpdateShadowFields();
    void RefreshPreview();
    void PaintPreview(QPainter& painter);
    void btnColorClick();
    void btnFontClick();
    void UpdateColorGlyph();

    QFontDialog* FFontDialog;
    TTextFont FFont;
    int FRotation = 0;
    int FTextWidth = 0;
    int FTextHeight = 0;
};

// Opens the dialog on the layer; on OK the layer takes the settings and is drawn again. False on
// Cancel or without a layer.
bool EditTextLayer(TTextLayer* layer, QWidget* parent = nullptr);
