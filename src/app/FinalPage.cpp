#include "app/FinalPage.h"

#include "app/SaveFlow.h"
#include "cover/Composition.h"
#include "cover/ImageViewInfo.h"
#include "render/D3DWin.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
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

QString ZoomCaption(double zoom) { return QString::asprintf("Zoom: %.4gx", zoom); }

int AnglePosition(double radians) { return int(std::lround(radians * 180 / M_PI)); }

TFinalPage::TFinalPage(QWidget* chart, QComboBox* finalType) : QObject(chart), cmbFinalType(finalType), FChart(chart)
{
    BuildToolRow(chart);
    BuildOptions(chart);
    chart->installEventFilter(this);
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
    row->addStretch(1);

    connect(cmbFinalType, &QComboBox::currentIndexChanged, this, &TFinalPage::cmbFinalTypeChange);
    connect(btnOrientLeft, &QToolButton::clicked, this, &TFinalPage::btnOrientLeftClick);
    connect(btnOrientRight, &QToolButton::clicked, this, &TFinalPage::btnOrientRightClick);
    connect(chkShadow, &QCheckBox::clicked, this, &TFinalPage::chkShadowClick);
    connect(gbrScaleFinal, &QSlider::valueChanged, this, &TFinalPage::gbrScaleFinalChange);
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
    grid->addWidget(trkAngleX, 1, 0);
    grid->addWidget(btnColor, 1, 1);
    grid->addWidget(lblAngleY, 2, 0);
    grid->addWidget(trkAngleY, 3, 0);
    grid->addWidget(btnSmooth, 3, 1);
    grid->addWidget(lblShadow, 4, 0, 1, 2);
    grid->addWidget(gbrIntensity, 5, 0, 1, 2);
    grid->addWidget(lblLightCY, 6, 0, 1, 2);
    grid->addWidget(gbrLightCY, 7, 0, 1, 2);
    grid->addWidget(lblLightPos, 8, 0, 1, 2);
    grid->addWidget(trkLight, 9, 0, 1, 2);
    grid->addWidget(lblPosCD, 10, 0, 1, 2);
    grid->addWidget(trkPosCD, 11, 0, 1, 2);
    auto* exportRow = new QHBoxLayout;
    exportRow->addWidget(edtExportWidth);
    exportRow->addWidget(lblExportHeight, 1);
    grid->addWidget(lblExportSize, 12, 0, 1, 2);
    grid->addLayout(exportRow, 13, 0, 1, 2);
    grid->addWidget(chkTransparent, 14, 0, 1, 2);
    btnCopy = new QPushButton(QStringLiteral("Co&py Picture"), pnlOptions);
    btnCopy->setObjectName("btnCopy");
    btnCopy->setToolTip(QStringLiteral("Copies the finished picture to the clipboard (Ctrl+C)"));
    grid->addWidget(btnCopy, 15, 0, 1, 2, Qt::AlignLeft);
    grid->setRowStretch(16, 1);
    actCopy = new QAction(QStringLiteral("Copy Picture"), this);
    actCopy->setShortcut(QKeySequence::Copy);
    actCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    pnlOptions->addAction(actCopy);
    pnlFinalTools->addAction(actCopy);
    connect(actCopy, &QAction::triggered, this, &TFinalPage::CopyPicture);
    connect(btnCopy, &QPushButton::clicked, this, &TFinalPage::CopyPicture);

    connect(trkAngleX, &QSlider::valueChanged, this, &TFinalPage::trkAngleXChange);
    connect(trkAngleY, &QSlider::valueChanged, this, &TFinalPage::trkAngleYChange);
    connect(gbrIntensity, &QSlider::valueChanged, this, &TFinalPage::gbrIntensityChange);
    connect(gbrLightCY, &QSlider::valueChanged, this, &TFinalPage::LightChange);
    connect(trkLight, &QSlider::valueChanged, this, &TFinalPage::LightChange);
    connect(trkPosCD, &QSlider::valueChanged, this, &TFinalPage::trkPosCDChange);
    connect(btnSmooth, &QPushButton::clicked, this, &TFinalPage::btnSmoothClick);
    connect(btnColor, &QPushButton::clicked, this, &TFinalPage::btnColorClick);
    connect(edtExportWidth, &QSpinBox::valueChanged, this, [this] {
        FExportWidthChosen = true;
        UpdateExportHeight();
    });
}

void TFinalPage::SetView(TD3DWin* view, QWidget* previewPanel)
{
    FView = view;
    FPreviewPanel = previewPanel;
    if (!view)
        return;
    view->SetFillParent(false);
    view->FShadow = chkShadow->isChecked();
    // Dragging turns the cover, the wheel zooms, a double-click goes back to the type's angles.
    view->installEventFilter(this);
    view->setCursor(Qt::OpenHandCursor);
    view->setToolTip(QStringLiteral("Drag to turn the cover, use the wheel to zoom, double-click for the "
                                    "type's own angles"));
    view->addAction(actCopy);
    Layout();
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
}

bool TFinalPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FChart && event->type() == QEvent::Resize)
        Layout();
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
        // The sliders are the view's state: moving them turns the cover and redraws.
        if (moved.x() / 2 != 0)
            trkAngleY->setValue(TurnedAngle(trkAngleY->value(), moved.x()));
        if (moved.y() / 2 != 0)
            trkAngleX->setValue(TurnedAngle(trkAngleX->value(), moved.y()));
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!FDragging)
            return false;
        FDragging = false;
        FView->setCursor(Qt::OpenHandCursor);
        return true;
    case QEvent::MouseButtonDblClick: {
        const TViewAngles angles = DefaultAnglesFor(FComposedType);
        trkAngleX->setValue(AnglePosition(angles.X));
        trkAngleY->setValue(AnglePosition(angles.Y));
        return true;
    }
    case QEvent::Wheel: {
        auto* e = static_cast<QWheelEvent*>(event);
        const int steps = e->angleDelta().y() / 120;
        if (steps != 0)
            gbrScaleFinal->setValue(gbrScaleFinal->value() + steps); // the gauge keeps its range
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
}

TBookType TFinalPage::SelectedType() const { return TBookType(std::max(0, cmbFinalType->currentIndex())); }

QSize TFinalPage::ExportSize() const
{
    int width = edtExportWidth->value();
    if (!FView || !FView->GLReady())
        return {width, width};
    if (!FExportWidthChosen) // the view's own scale, as the view is now
        width = std::min(MaxExportSide, NaturalFinalWidth(*FView));
    const QSize size = FinalPictureSize(*FView, width);
    if (size.height() <= MaxExportSide)
        return size;
    // A tall picture: the height reaches the limit first.
    const int narrower = std::max(16, int(double(width) * MaxExportSide / size.height()));
    return FinalPictureSize(*FView, narrower);
}

void TFinalPage::SetExportWidth(std::optional<int> width)
{
    FExportWidthChosen = width.has_value();
    if (width) {
        const QSignalBlocker block(edtExportWidth);
        edtExportWidth->setValue(*width);
    }
    UpdateExportHeight();
}

bool TFinalPage::Transparent() const { return chkTransparent->isChecked(); }

void TFinalPage::SetTransparent(bool on) { chkTransparent->setChecked(on); }

void TFinalPage::UpdateExportHeight()
{
    if (!FExportWidthChosen && FView && FView->GLReady()) {
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

void TFinalPage::FinalTypeChanged(TBookType type, bool recompose)
{
    const bool orient = OrientationEnabledFor(type);
    lblOrient->setEnabled(orient);
    btnOrientLeft->setEnabled(orient);
    btnOrientRight->setEnabled(orient);
    chkShadow->setChecked(chkShadow->isChecked() && !ClearsShadow(type));
    lblPosCD->setVisible(ShowsCDPosition(type));
    trkPosCD->setVisible(ShowsCDPosition(type));
    SetShadowEnabled(chkShadow->isChecked());
    if (recompose)
        emit ComposeRequested(type);
}

void TFinalPage::SelectType(TBookType type)
{
    {
        const QSignalBlocker block(cmbFinalType);
        cmbFinalType->setCurrentIndex(int(type));
    }
    FinalTypeChanged(type, false);
}

void TFinalPage::SetShadowEnabled(bool on)
{
    if (FView)
        FView->FShadow = on;
    lblShadow->setEnabled(on);
    gbrIntensity->setEnabled(on);
}

void TFinalPage::ComposeFinal(TBookType type, TImageViewInfo& front, TImageViewInfo& side, TImageViewInfo& top)
{
    if (!FView)
        return;
    FView->setVisible(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct TRestore {
        ~TRestore() { QApplication::restoreOverrideCursor(); }
    } restore;
    ::ComposeFinal(type, FView, front, side, top);
    FComposedType = type;
    AnglesFromView();
    UpdateExportHeight();
}

void TFinalPage::AnglesFromView()
{
    if (!FView)
        return;
    {
        const QSignalBlocker blockX(trkAngleX), blockY(trkAngleY);
        trkAngleX->setValue(AnglePosition(FView->GetAngleX()));
        trkAngleY->setValue(AnglePosition(FView->GetAngleY()));
    }
    trkAngleX->setToolTip(PositionHint(trkAngleX->value()));
    trkAngleY->setToolTip(PositionHint(trkAngleY->value()));
    RefreshOrientation();
}

void TFinalPage::cmbFinalTypeChange(int index)
{
    if (index >= 0)
        FinalTypeChanged(TBookType(index), true);
}

void TFinalPage::trkAngleXChange(int position)
{
    if (FView)
        FView->SetAngleX(float(position * DegToRad));
    Redraw();
    RefreshOrientation();
    trkAngleX->setToolTip(PositionHint(position));
}

void TFinalPage::trkAngleYChange(int position)
{
    if (FView)
        FView->SetAngleY(float(position * DegToRad));
    Redraw();
    RefreshOrientation();
    trkAngleY->setToolTip(PositionHint(position));
}

void TFinalPage::btnOrientLeftClick()
{
    btnOrientLeft->setChecked(true);
    trkAngleY->setValue(30);
}

void TFinalPage::btnOrientRightClick()
{
    btnOrientRight->setChecked(true);
    trkAngleY->setValue(330);
}

void TFinalPage::chkShadowClick(bool checked)
{
    if (!FView)
        return;
    SetShadowEnabled(checked);
    Redraw();
}

void TFinalPage::gbrIntensityChange(int position)
{
    if (FView)
        FView->SetShadowStrength(float(position * 0.01));
    Redraw();
    gbrIntensity->setToolTip(PositionHint(position));
}

void TFinalPage::LightChange()
{
    if (FView)
        FView->SetLight(float(gbrLightCY->value() * 0.01), float(trkLight->value() * 0.01));
    Redraw();
    gbrLightCY->setToolTip(PositionHint(gbrLightCY->value()));
    trkLight->setToolTip(PositionHint(trkLight->value()));
}

void TFinalPage::trkPosCDChange(int position)
{
    if (FView)
        FView->FCDPosition = float(position * 0.01);
    Redraw();
    trkPosCD->setToolTip(PositionHint(position));
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
    FView->FBackColor = Color32(chosen.red(), chosen.green(), chosen.blue(), 255);
    Redraw();
}

void TFinalPage::gbrScaleFinalChange(int position)
{
    const double v = ZoomForGauge(position);
    if (FView) {
        FView->SetZoom(float(v));
        lblZoomFinal->setText(ZoomCaption(FView->FZoom));
    } else {
        lblZoomFinal->setText(ZoomCaption(v));
    }
    Redraw();
}
