#include "editor/LayerCommands.h"
#include "editor/BackImageMenu.h"
#include "editor/LayerUndo.h"

#include "cover/BookCover.h"
#include "cover/ImageViewInfo.h"
#include "document/TavloDocument.h"
#include "editor/NewImageDlg.h"
#include "imageio/dialog/PictureOpenDialog.h"
#include "imageio/PictureLoader.h"
#include "raster/RubberbandLayer.h"
#include "ui/BusyCursor.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>
#include <utility>

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
    : QObject(container), FContainer(container), FContext(std::move(context)), FDocumentAlive(FContext.Document),
      FHistory({FContext.Document->FaceStack(0), FContext.Document->FaceStack(1), FContext.Document->FaceStack(2)}, this)
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
    new TBackImageMenu(*this, *FContext.Document, FContext.ShowNotice);
    container->installEventFilter(this);
    LayOut();
    gbrScaleBarChange(pnlTools->gbrScaleBar->value());
    UpdateSizeLabel();
    // The document reads the shown face's layers from the view and makes a project's layers as
    // the editor's own (text layers stay editable).
    TTavloDocument& document = *FContext.Document;
    document.SetShownFaceLayers([this](int face, std::vector<TProjectLayer>& layers) {
        if (face != FFace)
            return false;
        WriteLayers(imgView->Layers(), layers);
        return true;
    });
    document.SetLayerFactory([this](TLayerCollection& owner, const TProjectLayer& source) {
        TBitmapLayer* layer = nullptr;
        if (source.Text) {
            auto* text = owner.Add<TTextLayer>();
            static_cast<TTextParams&>(*text) = *source.Text;
            layer = text;
        } else {
            layer = owner.Add<TBitmapLayer>();
        }
        AdoptLayer(*layer);
        return layer;
    });
}

TLayerCommands::~TLayerCommands()
{
    if (FDocumentAlive) {
        FContext.Document->SetShownFaceLayers({});
        FContext.Document->SetLayerFactory({});
    }
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
    popLayer->addSeparator();
    miUndo = item("miUndo", "&Undo\tCtrl+Z", TLayerGlyph::Undo);
    miRedo = item("miRedo", "&Redo\tCtrl+Shift+Z", TLayerGlyph::Redo);
}

void TLayerCommands::Wire()
{
    TLayerToolbar* t = pnlTools;
    // One action per command: the toolbar button and the menu item both show it, so they are
    // enabled alike and run the same code. The button's hint stays the action's tip.
    for (auto [button, action] : {std::pair{t->btnCut, miCut}, {t->btnCopy, miCopy}, {t->btnPaste, miPaste},
                                  {t->btnDelete, miDeleteLayer}, {t->btnToFront, miBringToFront},
                                  {t->btnToBack, miSendToBack}, {t->btnUndo, miUndo}, {t->btnRedo, miRedo}}) {
        action->setToolTip(button->toolTip());
        button->setDefaultAction(action);
    }
    const auto call = [](const std::function<void()>& hook) {
        if (hook)
            hook();
    };
    connect(t->btnSelect, &QToolButton::clicked, this, [this] { LoadFaceImage(); });
    connect(t->btnReset, &QToolButton::clicked, this, [this] { ClearFace(); });
    connect(t->btnSave, &QToolButton::clicked, this, [this, call] { call(Hooks.SaveFace); });
    connect(t->btnAdd, &QToolButton::clicked, this, [this] { AddImageLayerFromFile(); });
    connect(t->btnText, &QToolButton::clicked, this, [this] { EditText(nullptr); });
    connect(t->btnOneTop, &QToolButton::clicked, this, [this] { BringForward(); });
    connect(t->btnOneBottom, &QToolButton::clicked, this, [this] { SendBackward(); });
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
    connect(miUndo, &QAction::triggered, this, [this] { Undo(); });
    connect(miRedo, &QAction::triggered, this, [this] { Redo(); });
    connect(&FHistory, &TFaceHistory::Changed, this, [this] { UpdateLayerTools(); });

    connect(imgView, &TImgView32::ViewDoubleClicked, this, [this] { imgViewDblClick(); });
    connect(imgView, &TImgView32::PicturesDropped, this, &TLayerCommands::DropPictures);
    connect(imgView, &TImgView32::ContextMenuRequested, this, [this](QPoint pos, QPoint global) {
        PreparePopup(pos);
        // A menu with nothing to show would open as an invisible popup that swallows the next click.
        const QList<QAction*> actions = popLayer->actions();
        if (std::any_of(actions.begin(), actions.end(), [](QAction* a) { return a->isVisible() && !a->isSeparator(); }))
            popLayer->popup(global);
    });
    connect(imgView, &TImgView32::ZoomRequested, this, [this](int steps, QPoint anchor) {
        FZoomAnchor = anchor;
        pnlTools->gbrScaleBar->setValue(pnlTools->gbrScaleBar->value() + 5 * steps);
        FZoomAnchor.reset();
    });
    // A drag of the selection frame changes the face; a press that only selects does not. The
    // press is reported after the selection it made, so the frame already sits on the new layer.
    connect(imgView, &TImgView32::LayerMouseDown, this, [this](TCustomLayer* layer) {
        FPressChild = FRubberband && layer == FRubberband ? dynamic_cast<TBitmapLayer*>(FRubberband->ChildLayer()) : nullptr;
        if (FPressChild)
            FPressLocation = FPressChild->Location();
    });
    connect(imgView, &TImgView32::LayerMouseUp, this, [this](TCustomLayer* layer) {
        TBitmapLayer* child = std::exchange(FPressChild, nullptr);
        if (child && layer == FRubberband && FRubberband->ChildLayer() == child && !(child->Location() == FPressLocation))
            LayerDragged(child, FPressLocation);
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

void TLayerCommands::LayerDragged(TBitmapLayer* layer, const TFloatRect& from)
{
    TLayerState before{from, std::nullopt, std::nullopt};
    if (Hooks.Resized && (layer->Location().Width() != from.Width() || layer->Location().Height() != from.Height())) {
        Hooks.Resized(*layer, before);
        LayerChanged(layer); // the frame takes the redrawn layer's size
    }
    FHistory.Push(new TLayerStateStep(*this, layer, std::move(before)));
    MarkModified(false);
}

void TLayerCommands::AdoptLayer(TBitmapLayer& layer)
{
    layer.SetScaled(true);
    layer.OnMouseDown = [this](TCustomLayer& sender, Qt::MouseButton, QPoint) { LayerPressed(sender); };
}

void TLayerCommands::PlaceLayer(TBitmapLayer* layer, bool center)
{
    if (!layer)
        return;
    if (center) {
        // Centred on what the user sees, at the bitmap's own pixel size.
        const QRect visible = imgView->ViewportRect();
        const QPoint mid((visible.left() + visible.right() + 1) / 2, (visible.top() + visible.bottom() + 1) / 2);
        PlaceNewLayer(layer, imgView->ControlToBitmap(QPointF(mid)));
        return;
    }
    layer->Bitmap().SetDrawMode(TDrawMode::dmBlend);
    AdoptLayer(*layer);
    layer->Changed();
    FSelectedLayer = nullptr;
    SelectLayer(layer);
    MarkModified(true);
}

void TLayerCommands::PlaceNewLayer(TBitmapLayer* layer, QPointF centre)
{
    const float w = float(layer->Bitmap().Width()), h = float(layer->Bitmap().Height());
    const float x = float(centre.x()), y = float(centre.y());
    layer->SetLocation({x - w / 2, y - h / 2, x + w / 2, y + h / 2});
    PlaceLayer(layer, false);
    FHistory.Push(new TLayerPresenceStep(*this, layer, true));
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
    ReplaceFaceImage(std::move(picture), [&path](TImageInfo& info) { info.LoadFile(path, false); });
}

void TLayerCommands::DropPictures(const QStringList& files, const QImage& picture, QPoint controlPos)
{
    const bool faceFirst = !HasFaceImage();
    std::vector<TBitmap32> pictures;
    {
        const TBusyCursor busy;
        for (const QString& path : files) {
            pictures.emplace_back();
            // The face is read as a face picture (opaque), the others as layers.
            if (faceFirst && pictures.size() == 1)
                LoadPictureFromFile(pictures.back(), path);
            else
                LoadPictureFile(pictures.back(), path);
        }
        if (files.isEmpty() && !picture.isNull()) {
            pictures.emplace_back();
            pictures.back().Assign(picture);
        }
    }
    if (pictures.empty())
        return;
    const TFaceHistory::TStepGroup oneStep(FHistory);
    auto next = pictures.begin();
    if (faceFirst) {
        // The data of a dropped file is its working picture; dropped picture data is kept as a bitmap.
        TBitmap32& first = *next++;
        ReplaceFaceImage(std::move(first), [&](TImageInfo& info) {
            files.isEmpty() ? info.StoreBitmap(first) : info.LoadFile(files.first(), false);
        });
    }
    const QPointF at = imgView->ControlToBitmap(QPointF(controlPos));
    for (; next != pictures.end(); ++next) {
        auto* layer = imgView->Layers().Add<TBitmapLayer>();
        layer->Bitmap() = std::move(*next);
        PlaceNewLayer(layer, at);
    }
}

TImageInfo* TLayerCommands::FaceInfo() const { return FContext.Document->Cover().Face(FFace); }

void TLayerCommands::ReplaceFaceImage(TBitmap32&& picture, const std::function<void(TImageInfo&)>& updateDocument)
{
    // updateDocument runs before picture is moved, so it may read the picture itself.
    TFaceImageState before;
    TImageInfo* info = FaceInfo();
    if (info) {
        before.Kind = info->CurrentKind;
        before.Bytes = info->Current;
        updateDocument(*info);
    }
    std::swap(imgView->Bitmap(), picture);
    before.Bitmap = std::move(picture); // the face it replaced
    imgView->BitmapChanged();
    UpdateSizeLabel();
    FHistory.Push(new TFaceImageStep(*this, std::move(before)));
    MarkModified(true);
}

void TLayerCommands::SwapFaceImage(TFaceImageState& state)
{
    std::swap(imgView->Bitmap(), state.Bitmap);
    if (TImageInfo* info = FaceInfo()) {
        std::swap(info->CurrentKind, state.Kind);
        std::swap(info->Current, state.Bytes);
    }
    imgView->BitmapChanged();
    UpdateSizeLabel();
    UpdateLayerTools();
}

bool TLayerCommands::EnsureFaceImage()
{
    if (HasFaceImage())
        return true;
    TBitmap32 bitmap;
    if (!NewImageDialog(&bitmap, std::max(0, FFace), imgView->window()))
        return false;
    // The document is told before the picture moves into the view.
    ReplaceFaceImage(std::move(bitmap), [&bitmap](TImageInfo& info) { info.StoreBitmap(bitmap); });
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
    if (!FSelectedLayer)
        return;
    RemoveSelectedLayer();
    if (FContext.ShowNotice)
        FContext.ShowNotice(QStringLiteral("Layer deleted. Ctrl+Z brings it back."));
}

void TLayerCommands::RemoveSelectedLayer()
{
    TBitmapLayer* layer = FSelectedLayer;
    if (!layer)
        return;
    // The step keeps the layer, so the deletion can be undone.
    FHistory.Push(new TLayerPresenceStep(*this, layer, false));
    MarkModified(true);
}

void TLayerCommands::RotateLayer(int direction)
{
    TBitmapLayer* layer = FSelectedLayer;
    if (!layer)
        return;
    const TFloatRect before = layer->Location();
    if (FRubberband)
        FRubberband->SetChildLayer(nullptr);
    TurnLayer(layer, direction);
    if (FRubberband)
        FRubberband->SetChildLayer(layer);
    FHistory.Push(new TLayerTurnStep(*this, layer, direction, before));
    MarkModified(false);
}

void TLayerCommands::TurnLayer(TBitmapLayer* layer, int direction)
{
    const float left = layer->Location().Left, top = layer->Location().Top;
    // Back to the bitmap's own pixel size, turned, anchored at the same top-left corner.
    layer->Bitmap() = layer->Bitmap().QuarterTurn(direction);
    layer->SetLocation({left, top, left + float(layer->Bitmap().Width()), top + float(layer->Bitmap().Height())});
    layer->Changed();
    if (Hooks.Rotated)
        Hooks.Rotated(*layer, direction);
}

void TLayerCommands::TakeLayer(TBitmapLayer* layer, TLayerCollection& keeper)
{
    if (layer == FSelectedLayer)
        SelectLayer(nullptr);
    layer->Changed();
    layer->MoveTo(keeper);
    UpdateLayerTools();
}

void TLayerCommands::PutLayer(TBitmapLayer* layer, int index)
{
    layer->MoveTo(imgView->Layers());
    layer->SetIndex(index);
    LayerChanged(layer);
}

void TLayerCommands::LayerChanged(TBitmapLayer* layer)
{
    // The frame is bound again, so it takes the layer's new place; the layer is the selection.
    layer->Changed();
    FSelectedLayer = nullptr;
    SelectLayer(layer);
    UpdateLayerTools();
}

void TLayerCommands::Undo()
{
    FHistory.Undo();
    imgView->viewport()->update();
}

void TLayerCommands::Redo()
{
    FHistory.Redo();
    imgView->viewport()->update();
}

int TLayerCommands::SelectedIndex() const { return FSelectedLayer ? FSelectedLayer->Index() : -1; }

bool TLayerCommands::CanBringForward() const
{
    return FSelectedLayer && SelectedIndex() < imgView->Layers().Count() - 2;
}

bool TLayerCommands::CanSendBackward() const { return FSelectedLayer && SelectedIndex() > 0; }

void TLayerCommands::Reorder(int to)
{
    const int from = SelectedIndex();
    FSelectedLayer->SetIndex(to);
    FHistory.Push(new TLayerOrderStep(*this, FSelectedLayer, from, FSelectedLayer->Index()));
    MarkModified(true);
}

void TLayerCommands::BringToFront()
{
    if (CanBringForward())
        Reorder(imgView->Layers().Count() - 2);
}

void TLayerCommands::BringForward()
{
    if (CanBringForward())
        Reorder(SelectedIndex() + 1);
}

void TLayerCommands::SendBackward()
{
    if (CanSendBackward())
        Reorder(SelectedIndex() - 1);
}

void TLayerCommands::SendToBack()
{
    if (CanSendBackward())
        Reorder(0);
}

void TLayerCommands::ClearFaceView()
{
    // The document drops the faces' history when it replaces them.
    FRubberband = nullptr;
    FSelectedLayer = nullptr;
    imgView->Layers().Clear();
    imgView->Bitmap().MakeEmpty();
    imgView->BitmapChanged();
    UpdateSizeLabel();
}

void TLayerCommands::ClearFace()
{
    // The step takes the layers and the picture into its keeping, so clearing can be undone.
    FHistory.Push(new TClearFaceStep(*this));
    MarkModified(true);
}

// ---- state of the tools

void TLayerCommands::MarkModified(bool refreshTools)
{
    // The document counts the change through the step just recorded.
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
    miDeleteLayer->setEnabled(sel);
    miCut->setEnabled(sel && Hooks.Cut);
    miCopy->setEnabled(sel && Hooks.Copy);
    miPaste->setEnabled(Hooks.Paste && Hooks.CanPaste && Hooks.CanPaste());
    miBringToFront->setEnabled(front);
    t->btnOneTop->setEnabled(front);
    t->btnOneBottom->setEnabled(back);
    miSendToBack->setEnabled(back);
    t->btnRotateCCW->setEnabled(sel);
    t->btnRotateCW->setEnabled(sel);
    miUndo->setEnabled(FHistory.CanUndo());
    miRedo->setEnabled(FHistory.CanRedo());
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
    TImageViewInfo* record = &FContext.Document->FaceRecord(face);
    FFaceZoom = imgView->Scale();
    FlattenFace(record->Bitmap, false);
    record->Layers.Clear();
    // From the top down; the selection frame stays behind.
    TLayerCollection& layers = imgView->Layers();
    for (int i = layers.Count() - 1; i >= 0; --i)
        if (auto* layer = dynamic_cast<TBitmapLayer*>(layers.Items(i)))
            layer->MoveTo(record->Layers);
    FFace = -1;
    FHistory.SetFace(-1);
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
    FContext.Document->Cover().LoadFaceInto(&imgView->Bitmap(), face);
    imgView->BitmapChanged();
    imgView->Layers().Clear(); // frees the old selection frame
    {
        // Again from the top down, which restores the former bottom-to-top order.
        TLayerCollection& stored = FContext.Document->FaceRecord(face).Layers;
        for (int i = stored.Count() - 1; i >= 0; --i)
            stored.Items(i)->MoveTo(imgView->Layers());
    }
    UpdateSizeLabel();
    imgView->EndUpdate();
    imgView->viewport()->update();
    FHistory.SetFace(face);
}
