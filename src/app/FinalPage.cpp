#include "app/FinalPage.h"

#include "app/PhotoPreview.h"
#include "app/SaveFlow.h"
#include "cover/Composition.h"
#include "cover/ImageViewInfo.h"
#include "document/TavloDocument.h"
#include "render/D3DWin.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QDateTime>
#include <QWheelEvent>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <cmath>

namespace {
constexpr double DegToRad = 0.017453292519943295; // pi / 180
constexpr int ToolRowHeight = 34;
constexpr int MaxExportSide = 8192;

QString PositionHint(int position) { return QString::asprintf("Current position = %d", position); }

// Wheel notches closer together than this are one zoom step of the history.
constexpr qint64 WheelRunMs = 800;

// A track bar or gauge: horizontal slider with the given range and value, and a hint.
QSlider* MakeSlider(QWidget* parent, const char* name, int minimum, int maximum, int value, bool ticks)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(minimum, maximum);
    s->setValue(value);
    if (ticks)
        s->setTickPosition(QSlider::TicksBelow);
    return s;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QWidget* buddy = nullptr)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    if (buddy)
        l->setBuddy(buddy); // "&" gives the access key that focuses the control
    return l;
}

void SetUpAngleTrackBar(QSlider* trk)
{
    trk->setRange(0, 360);
    trk->setSingleStep(trk->maximum() / 180);
    trk->setPageStep(5 * trk->singleStep());
    trk->setTickInterval(trk->pageStep());
    trk->setToolTip(QStringLiteral("Adjust 3D View"));
}

QColor FromColor32(TColor32 c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }
} // namespace

double ZoomForGauge(int position)
{
    return position <= 0 ? 1 + 0.01 * position : 1 + 0.005 * position;
}

int GaugeForZoom(double zoom)
{
    const double position = zoom <= 1.0 ? (zoom - 1.0) / 0.01 : (zoom - 1.0) / 0.005;
    return std::clamp(int(std::lround(position)), -20, 20);
}

QString ZoomCaption(double zoom) { return QString::asprintf("Zoom: %.4gx", zoom); }

int AnglePosition(double radians) { return int(std::lround(radians * 180 / M_PI)); }

TFinalPage::TFinalPage(QWidget* chart, QComboBox* finalType, TTavloDocument& document)
    : QObject(chart), cmbFinalType(finalType), FChart(chart), FDocument(document)
{
    BuildToolRow(chart);
    BuildOptions(chart);
    Connect();
    chart->installEventFilter(this);
    ShowSettings(FDocument.Settings(), FDocument.Settings());
    ShowOnStep(false);
}

TFinalPage::~TFinalPage()
{
    if (FChart)
        FChart->removeEventFilter(this);
}

void TFinalPage::BuildToolRow(QWidget* chart)
{
    pnlFinalTools = new QWidget(chart);
    pnlFinalTools->setObjectName("pnlFinalTools");
    auto* row = new QHBoxLayout(pnlFinalTools);
    row->setContentsMargins(6, 2, 6, 2);

    cmbFinalType->setParent(pnlFinalTools);
    cmbFinalType->show();
    lblFinishType = MakeLabel(pnlFinalTools, "lblFinishType", QStringLiteral("Tavlo &Type:"), cmbFinalType);
    lblOrient = MakeLabel(pnlFinalTools, "lblOrient", QStringLiteral("Orientation:"));
    btnOrientLeft = new QToolButton(pnlFinalTools);
    btnOrientLeft->setObjectName("btnOrientLeft");
    btnOrientLeft->setIcon(pnlFinalTools->style()->standardIcon(QStyle::SP_ArrowLeft));
    btnOrientLeft->setToolTip(QStringLiteral("Left orientation"));
    btnOrientRight = new QToolButton(pnlFinalTools);
    btnOrientRight->setObjectName("btnOrientRight");
    btnOrientRight->setIcon(pnlFinalTools->style()->standardIcon(QStyle::SP_ArrowRight));
    btnOrientRight->setToolTip(QStringLiteral("Right orientation"));
    for (QToolButton* b : {btnOrientLeft, btnOrientRight})
        b->setCheckable(true); // a group of two, but in between neither is down
    btnOrientLeft->setChecked(true);
    chkShadow = new QCheckBox(QStringLiteral("S&hadow"), pnlFinalTools);
    chkShadow->setObjectName("chkShadow");
    chkShadow->setToolTip(QStringLiteral("Adds shadow to the image"));
    chkShadow->setChecked(true);
    gbrScaleFinal = MakeSlider(pnlFinalTools, "gbrScaleFinal", 0, 20, 0, false);
    gbrScaleFinal->setMinimum(-gbrScaleFinal->maximum());
    gbrScaleFinal->setToolTip(QStringLiteral("Zoom"));
    gbrScaleFinal->setFixedWidth(120);
    lblZoomFinal = MakeLabel(pnlFinalTools, "lblZoomFinal", QStringLiteral(" Zoom: 1x"));
    QPalette navy = lblZoomFinal->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    lblZoomFinal->setPalette(navy);
    lblZoomFinal->setMinimumWidth(lblZoomFinal->fontMetrics().horizontalAdvance(QStringLiteral("Zoom: 0.8888x")));

    row->addWidget(lblFinishType);
    row->addWidget(cmbFinalType);
    row->addSpacing(12);
    row->addWidget(lblOrient);
    row->addWidget(btnOrientLeft);
    row->addWidget(btnOrientRight);
    row->addSpacing(12);
    row->addWidget(chkShadow);
    row->addSpacing(12);
    row->addWidget(gbrScaleFinal);
    row->addWidget(lblZoomFinal);
    row->addSpacing(12);
    BuildQualityChoice(row);
    row->addStretch(1);

}

void TFinalPage::BuildOptions(QWidget* chart)
{
    pnlOptions = new QWidget(chart);
    pnlOptions->setObjectName("pnlOptions");
    trkAngleX = MakeSlider(pnlOptions, "trkAngleX", 0, 360, 0, true);
    trkAngleY = MakeSlider(pnlOptions, "trkAngleY", 0, 360, 0, true);
    SetUpAngleTrackBar(trkAngleX);
    SetUpAngleTrackBar(trkAngleY);
    lblAngleX = MakeLabel(pnlOptions, "lblAngleX", QStringLiteral("Axis.&X Rotation  [0,360]:"), trkAngleX);
    lblAngleY = MakeLabel(pnlOptions, "lblAngleY", QStringLiteral("Axis.&Y Rotation  [0,360]:"), trkAngleY);
    btnColor = new QPushButton(QStringLiteral("&Background Color"), pnlOptions);
    btnColor->setObjectName("btnColor");
    btnSmooth = new QPushButton(QStringLiteral("&Smooth Edges"), pnlOptions);
    btnSmooth->setObjectName("btnSmooth");
    gbrIntensity = MakeSlider(pnlOptions, "gbrIntensity", 0, 100, 50, false);
    lblShadow = MakeLabel(pnlOptions, "lblShadow", QStringLiteral("Shadow Intensity:"), gbrIntensity);
    gbrLightCY = MakeSlider(pnlOptions, "gbrLightCY", 0, 100, 72, false);
    lblLightCY = MakeLabel(pnlOptions, "lblLightCY", QStringLiteral("Light Attitude:"), gbrLightCY);
    trkLight = MakeSlider(pnlOptions, "trkLight", 0, 100, 10, true);
    trkLight->setTickInterval(10);
    lblLightPos = MakeLabel(pnlOptions, "lblLightPos", QStringLiteral("Light &Orientation  [0,100]:"), trkLight);
    trkPosCD = MakeSlider(pnlOptions, "trkPosCD", 0, 100, 50, true);
    trkPosCD->setTickInterval(10);
    lblPosCD = MakeLabel(pnlOptions, "lblPosCD", QStringLiteral("&CD Position  [0,100]:"), trkPosCD);
    for (QSlider* s : {gbrIntensity, gbrLightCY, trkLight, trkPosCD})
        s->setToolTip(PositionHint(s->value()));
    lblPosCD->hide();
    trkPosCD->hide();
    const auto valueLabel = [this](const char* name) {
        auto* l = new QLabel(pnlOptions);
        l->setObjectName(QLatin1String(name));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    lblAngleXValue = valueLabel("lblAngleXValue");
    lblAngleYValue = valueLabel("lblAngleYValue");
    lblLightCYValue = valueLabel("lblLightCYValue");
    lblLightPosValue = valueLabel("lblLightPosValue");

    // The size a saved picture is rendered at; the height follows the view's shape.
    edtExportWidth = new QSpinBox(pnlOptions);
    edtExportWidth->setObjectName("edtExportWidth");
    edtExportWidth->setRange(16, MaxExportSide);
    edtExportWidth->setSuffix(QStringLiteral(" px"));
    edtExportWidth->setToolTip(
        QStringLiteral("Width of the saved picture, which holds the cover and its whole shadow; the height follows"));
    lblExportSize = MakeLabel(pnlOptions, "lblExportSize", QStringLiteral("Saved Picture &Width:"), edtExportWidth);
    lblExportHeight = MakeLabel(pnlOptions, "lblExportHeight", QString());
    chkTransparent = new QCheckBox(QStringLiteral("Transparent background"), pnlOptions);
    chkTransparent->setObjectName("chkTransparent");
    chkTransparent->setToolTip(QStringLiteral(
        "PNG and TIFF pictures get a see-through background and a see-through shadow; GIF gets one transparent "
        "colour. JPEG and BMP cannot be transparent and keep the background colour."));

    auto* grid = new QGridLayout(pnlOptions);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setColumnStretch(0, 1);
    grid->addWidget(lblAngleX, 0, 0);
    grid->addWidget(lblAngleXValue, 0, 0, Qt::AlignRight);
    grid->addWidget(trkAngleX, 1, 0);
    grid->addWidget(btnColor, 1, 1);
    grid->addWidget(lblAngleY, 2, 0);
    grid->addWidget(lblAngleYValue, 2, 0, Qt::AlignRight);
    grid->addWidget(trkAngleY, 3, 0);
    grid->addWidget(btnSmooth, 3, 1);
    grid->addWidget(lblShadow, 4, 0, 1, 2);
    grid->addWidget(gbrIntensity, 5, 0, 1, 2);
    grid->addWidget(lblLightCY, 6, 0, 1, 2);
    grid->addWidget(lblLightCYValue, 6, 0, 1, 2, Qt::AlignRight);
    grid->addWidget(gbrLightCY, 7, 0, 1, 2);
    grid->addWidget(lblLightPos, 8, 0, 1, 2);
    grid->addWidget(lblLightPosValue, 8, 0, 1, 2, Qt::AlignRight);
    grid->addWidget(trkLight, 9, 0, 1, 2);
    grid->addWidget(lblPosCD, 10, 0, 1, 2);
    grid->addWidget(trkPosCD, 11, 0, 1, 2);
    int row = BuildPhotoLook(grid, 12);
    auto* exportRow = new QHBoxLayout;
    exportRow->addWidget(edtExportWidth);
    exportRow->addWidget(lblExportHeight, 1);
    grid->addWidget(lblExportSize, row++, 0, 1, 2);
    grid->addLayout(exportRow, row++, 0, 1, 2);
    grid->addWidget(chkTransparent, row++, 0, 1, 2);
    btnCopy = new QPushButton(QStringLiteral("Co&py Picture"), pnlOptions);
    btnCopy->setObjectName("btnCopy");
    btnCopy->setToolTip(QStringLiteral("Copies the finished picture to the clipboard (Ctrl+C)"));
    grid->addWidget(btnCopy, row++, 0, 1, 2, Qt::AlignLeft);
    grid->setRowStretch(row, 1);
    actCopy = new QAction(QStringLiteral("Copy Picture"), this);
    actCopy->setShortcut(QKeySequence::Copy);
    actCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    pnlOptions->addAction(actCopy);
    pnlFinalTools->addAction(actCopy);
    connect(actCopy, &QAction::triggered, this, &TFinalPage::CopyPicture);
    connect(btnCopy, &QPushButton::clicked, this, &TFinalPage::CopyPicture);
}

// Every control asks the document for the change; what the controls and the view show comes
// back through SettingsChanged, the same way as undo and redo.
void TFinalPage::Connect()
{
    connect(&FDocument, &TTavloDocument::SettingsChanged, this, &TFinalPage::ShowSettings);
    // A project or template replaced the work: its settings on the controls at once.
    connect(&FDocument, &TTavloDocument::Replaced, this,
            [this] { ShowSettings(FDocument.Settings(), FDocument.Settings()); });
    connect(cmbFinalType, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            FDocument.SetType(TBookType(index));
    });
    // A click on the button already down changes nothing and leaves it down.
    connect(btnOrientLeft, &QToolButton::clicked, this, [this] {
        ChangeAngles(std::nullopt, 30, 0);
        RefreshOrientation();
    });
    connect(btnOrientRight, &QToolButton::clicked, this, [this] {
        ChangeAngles(std::nullopt, 330, 0);
        RefreshOrientation();
    });
    connect(chkShadow, &QCheckBox::clicked, this,
            [this](bool on) { Change(TSettingKey::Shadow, [on](TFinalSettings& s) { s.Shadow = on; }); });
    connect(gbrScaleFinal, &QSlider::valueChanged, this, [this](int position) {
        Change(TSettingKey::Zoom, [position](TFinalSettings& s) { s.Zoom = ZoomForGauge(position); },
               SliderGesture(gbrScaleFinal));
    });
    // A drag of a slider's handle is one step of the history; each key press is one too.
    for (QSlider* s : {trkAngleX, trkAngleY, gbrIntensity, gbrLightCY, trkLight, trkPosCD, gbrScaleFinal})
        TrackSliderGesture(s);
    connect(trkAngleX, &QSlider::valueChanged, this,
            [this](int position) { ChangeAngles(position, std::nullopt, SliderGesture(trkAngleX)); });
    connect(trkAngleY, &QSlider::valueChanged, this,
            [this](int position) { ChangeAngles(std::nullopt, position, SliderGesture(trkAngleY)); });
    connect(gbrIntensity, &QSlider::valueChanged, this, [this](int position) {
        Change(TSettingKey::ShadowStrength, [position](TFinalSettings& s) { s.ShadowStrength = position; },
               SliderGesture(gbrIntensity));
    });
    connect(gbrLightCY, &QSlider::valueChanged, this, [this](int position) {
        Change(TSettingKey::Light, [position](TFinalSettings& s) { s.LightElevation = position; },
               SliderGesture(gbrLightCY));
    });
    connect(trkLight, &QSlider::valueChanged, this, [this](int position) {
        Change(TSettingKey::Light, [position](TFinalSettings& s) { s.LightAzimuth = position; },
               SliderGesture(trkLight));
    });
    connect(trkPosCD, &QSlider::valueChanged, this, [this](int position) {
        Change(TSettingKey::CDPosition, [position](TFinalSettings& s) { s.CDPosition = position; },
               SliderGesture(trkPosCD));
    });
    connect(btnSmooth, &QPushButton::clicked, this, &TFinalPage::btnSmoothClick);
    connect(btnColor, &QPushButton::clicked, this, &TFinalPage::btnColorClick);
    connect(chkTransparent, &QCheckBox::clicked, this, [this](bool on) {
        Change(TSettingKey::Transparent, [on](TFinalSettings& s) { s.TransparentBackground = on; });
    });
    // Typing a width is one step until the box loses the focus.
    edtExportWidth->installEventFilter(this);
    connect(edtExportWidth, &QSpinBox::valueChanged, this, [this](int width) {
        if (!FWidthGesture)
            FWidthGesture = FDocument.NewGesture();
        Change(TSettingKey::ExportWidth, [width](TFinalSettings& s) {
            s.ExportWidth = width;
            s.ExportWidthChosen = true;
        }, FWidthGesture);
    });
    ConnectQuality();
}

void TFinalPage::TrackSliderGesture(QSlider* slider)
{
    connect(slider, &QSlider::sliderPressed, this, [this] { FSliderGesture = FDocument.NewGesture(); });
    connect(slider, &QSlider::sliderReleased, this, [this] { FSliderGesture = 0; });
}

int TFinalPage::SliderGesture(const QSlider* slider) const { return slider->isSliderDown() ? FSliderGesture : 0; }

void TFinalPage::Change(TSettingKey key, const std::function<void(TFinalSettings&)>& edit, int gesture)
{
    TFinalSettings next = FDocument.Settings();
    edit(next);
    FDocument.ChangeSettings(next, key, gesture);
}

void TFinalPage::ChangeAngles(std::optional<int> x, std::optional<int> y, int gesture)
{
    const int ax = x.value_or(FDocument.AngleX()), ay = y.value_or(FDocument.AngleY());
    Change(TSettingKey::Angles, [ax, ay](TFinalSettings& s) {
        s.AngleX = ax;
        s.AngleY = ay;
    }, gesture);
}

void TFinalPage::ShowSettings(const TFinalSettings& before, const TFinalSettings& s)
{
    const auto set = [](QAbstractSlider* slider, int value) {
        const QSignalBlocker block(slider);
        slider->setValue(value);
        slider->setToolTip(slider->objectName().startsWith(QLatin1String("trkAngle")) ? QStringLiteral("Adjust 3D View")
                                                                                       : PositionHint(value));
    };
    {
        const QSignalBlocker block(cmbFinalType);
        cmbFinalType->setCurrentIndex(int(s.Type));
    }
    ShowTypeRules(s.Type);
    set(trkAngleX, FDocument.AngleX());
    set(trkAngleY, FDocument.AngleY());
    set(gbrIntensity, s.ShadowStrength);
    set(gbrLightCY, s.LightElevation);
    set(trkLight, s.LightAzimuth);
    set(trkPosCD, s.CDPosition);
    set(gbrScaleFinal, GaugeForZoom(s.Zoom));
    lblAngleXValue->setText(QString::number(trkAngleX->value()));
    lblAngleYValue->setText(QString::number(trkAngleY->value()));
    lblLightCYValue->setText(QString::number(gbrLightCY->value()));
    lblLightPosValue->setText(QString::number(trkLight->value()));
    chkShadow->setChecked(s.Shadow);
    lblShadow->setEnabled(s.Shadow);
    gbrIntensity->setEnabled(s.Shadow);
    chkTransparent->setChecked(s.TransparentBackground);
    if (s.ExportWidthChosen) {
        const QSignalBlocker block(edtExportWidth);
        edtExportWidth->setValue(s.ExportWidth);
    }
    RefreshOrientation();
    if (FView) {
        FView->FShadow = s.Shadow;
        FView->SetShadowStrength(float(s.ShadowStrength * 0.01));
        FView->SetLight(float(s.LightElevation * 0.01), float(s.LightAzimuth * 0.01));
        FView->FCDPosition = float(s.CDPosition * 0.01);
        FView->FBackColor = s.Background | 0xFF000000u;
        FView->SetZoom(float(s.Zoom));
        lblZoomFinal->setText(ZoomCaption(FView->FZoom));
    } else {
        lblZoomFinal->setText(ZoomCaption(s.Zoom));
    }
    ShowQuality(s);
    if (before.Type != s.Type) {
        emit ComposeRequested(s.Type); // composes and turns the view to the angles
        return;
    }
    ApplyAnglesToView();
    // Off the final step the view waits: entering the step composes and draws it.
    if (!pnlOptions->isHidden())
        Redraw();
}

void TFinalPage::ShowTypeRules(TBookType type)
{
    const bool orient = OrientationEnabledFor(type);
    lblOrient->setEnabled(orient);
    btnOrientLeft->setEnabled(orient);
    btnOrientRight->setEnabled(orient);
    lblPosCD->setVisible(ShowsCDPosition(type));
    trkPosCD->setVisible(ShowsCDPosition(type));
}

void TFinalPage::ApplyAnglesToView()
{
    if (!FView)
        return;
    FView->SetAngleX(float(FDocument.AngleX() * DegToRad));
    FView->SetAngleY(float(FDocument.AngleY() * DegToRad));
}

void TFinalPage::SetView(TD3DWin* view, QWidget* previewPanel)
{
    FView = view;
    FPreviewPanel = previewPanel;
    if (!view)
        return;
    view->SetFillParent(false);
    // Dragging turns the cover, the wheel zooms, a double-click goes back to the type's angles.
    view->installEventFilter(this);
    view->setCursor(Qt::OpenHandCursor);
    view->setToolTip(QStringLiteral("Drag to turn the cover, use the wheel to zoom, double-click for the "
                                    "type's own angles"));
    view->addAction(actCopy);
    FPhotoPreview = new TPhotoPreview(FChart, lblPhotoProgress);
    Layout();
    ShowSettings(FDocument.Settings(), FDocument.Settings());
    ShowOnStep(pnlOptions->isVisible());
}

void TFinalPage::Layout()
{
    if (!FChart)
        return;
    const int left = 0;
    pnlFinalTools->setGeometry(left, 0, FChart->width() - left, ToolRowHeight);
    const int top = ToolRowHeight + 2;
    const int height = std::max(1, FChart->height() - top - 4);
    int viewWidth = height * 4 / 3;
    // The final picture has the shape of the start-page preview.
    if (FPreviewPanel && FPreviewPanel->height() > 0)
        viewWidth = int(std::lround(double(FPreviewPanel->width()) * height / FPreviewPanel->height())) - 6;
    // The options panel keeps room for its controls on narrow windows.
    viewWidth = std::clamp(viewWidth, 1, std::max(1, FChart->width() - left - 260));
    if (FView)
        FView->setGeometry(left, top, viewWidth, height);
    const int optionsLeft = left + viewWidth;
    pnlOptions->setGeometry(optionsLeft, top, std::max(0, FChart->width() - optionsLeft - left), height);
    UpdateExportHeight();
    RefreshPhoto(); // a photo of the view's new size
}

bool TFinalPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FChart && event->type() == QEvent::Resize)
        Layout();
    if (watched == edtExportWidth && event->type() == QEvent::FocusOut)
        FWidthGesture = 0;
    if (FView && watched == FView && ViewMouseEvent(event))
        return true;
    return QObject::eventFilter(watched, event);
}

namespace {
// One degree for every two pixels dragged; the angles go round.
int TurnedAngle(int degrees, int pixels) { return ((degrees + pixels / 2) % 360 + 360) % 360; }
} // namespace

bool TFinalPage::ViewMouseEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            return false;
        FDragging = true;
        FDragGesture = FDocument.NewGesture(); // the whole drag is one step
        FDragFrom = e->position().toPoint();
        FView->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (!FDragging)
            return false;
        const QPoint moved = e->position().toPoint() - FDragFrom;
        if (std::abs(moved.x()) < 2 && std::abs(moved.y()) < 2)
            return true;
        FDragFrom += QPoint(moved.x() / 2 * 2, moved.y() / 2 * 2);
        ChangeAngles(TurnedAngle(FDocument.AngleX(), moved.y()), TurnedAngle(FDocument.AngleY(), moved.x()),
                     FDragGesture);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!FDragging)
            return false;
        FDragging = false;
        FView->setCursor(Qt::OpenHandCursor);
        return true;
    case QEvent::MouseButtonDblClick:
        Change(TSettingKey::Angles, [](TFinalSettings& s) {
            s.AngleX.reset();
            s.AngleY.reset();
        });
        return true;
    case QEvent::Wheel: {
        auto* e = static_cast<QWheelEvent*>(event);
        const int steps = e->angleDelta().y() / 120;
        if (steps == 0)
            return true;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (!FWheelGesture || now - FLastWheelMs > WheelRunMs)
            FWheelGesture = FDocument.NewGesture();
        FLastWheelMs = now;
        const int position = std::clamp(gbrScaleFinal->value() + steps * WheelNotchPositions, gbrScaleFinal->minimum(),
                                        gbrScaleFinal->maximum());
        Change(TSettingKey::Zoom, [position](TFinalSettings& s) { s.Zoom = ZoomForGauge(position); }, FWheelGesture);
        return true;
    }
    default:
        return false;
    }
}

void TFinalPage::CopyPicture()
{
    if (!FView || !FView->GLReady() || !pnlOptions->isEnabled())
        return;
    if (SavedPhoto()) {
        if (const std::optional<TBitmap32> photo = TracePicture(pnlOptions->window()))
            QApplication::clipboard()->setImage(photo->ToImage());
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct TRestore {
        ~TRestore() { QApplication::restoreOverrideCursor(); }
    } restore;
    const TBitmap32 picture = CaptureFinalView(*FView, ExportSize().width(), Transparent());
    QApplication::clipboard()->setImage(picture.ToImage());
}

void TFinalPage::ShowOnStep(bool finalStep)
{
    actCopy->setEnabled(finalStep); // Ctrl+C belongs to the face editor on the other steps
    pnlFinalTools->setVisible(finalStep);
    pnlOptions->setVisible(finalStep);
    pnlOptions->setEnabled(finalStep);
    if (finalStep)
        pnlFinalTools->raise(); // above the face editor's toolbar, which the final step hides
    if (FView) {
        FView->setVisible(finalStep);
        FView->setEnabled(finalStep);
    }
    RefreshPhoto();
}

TBookType TFinalPage::SelectedType() const { return TBookType(std::max(0, cmbFinalType->currentIndex())); }

QSize TFinalPage::ExportSize() const
{
    int width = edtExportWidth->value();
    if (!FView || !FView->GLReady())
        return {width, width};
    if (!FDocument.Settings().ExportWidthChosen) // the view's own scale, as the view is now
        width = std::min(MaxExportSide, NaturalFinalWidth(*FView));
    const QSize size = FinalPictureSize(*FView, width);
    if (size.height() <= MaxExportSide)
        return size;
    // A tall picture: the height reaches the limit first.
    const int narrower = std::max(16, int(double(width) * MaxExportSide / size.height()));
    return FinalPictureSize(*FView, narrower);
}

bool TFinalPage::Transparent() const { return chkTransparent->isChecked(); }

void TFinalPage::UpdateExportHeight()
{
    if (!FDocument.Settings().ExportWidthChosen && FView && FView->GLReady()) {
        // Until the user picks a width the picture is saved at the view's own scale.
        const QSignalBlocker block(edtExportWidth);
        edtExportWidth->setValue(std::min(MaxExportSide, NaturalFinalWidth(*FView)));
    }
    const QSize size = ExportSize();
    if (size.width() != edtExportWidth->value()) {
        const QSignalBlocker block(edtExportWidth);
        edtExportWidth->setValue(size.width());
    }
    lblExportHeight->setText(QString::asprintf(" x %d", size.height()));
    if (FView) {
        const qreal dpr = FView->devicePixelRatioF();
        // The picture is framed within the view, so its shape travels with a project.
        FDocument.SetMeasuredSizes(int(std::lround(FView->width() * dpr)), int(std::lround(FView->height() * dpr)),
                                   size.width(), size.height());
    }
}

void TFinalPage::Redraw()
{
    if (FView)
        FView->ShowCover(nullptr, 0, 0, 0);
    UpdateExportHeight(); // the content's shape changes with the angles, the zoom and the light
}

void TFinalPage::RefreshOrientation()
{
    btnOrientLeft->setChecked(trkAngleY->value() < 31);
    btnOrientRight->setChecked(trkAngleY->value() >= 330);
}

void TFinalPage::ComposeFinal(TBookType type, TImageViewInfo& front, TImageViewInfo& side, TImageViewInfo& top)
{
    if (!FView)
        return;
    // Shown before composing: a hidden view frames the cover for a size it has not got yet.
    FView->setVisible(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct TRestore {
        ~TRestore() { QApplication::restoreOverrideCursor(); }
    } restore;
    ComposeCover(type, front, side, top);
    // Composition sets the type's own angles and the view's defaults: the document's come back,
    // drawn now (the step is entered before the page shows, when ShowSettings leaves the view be).
    ShowSettings(FDocument.Settings(), FDocument.Settings());
    Redraw();
}

void TFinalPage::btnSmoothClick()
{
    if (!FView)
        return;
    // One smoothed frame: any later redraw is plain again.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FView->FSmooth = true;
    struct TRestore {
        TD3DWin* View;
        ~TRestore()
        {
            View->FSmooth = false;
            QApplication::restoreOverrideCursor();
        }
    } restore{FView};
    Redraw();
}

void TFinalPage::btnColorClick()
{
    if (!FView)
        return;
    const QColor chosen = QColorDialog::getColor(FromColor32(FView->FBackColor), pnlOptions->window(),
                                                 QStringLiteral("Background Color"));
    if (!chosen.isValid())
        return;
    const TColor32 color = Color32(chosen.red(), chosen.green(), chosen.blue(), 255);
    Change(TSettingKey::Background, [color](TFinalSettings& s) { s.Background = color; });
}

