#pragma once
// The final page: the tool row above the final 3D view (type, orientation, shadow, zoom, quality)
// and the options panel beside it (angles, background, smoothing, shadow intensity, light, CD
// position, the photo's reflection and gloss, export size). At Photo quality a traced picture
// refines over the view (TPhotoPreview) and saved pictures are traced too. The page shows the document's settings: every control (and a drag or the wheel
// on the view) changes them through the document's commands, and the page follows whatever the
// document holds, so undo, a project and Back/Next all show the same. Only a type change
// recomposes, which the page asks the window to do.

#include "app/PhotoRequest.h"
#include "cover/BookType.h"
#include "document/SettingKey.h"
#include "project/Project.h"
#include "render/D3DWin.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <functional>
#include <optional>

class QAction;
class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;
class QWidget;
class TImageViewInfo;
class TPhotoPreview;
class TTavloDocument;

// The zoom the gauge asks for at position p: 1 + 0.01 p at or below 0, 1 + 0.005 p above.
double ZoomForGauge(int position);
// The gauge's position that asks for zoom (the inverse of ZoomForGauge), within the gauge's range.
int GaugeForZoom(double zoom);
// "Zoom: %.4gx" with the renderer's zoom.
QString ZoomCaption(double zoom);
// Track bar position of an angle in radians: round(angle x 180 / pi).
int AnglePosition(double radians);

class TFinalPage : public QObject {
    Q_OBJECT
public:
    // Builds the tool row and the options panel inside chart (the window's pnlChart2D) and takes
    // over the window's type combo. Both start hidden; ShowOnStep shows them on the final step.
    TFinalPage(QWidget* chart, QComboBox* finalType, TTavloDocument& document);
    ~TFinalPage() override;

    // The final view, or null when OpenGL could not be set up. The view is laid out beside the
    // options panel, its width matching the shape of previewPanel (the start-page preview).
    void SetView(TD3DWin* view, QWidget* previewPanel);
    TD3DWin* View() const { return FView; }

    // Composes the face records for type into the view and turns it to the document's angles.
    // Nothing happens without a view.
    void ComposeFinal(TBookType type, TImageViewInfo& front, TImageViewInfo& side, TImageViewInfo& top);
    // Shows the tool row, the view and the options panel on the final step, hides them elsewhere.
    void ShowOnStep(bool finalStep);
    TBookType SelectedType() const;

    // The size of the saved final picture: the cover and its whole shadow, framed. The width is
    // the one the user chose, or until then the content's width at the view's own scale; the
    // height follows the content's shape.
    QSize ExportSize() const;
    // Saved pictures get a transparent background (PNG, TIFF, GIF; not JPEG or BMP).
    bool Transparent() const;

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
    // The value of each angle and light slider, shown beside its caption.
    QLabel* lblAngleXValue = nullptr;
    QLabel* lblAngleYValue = nullptr;
    QLabel* lblLightCYValue = nullptr;
    QLabel* lblLightPosValue = nullptr;
    QLabel* lblExportSize = nullptr;
    QSpinBox* edtExportWidth = nullptr;
    QLabel* lblExportHeight = nullptr;
    QCheckBox* chkTransparent = nullptr;
    QPushButton* btnCopy = nullptr;
    // The picture's quality; the photo's look is shown at Photo quality only.
    QLabel* lblQuality = nullptr;
    QComboBox* cmbQuality = nullptr;
    QLabel* lblReflection = nullptr;
    QSlider* trkReflection = nullptr;
    QLabel* lblReflectionValue = nullptr;
    QLabel* lblGloss = nullptr;
    QSlider* trkGloss = nullptr;
    QLabel* lblGlossValue = nullptr;
    QLabel* lblPhotoProgress = nullptr; // how far the view's photo has refined
    QAction* actCopy = nullptr; // Ctrl+C while a control of the final page has the focus

    // Puts the finished picture (as it would be saved) on the clipboard.
    void CopyPicture();

    // The traced picture over the view at Photo quality; null without a view.
    TPhotoPreview* PhotoPreview() const { return FPhotoPreview; }
    // At Photo quality, what a saved picture is traced from (the export size, cut, transparent
    // as chosen); nothing at Standard quality or without a composed cover.
    std::optional<TPhotoRequest> SavedPhoto() const;
    // The saved picture traced with a progress dialog over parent; nothing when cancelled.
    std::optional<TBitmap32> TracePicture(QWidget* parent);

    // Gauge positions a wheel notch on the view moves the zoom.
    static constexpr int WheelNotchPositions = 4;

signals:
    // The document's type changed: the window composes its face records for the type.
    void ComposeRequested(TBookType type);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolRow(QWidget* chart);
    void BuildOptions(QWidget* chart);
    // The quality choice in the tool row and the photo's look in the options panel.
    void BuildQualityChoice(QHBoxLayout* row);
    int BuildPhotoLook(QGridLayout* grid, int row);
    void ConnectQuality();
    void ShowQuality(const TFinalSettings& settings);
    // A drag of the slider's handle is one step of the history.
    void TrackSliderGesture(QSlider* slider);
    // Composes into the view and into the cover the photo is traced from.
    void ComposeCover(TBookType type, TImageViewInfo& front, TImageViewInfo& side, TImageViewInfo& top);
    // Shows the photo over the view and traces it when the page is at Photo quality, else hides it.
    void RefreshPhoto();
    // The photo of the view itself: the view's size, the whole view.
    TPhotoRequest PhotoRequest(bool saved) const;
    void Connect();
    void Layout();
    void Redraw();
    void RefreshOrientation();
    void UpdateExportHeight();
    // The document's settings on the controls (without firing them) and in the view.
    void ShowSettings(const TFinalSettings& before, const TFinalSettings& after);
    void ShowTypeRules(TBookType type);
    void ApplyAnglesToView();
    // One change of the document's settings; gesture 0 is a step of its own.
    void Change(TSettingKey key, const std::function<void(TFinalSettings&)>& edit, int gesture = 0);
    // Changes the angles (degrees); unset ones keep the document's.
    void ChangeAngles(std::optional<int> x, std::optional<int> y, int gesture);
    // The gesture a slider's change belongs to: one per drag of its handle, none for key steps.
    int SliderGesture(const QSlider* slider) const;

    void btnSmoothClick();
    void btnColorClick();

    QWidget* FChart = nullptr;
    TTavloDocument& FDocument;
    QPointer<TD3DWin> FView;
    QPointer<QWidget> FPreviewPanel;
    bool ViewMouseEvent(QEvent* event);
    QPoint FDragFrom;
    bool FDragging = false;
    int FDragGesture = 0;   // the cover drag under way
    int FSliderGesture = 0; // the slider handle being dragged
    int FWheelGesture = 0;  // the run of wheel notches under way
    qint64 FLastWheelMs = 0;
    int FWidthGesture = 0;  // typing in the width box
    TPhotoPreview* FPhotoPreview = nullptr;
    std::shared_ptr<const TComposedCover> FCover; // as composed last, for the photo
    TBookType FCoverType = btTwoSidedBox;
};
