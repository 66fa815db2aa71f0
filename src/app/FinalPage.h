#pragma once
// The final page: the tool row above the final 3D view (type, orientation, shadow, zoom) and the
// options panel beside it (angles, background, smoothing, shadow intensity, light, CD position,
// export size). Every control writes one parameter of the view and redraws; only the type
// selector recomposes, which it asks the window to do.

#include "cover/BookType.h"
#include "render/D3DWin.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;
class QWidget;
class TImageViewInfo;

// The zoom the gauge asks for at position p: 1 + 0.01 p at or below 0, 1 + 0.005 p above.
double ZoomForGauge(int position);
// "Zoom: %.4gx" with the renderer's zoom.
QString ZoomCaption(double zoom);
// Track bar position of an angle in radians: round(angle x 180 / pi).
int AnglePosition(double radians);

class TFinalPage : public QObject {
    Q_OBJECT
public:
    // Builds the tool row and the options panel inside chart (the window's pnlChart2D) and takes
    // over the window's type combo. Both start hidden; ShowOnStep shows them on the final step.
    TFinalPage(QWidget* chart, QComboBox* finalType);
    ~TFinalPage() override;

    // The final view, or null when OpenGL could not be set up. The view is laid out beside the
    // options panel, its width matching the shape of previewPanel (the start-page preview).
    void SetView(TD3DWin* view, QWidget* previewPanel);
    TD3DWin* View() const { return FView; }

    void FinalTypeChanged(TBookType type, bool recompose);
    // The start page's type choice: selects the type and applies its rules without composing.
    void SelectType(TBookType type);
    void SetShadowEnabled(bool on);
    // Composes the face records for type into the view and shows the type's angles on the
    // track bars (without firing them). Nothing happens without a view.
    void ComposeFinal(TBookType type, TImageViewInfo& front, TImageViewInfo& side, TImageViewInfo& top);
    // Sets the angle track bars from the view without firing their handlers.
    void AnglesFromView();
    // Shows the tool row, the view and the options panel on the final step, hides them elsewhere.
    void ShowOnStep(bool finalStep);
    TBookType SelectedType() const;

    // The size of the saved final picture: the cover and its whole shadow, framed. The width is
    // the one the user chose, or until then the content's width at the view's own scale; the
    // height follows the content's shape.
    QSize ExportSize() const;
    bool ExportWidthChosen() const { return FExportWidthChosen; }
    // A width the user chose; nullopt follows the view's own scale again.
    void SetExportWidth(std::optional<int> width);
    // Saved pictures get a transparent background (PNG, TIFF, GIF; not JPEG or BMP).
    bool Transparent() const;
    void SetTransparent(bool on);

    // Controls, named as on the window.
    QWidget* pnlFinalTools = nullptr; // the final page's tool row
    QLabel* lblFinishType = nullptr;
    QComboBox* cmbFinalType = nullptr;
    QLabel* lblOrient = nullptr;
    QToolButton* btnOrientLeft = nullptr;
    QToolButton* btnOrientRight = nullptr;
    QCheckBox* chkShadow = nullptr;
    QSlider* gbrScaleFinal = nullptr;
    QLabel* lblZoomFinal = nullptr;

    QWidget* pnlOptions = nullptr;
    QLabel* lblAngleX = nullptr;
    QSlider* trkAngleX = nullptr;
    QLabel* lblAngleY = nullptr;
    QSlider* trkAngleY = nullptr;
    QPushButton* btnColor = nullptr;
    QPushButton* btnSmooth = nullptr;
    QLabel* lblShadow = nullptr;
    QSlider* gbrIntensity = nullptr;
    QLabel* lblLightCY = nullptr;
    QSlider* gbrLightCY = nullptr;
    QLabel* lblLightPos = nullptr;
    QSlider* trkLight = nullptr;
    QLabel* lblPosCD = nullptr;
    QSlider* trkPosCD = nullptr;
    QLabel* lblExportSize = nullptr;
    QSpinBox* edtExportWidth = nullptr;
    QLabel* lblExportHeight = nullptr;
    QCheckBox* chkTransparent = nullptr;
    QPushButton* btnCopy = nullptr;
    QAction* actCopy = nullptr; // Ctrl+C while a control of the final page has the focus

    // Puts the finished picture (as it would be saved) on the clipboard.
    void CopyPicture();

signals:
    // The type selector changed: the window composes its face records for the type.
    void ComposeRequested(TBookType type);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolRow(QWidget* chart);
    void BuildOptions(QWidget* chart);
    void Layout();
    void Redraw();
    void RefreshOrientation();
    void UpdateExportHeight();

    void cmbFinalTypeChange(int index);
    void trkAngleXChange(int position);
    void trkAngleYChange(int position);
    void btnOrientLeftClick();
    void btnOrientRightClick();
    void chkShadowClick(bool checked);
    void gbrIntensityChange(int position);
    void LightChange();
    void trkPosCDChange(int position);
    void btnSmoothClick();
    void btnColorClick();
    void gbrScaleFinalChange(int position);

    QWidget* FChart = nullptr;
    QPointer<TD3DWin> FView;
    QPointer<QWidget> FPreviewPanel;
    bool FExportWidthChosen = false; // the user typed a width: stop following the view
    bool ViewMouseEvent(QEvent* event);
    TBookType FComposedType = btTwoSidedBox; // whose angles a double-click on the view restores
    QPoint FDragFrom;
    bool FDragging = false;
};
