#include "editor/LayerCommands.h"
#include "editor/TextLayerTools.h"

#include "cover/BookCover.h"
#include "cover/ImageViewInfo.h"
#include "editor/NewImageDlg.h"
#include "imageio/dialog/PictureOpenDialog.h"
#include "imageio/PictureLoader.h"
#include "raster/RubberbandLayer.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>

namespace {
// The loader's filter ("Name (*.a;*.b)|*.a;*.b|...") in the form Qt's file dialog reads.
// The picture open dialog with its preview; an empty answer when cancelled.
QString DefaultChoosePictureFile(QWidget* parent, int mode)
{
    QString chosen;
    OpenPictureFile(parent, mode, [&chosen](const QString& path) { chosen = path; });
    return chosen;
}
} // namespace

TLayerCommands::TLayerCommands(QWidget* container, TFaceEditorContext context)
    : QObject(container), FContainer(container), FContext(std::move(context))
{
    pnlTools = new TLayerToolbar(container);
    imgView = new TImgView32(container);
    imgView->setObjectName(QStringLiteral("imgView"));
    {
        // Scroll bars in button shadow with a button-face handle.
        for (QScrollBar* bar : {imgView->horizontalScrollBar(), imgView->verticalScrollBar()}) {
            QPalette pal = bar->palette();
            pal.setColor(QPalette::Window, pal.color(QPalette::Dark));
            bar->setPalette(pal);
        }
    }
    Hooks.ChoosePictureFile = [this](int mode) { return DefaultChoosePictureFile(imgView->window(), mode); };
    BuildMenu();
    Wire();
    container->installEventFilter(this);
    LayOut();
    gbrScaleBarChange(pnlTools->gbrScaleBar->value());
    UpdateSizeLabel();
    TTextLayerTools::Install(*this);
}

TLayerCommands::~TLayerCommands()
{
    FSelectedLayer = nullptr;
    FRubberband = nullptr;
}

void TLayerCommands::BuildMenu()
{
    popLayer = new QMenu(imgView);
    popLayer->setObjectName(QStringLiteral("popLayer"));
    // The shortcut is shown after the tab; the keys themselves are the window's.
    const auto item = [this](const char* name, const char* caption, TLayerGlyph glyph) {
        QAction* a = popLayer->addAction(LayerGlyph(glyph), QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    miCut = item("miCut", "Cu&t\tCtrl+X", TLayerGlyph::Cut);
    miCopy = item("miCopy", "&Copy\tCtrl+C", TLayerGlyph::Copy);
    miPaste = item("miPaste", "&Paste\tCtrl+V", TLayerGlyph::Paste);
    miDeleteLayer = item("miDeleteLayer", "&Delete\tDel", TLayerGlyph::Delete);
    popLayer->addSeparator();
    miBringToFront = item("miBringToFront", "&Bring to Front", TLayerGlyph::ToFront);
    miSendToBack = item("miSendToBack", "&Send to Back", TLayerGlyph::ToBack);
    popLayer->addSeparator();
    miEdit = item("miEdit", "&Edit Text...", TLayerGlyph::Text);
}

void TLayerCommands::Wire()
{
    TLayerToolbar* t = pnlTools;
    const auto call = [](const std::function<void()>& hook) {
        if (hook)
            hook();
    };
    connect(t->btnSelect, &QToolButton::clicked, this, [this] { LoadFaceImage(); });
    connect(t->btnReset, &QToolButton::clicked, this, [this] { ClearFace(); });
    connect(t->btnSave, &QToolButton::clicked, this, [this, call] { call(Hooks.SaveFace); });
    connect(t->btnAdd, &QToolButton::clicked, this, [this] { AddImageLayerFromFile(); });
    connect(t->btnText, &QToolButton::clicked, this, [this] { EditText(nullptr); });
    connect(t->btnDelete, &QToolButton::clicked, this, [this] { DeleteLayer(); });
    connect(t->btnCut, &QToolButton::clicked, this, [this, call] { call(Hooks.Cut); });
    connect(t->btnCopy, &QToolButton::clicked, this, [this, call] { call(Hooks.Copy); });
    connect(t->btnPaste, &QToolButton::clicked, this, [this, call] { call(Hooks.Paste); });
    connect(t->btnToFront, &QToolButton::clicked, this, [this] { BringToFront(); });
    connect(t->btnOneTop, &QToolButton::clicked, this, [this] { BringForward(); });
    connect(t->btnOneBottom, &QToolButton::clicked, this, [this] { SendBackward(); });
    connect(t->btnToBack, &QToolButton::clicked, this, [this] { SendToBack(); });
    connect(t->btnRotateCCW, &QToolButton::clicked, this, [this] { RotateLayer(-1); });
    connect(t->btnRotateCW, &QToolButton::clicked, this, [this] { RotateLayer(+1); });
    connect(t->gbrScaleBar, &QScrollBar::valueChanged, this, &TLayerCommands::gbrScaleBarChange);

    connect(miCut, &QAction::triggered, this, [this, call] { call(Hooks.Cut); });
    connect(miCopy, &QAction::triggered, this, [this, call] { call(Hooks.Copy); });
    connect(miPaste, &QAction::triggered, this, [this, call] { call(Hooks.Paste); });
    connect(miDeleteLayer, &QAction::triggered, this, [this] { DeleteLayer(); });
    connect(miBringToFront, &QAction::triggered, this, [this] { BringToFront(); });
    connect(miSendToBack, &QAction::triggered, this, [this] { SendToBack(); });
    connect(miEdit, &QAction::triggered, this, [this] { EditText(FSelectedLayer); });

    connect(imgView, &TImgView32::ViewDoubleClicked, this, [this] { imgViewDblClick(); });
    connect(imgView, &TImgView32::ContextMenuRequested, this, [this](QPoint pos, QPoint global) {
        PreparePopup(pos);
        popLayer->popup(global);
    });
    connect(imgView, &TImgView32::ZoomRequested, this, [this](int steps, QPoint anchor) {
        FZoomAnchor = anchor;
        pnlTools->gbrScaleBar->setValue(pnlTools->gbrScaleBar->value() + 5 * steps);
        FZoomAnchor.reset();
    });
    // A drag of the selection frame changes the face.
    connect(imgView, &TImgView32::LayerMouseDown, this, [this](TCustomLayer*) {
        if (FRubberband)
            FPressLocation = FRubberband->Location();
    });
    connect(imgView, &TImgView32::LayerMouseUp, this, [this](TCustomLayer* layer) {
        if (FRubberband && layer == FRubberband && FRubberband->ChildLayer()
            && !(FRubberband->Location() == FPressLocation))
            MarkModified(false);
    });
}

bool TLayerCommands::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FContainer && event->type() == QEvent::Resize)
        LayOut();
    return QObject::eventFilter(watched, event);
}

void TLayerCommands::LayOut()
{
    const QSize size = FContainer->size();
    pnlTools->setGeometry(0, 0, size.width(), pnlTools->height());
    imgView->setGeometry(0, pnlTools->height(), size.width(), std::max(0, size.height() - pnlTools->height()));
}

void TLayerCommands::ShowFaceTools(bool faceStep, bool glReady)
{
    pnlTools->setVisible(faceStep);
    imgView->setVisible(faceStep || !glReady);
}

// ---- selection and placing

void TLayerCommands::SelectLayer(TBitmapLayer* layer)
{
    if (layer == FSelectedLayer)
        return;
    if (FRubberband) {
        FRubberband->SetChildLayer(nullptr);
        FRubberband->SetVisible(false);
        FRubberband->SetMouseEvents(false);
        imgView->viewport()->update();
    }
    FSelectedLayer = layer;
    if (!layer)
        return;
    if (!FRubberband) {
        FRubberband = imgView->Layers().Add<TRubberbandLayer>();
        FRubberband->SetMinWidth(1.0f);
        FRubberband->SetMinHeight(1.0f);
    } else {
        FRubberband->SetIndex(imgView->Layers().Count());
    }
    FRubberband->SetChildLayer(layer);
    FRubberband->SetVisible(true);
    FRubberband->SetMouseEvents(true);
}

void TLayerCommands::LayerPressed(TCustomLayer& layer)
{
    if (auto* bitmapLayer = dynamic_cast<TBitmapLayer*>(&layer))
        SelectLayer(bitmapLayer);
    UpdateLayerTools();
}

void TLayerCommands::PlaceLayer(TBitmapLayer* layer, bool center)
{
    if (!layer)
        return;
    if (center) {
        // Centred on what the user sees, at the bitmap's own pixel size.
        const QRect visible = imgView->ViewportRect();
        const QPoint mid((visible.left() + visible.right() + 1) / 2, (visible.top() + visible.bottom() + 1) / 2);
        const QPointF c = imgView->ControlToBitmap(QPointF(mid));
        const float w = float(layer->Bitmap().Width()), h = float(layer->Bitmap().Height());
        layer->SetLocation({float(c.x()) - w / 2, float(c.y()) - h / 2, float(c.x()) + w / 2, float(c.y()) + h / 2});
    }
    layer->Bitmap().SetDrawMode(TDrawMode::dmBlend);
    layer->SetScaled(true);
    layer->OnMouseDown = [this](TCustomLayer& sender, Qt::MouseButton, QPoint) { LayerPressed(sender); };
    layer->Changed();
    FSelectedLayer = nullptr;
    SelectLayer(layer);
    MarkModified(true);
}

TBitmapLayer* TLayerCommands::AddImageLayer(const TBitmap32* bitmap)
{
    if (!bitmap)
        return nullptr;
    auto* layer = imgView->Layers().Add<TBitmapLayer>();
    layer->Bitmap() = *bitmap;
    PlaceLayer(layer, true);
    return layer;
}

// ---- pictures

void TLayerCommands::AddImageLayerFromFile()
{
    if (!EnsureFaceImage() || !Hooks.ChoosePictureFile)
        return;
    const QString path = Hooks.ChoosePictureFile(8);
    if (path.isEmpty())
        return;
    TBitmap32 picture;
    LoadPictureFile(picture, path); // a failure ends here, with nothing changed
    AddImageLayer(&picture);
    MarkModified(true);
}

void TLayerCommands::LoadFaceImage()
{
    if (!Hooks.ChoosePictureFile)
        return;
    const QString path = Hooks.ChoosePictureFile(1);
    if (path.isEmpty())
        return;
    // Decode and read first, so that a failure leaves the face, its document and the modified
    // flag as they were.
    TBitmap32 picture;
    LoadPictureFromFile(picture, path);
    if (TBookCover* cover = FContext.Cover ? FContext.Cover() : nullptr)
        if (TImageInfo* info = cover->Face(FFace))
            info->LoadFile(path, false);
    SetFaceImage(picture);
    MarkModified(true);
}

void TLayerCommands::SetFaceImage(const TBitmap32& bitmap)
{
    imgView->SetBitmap(bitmap);
    UpdateSizeLabel();
}

bool TLayerCommands::EnsureFaceImage()
{
    if (HasFaceImage())
        return true;
    TBitmap32 bitmap;
    if (!NewImageDialog(&bitmap, std::max(0, FFace), imgView->window()))
        return false;
    SetFaceImage(bitmap);
    if (TBookCover* cover = FContext.Cover ? FContext.Cover() : nullptr)
        if (TImageInfo* info = cover->Face(FFace))
            info->StoreBitmap(bitmap);
    MarkModified(true);
    return true;
}

void TLayerCommands::EditText(TBitmapLayer* layer)
{
    // The text layer's own commands do the work; here only the common first step.
    if (!Hooks.EditText || !EnsureFaceImage())
        return;
    Hooks.EditText(layer);
}

// ---- changing the selected layer

void TLayerCommands::DeleteLayer()
{
    TBitmapLayer* layer = FSelectedLayer;
    if (!layer)
        return;
    SelectLayer(nullptr);
    delete layer;
    MarkModified(true);
}

void TLayerCommands::RotateLayer(int direction)
{
    TBitmapLayer* layer = FSelectedLayer;
    if (!layer)
        return;
    const float left = layer->Location().Left, top = layer->Location().Top;
    if (FRubberband)
        FRubberband->SetChildLayer(nullptr);
    // Back to the bitmap's own pixel size, turned, anchored at the same top-left corner.
    const TBitmap32 turned = layer->Bitmap().QuarterTurn(direction);
    layer->Bitmap() = turned;
    layer->SetLocation({left, top, left + float(turned.Width()), top + float(turned.Height())});
    layer->Changed();
    if (Hooks.Rotated)
        Hooks.Rotated(*layer, direction);
    if (FRubberband)
        FRubberband->SetChildLayer(layer);
    MarkModified(false);
}

int TLayerCommands::SelectedIndex() const { return FSelectedLayer ? FSelectedLayer->Index() : -1; }

bool TLayerCommands::CanBringForward() const
{
    return FSelectedLayer && SelectedIndex() < imgView->Layers().Count() - 2;
}

bool TLayerCommands::CanSendBackward() const { return FSelectedLayer && SelectedIndex() > 0; }

void TLayerCommands::BringToFront()
{
    if (!CanBringForward())
        return;
    FSelectedLayer->SetIndex(imgView->Layers().Count() - 2);
    MarkModified(true);
}

void TLayerCommands::BringForward()
{
    if (!CanBringForward())
        return;
    FSelectedLayer->SetIndex(SelectedIndex() + 1);
    MarkModified(true);
}

void TLayerCommands::SendBackward()
{
    if (!CanSendBackward())
        return;
    FSelectedLayer->SetIndex(SelectedIndex() - 1);
    MarkModified(true);
}

void TLayerCommands::SendToBack()
{
    if (!CanSendBackward())
        return;
    FSelectedLayer->SetIndex(0);
    MarkModified(true);
}

void TLayerCommands::ClearFaceView()
{
    FRubberband = nullptr;
    FSelectedLayer = nullptr;
    imgView->Layers().Clear();
    imgView->Bitmap().MakeEmpty();
    imgView->BitmapChanged();
    UpdateSizeLabel();
}

void TLayerCommands::ClearFace()
{
    ClearFaceView();
    if (TBookCover* cover = FContext.Cover ? FContext.Cover() : nullptr)
        if (TImageInfo* info = cover->Face(FFace))
            info->ClearCurrent();
    MarkModified(true);
}

// ---- state of the tools

void TLayerCommands::MarkModified(bool refreshTools)
{
    if (FContext.SetModified)
        FContext.SetModified();
    if (refreshTools)
        UpdateLayerTools();
}

void TLayerCommands::UpdateLayerTools()
{
    const bool sel = FSelectedLayer != nullptr;
    const bool back = CanSendBackward();
    const bool front = CanBringForward();
    const bool image = HasFaceImage();
    if (FContext.FaceImageChanged)
        FContext.FaceImageChanged(image);
    TLayerToolbar* t = pnlTools;
    t->btnReset->setEnabled(image);
    t->btnSave->setEnabled(image && Hooks.SaveFace);
    t->btnText->setEnabled(bool(Hooks.EditText));
    t->btnDelete->setEnabled(sel);
    t->btnCut->setEnabled(sel && Hooks.Cut);
    t->btnCopy->setEnabled(sel && Hooks.Copy);
    t->btnPaste->setEnabled(Hooks.Paste && Hooks.CanPaste && Hooks.CanPaste());
    t->btnToFront->setEnabled(front);
    t->btnOneTop->setEnabled(front);
    t->btnOneBottom->setEnabled(back);
    t->btnToBack->setEnabled(back);
    t->btnRotateCCW->setEnabled(sel);
    t->btnRotateCW->setEnabled(sel);
    t->gbrScaleBar->setEnabled(image);
    t->lblZoom->setEnabled(image);
    t->lblSize->setEnabled(t->btnSave->isEnabled() || image);
}

void TLayerCommands::PreparePopup(QPoint controlPos)
{
    UpdateLayerTools();
    const bool inside = imgView->ImageRect().contains(controlPos);
    for (QAction* a : {miCut, miCopy, miPaste, miDeleteLayer, miBringToFront, miSendToBack, miEdit})
        a->setVisible(inside);
    if (!inside)
        return;
    const bool sel = FSelectedLayer != nullptr;
    miCut->setEnabled(sel && Hooks.Cut);
    miCopy->setEnabled(sel && Hooks.Copy);
    miDeleteLayer->setEnabled(sel);
    miPaste->setEnabled(pnlTools->btnPaste->isEnabled());
    miBringToFront->setEnabled(pnlTools->btnToFront->isEnabled());
    miSendToBack->setEnabled(pnlTools->btnToBack->isEnabled());
    miEdit->setEnabled(sel && Hooks.EditText && Hooks.IsTextLayer && Hooks.IsTextLayer(FSelectedLayer));
}

// ---- zoom and size

double TLayerCommands::ScaleOfPosition(int position)
{
    return position > 0 ? 1.0 + position * 0.1 : 1.0 + position * 0.01;
}

QString TLayerCommands::ZoomText(double scale) { return QString::asprintf("Zoom: %.2gx", scale); }

void TLayerCommands::gbrScaleBarChange(int position)
{
    imgView->SetScale(ScaleOfPosition(position), FZoomAnchor);
    pnlTools->lblZoom->setText(ZoomText(imgView->Scale()));
    pnlTools->LayOut();
}

void TLayerCommands::imgViewDblClick()
{
    QScrollBar* gauge = pnlTools->gbrScaleBar;
    gauge->setValue(std::max(gauge->minimum(), gauge->value() - gauge->pageStep() / 2));
}

void TLayerCommands::UpdateSizeLabel()
{
    pnlTools->SetSizeText(QString::asprintf("Size: %d X %d", imgView->Bitmap().Width(), imgView->Bitmap().Height()));
}

// ---- flattening and the face steps

void TLayerCommands::FlattenFace(TBitmap32& target, bool keepSelection)
{
    TBitmapLayer* remembered = FSelectedLayer;
    SelectLayer(nullptr);
    target.SetSize(imgView->Bitmap().Width(), imgView->Bitmap().Height());
    imgView->PaintTo(target, QRect(0, 0, target.Width(), target.Height()));
    if (keepSelection) {
        SelectLayer(remembered);
        imgView->viewport()->update();
    }
}

void TLayerCommands::LeaveFaceStep(int face)
{
    TImageViewInfo* record = FContext.FaceRecord ? FContext.FaceRecord(face) : nullptr;
    if (!record)
        return;
    FFaceZoom = imgView->Scale();
    FlattenFace(record->Bitmap, false);
    record->Layers.Clear();
    // From the top down; the selection frame stays behind.
    TLayerCollection& layers = imgView->Layers();
    for (int i = layers.Count() - 1; i >= 0; --i)
        if (auto* layer = dynamic_cast<TBitmapLayer*>(layers.Items(i)))
            layer->MoveTo(record->Layers);
    FFace = -1;
}

void TLayerCommands::EnterFaceStep(int face)
{
    imgView->BeginUpdate();
    FRubberband = nullptr;
    FSelectedLayer = nullptr;
    FFace = face;
    // The gauge follows the remembered zoom without moving the view a second time.
    {
        const double zoom = FFaceZoom;
        const int position = zoom > 1.0 ? int(std::lround((zoom - 1.0) / 0.1)) : int(std::lround((zoom - 1.0) / 0.01));
        const QSignalBlocker block(pnlTools->gbrScaleBar);
        pnlTools->gbrScaleBar->setValue(position);
        imgView->SetScale(zoom);
        pnlTools->lblZoom->setText(ZoomText(imgView->Scale()));
    }
    TBookCover* cover = FContext.Cover ? FContext.Cover() : nullptr;
    if (cover)
        cover->LoadFaceInto(&imgView->Bitmap(), face);
    imgView->BitmapChanged();
    imgView->Layers().Clear(); // frees the old selection frame
    if (TImageViewInfo* record = FContext.FaceRecord ? FContext.FaceRecord(face) : nullptr) {
        // Again from the top down, which restores the former bottom-to-top order.
        TLayerCollection& stored = record->Layers;
        for (int i = stored.Count() - 1; i >= 0; --i)
            stored.Items(i)->MoveTo(imgView->Layers());
    }
    UpdateSizeLabel();
    imgView->EndUpdate();
    imgView->viewport()->update();
    UpdateLayerTools();
}
