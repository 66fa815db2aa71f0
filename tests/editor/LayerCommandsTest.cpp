#include "cover/BookCover.h"
#include "cover/ImageViewInfo.h"
#include "editor/BackImageMenu.h"
#include "editor/LayerCommands.h"
#include "editor/TextLayerTools.h"
#include "document/TavloDocument.h"
#include <QUndoStack>
#include "editor/FontDlg.h"
#include "editor/NewImageDlg.h"
#include "editor/TextLayer.h"
#include "raster/RubberbandLayer.h"
#include "common/TestBitmaps.h"
#include "common/TestFiles.h"
#include "common/WhenModal.h"

#include <QtWidgets>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {
struct EditorFixture : testing::Test {
    QWidget container;
    TTavloDocument document;
    TBookCover& cover = document.Cover();
    bool nextEnabled = false;
    TLayerCommands* commands = nullptr;
    const TBitmap32 red = Filled(10, 10, Color32(255, 0, 0));

    EditorFixture()
    {
        container.resize(700, 500);
        TFaceEditorContext context;
        context.Document = &document;
        context.FaceImageChanged = [this](bool image) { nextEnabled = image; };
        commands = new TLayerCommands(&container, context);
        TTextLayerTools::Install(*commands); // text layers and the clipboard, as the window plugs them in
        container.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&container));
    }
    // Enters face step `face` with a face image of the given size.
    void EnterWithFace(int face, int w, int h, TColor32 c = Color32(0, 0, 255))
    {
        cover.Face(face)->StoreBitmap(Filled(w, h, c));
        commands->EnterFaceStep(face);
    }
    TLayerToolbar& tools() { return *commands->pnlTools; }
    TImgView32& view() { return *commands->imgView; }
    int Count() { return view().Layers().Count(); }
    TBitmap32 Flat()
    {
        TBitmap32 flat;
        commands->FlattenFace(flat, true);
        return flat;
    }
};

// Confirms the next text dialog with `text`, after `more` changes whatever else it should.
void WriteText(const char* text, std::function<void(TFontDlgFrm*)> more = nullptr)
{
    WhenModal<TFontDlgFrm>([text, more](TFontDlgFrm* dlg) {
        dlg->memText->setPlainText(text);
        if (more)
            more(dlg);
        dlg->btnOK->click();
    });
}
} // namespace

// (The gauge's zoom and its label are checked where a face is left and entered again.)
TEST_F(EditorFixture, DoubleClickLowersTheZoomByHalfTheGaugesLargeStep)
{
    EnterWithFace(0, 300, 200);
    tools().gbrScaleBar->setValue(90);
    QTest::mouseDClick(view().viewport(), Qt::LeftButton);
    EXPECT_EQ(tools().gbrScaleBar->value(), 80);
}

TEST_F(EditorFixture, ReorderLimitsWithTheFrameOnTop)
{
    EnterWithFace(0, 200, 150);
    commands->AddImageLayer(&red);
    ASSERT_EQ(Count(), 2); // the layer and the frame
    EXPECT_EQ(commands->Rubberband()->Index(), 1);
    TBitmapLayer* b = commands->AddImageLayer(&red);
    TBitmapLayer* c = commands->AddImageLayer(&red);
    ASSERT_EQ(Count(), 4);
    EXPECT_EQ(commands->Rubberband()->Index(), 3); // moved to the top on each selection

    commands->SelectLayer(b); // index 1 = Count - 3
    commands->BringForward();
    EXPECT_EQ(std::pair(b->Index(), c->Index()), std::pair(2, 1));
    commands->BringForward(); // does nothing at the front
    EXPECT_EQ(b->Index(), 2);
    commands->SendToBack();
    EXPECT_EQ(b->Index(), 0);
    commands->BringToFront();
    EXPECT_EQ(b->Index(), 2);
    EXPECT_EQ(commands->Rubberband()->Index(), 3);

    // Commands without a selection do nothing.
    commands->SelectLayer(nullptr);
    document.MarkSaved();
    commands->DeleteLayer();
    commands->RotateLayer(1);
    commands->BringToFront();
    commands->SendToBack();
    EXPECT_FALSE(document.Modified());
    EXPECT_EQ(Count(), 4);
    EXPECT_FALSE(commands->Rubberband()->Visible());
}

TEST_F(EditorFixture, PlacedLayersAreCentredAtPixelSizeAndFlattenedCutOff)
{
    EnterWithFace(0, 100, 80, Color32(0, 0, 255));
    tools().gbrScaleBar->setValue(30); // 4x: the view shows only part of the face
    const TBitmap32 green = Filled(10, 6, Color32(0, 255, 0));
    TBitmapLayer* layer = commands->AddImageLayer(&green);
    const QPointF centre = view().ControlToBitmap(QPointF(view().ViewportRect().center()));
    EXPECT_NEAR((layer->Location().Left + layer->Location().Right) / 2, centre.x(), 0.5);
    EXPECT_EQ(layer->Location().ToRectF().size(), QSizeF(10, 6));

    commands->Rubberband()->SetLocation({95, 77, 105, 83}); // half outside
    const TBitmap32 flat = Flat();
    ASSERT_EQ(flat.Size(), QSize(100, 80));
    for (auto [x, y, c] : {std::tuple{95, 77, Color32(0, 255, 0)}, {99, 79, Color32(0, 255, 0)},
                           {94, 77, Color32(0, 0, 255)}, {95, 76, Color32(0, 0, 255)}}) // no frame in it
        EXPECT_EQ(flat.Pixel(x, y), c) << x << "," << y;
    EXPECT_EQ(commands->SelectedLayer(), layer); // kept (leaving the face flattens it without the selection)
}

TEST_F(EditorFixture, LeavingAndReenteringAFaceRestoresLayersInOrder)
{
    EnterWithFace(0, 120, 90);
    EnterWithFace(1, 40, 90); // fills the side's document face; entered again below
    commands->EnterFaceStep(0);
    const TBitmap32 white = Filled(10, 10, Color32(255, 255, 255));
    TBitmapLayer* first = commands->AddImageLayer(&red);
    TBitmapLayer* second = commands->AddImageLayer(&white);
    tools().gbrScaleBar->setValue(10); // 2x
    commands->LeaveFaceStep(0);
    EXPECT_EQ(std::tuple(document.FaceRecord(0).Layers.Count(), document.FaceRecord(0).Bitmap.Width(), commands->SelectedLayer()),
              std::tuple(2, 120, nullptr));

    commands->EnterFaceStep(1);
    EXPECT_EQ(std::tuple(view().Bitmap().Width(), Count(), view().Scale()), std::tuple(40, 0, 2.0));
    tools().gbrScaleBar->setValue(-50); // 0.5x, in use when face 1 is left
    commands->LeaveFaceStep(1);

    commands->EnterFaceStep(0);
    ASSERT_EQ(Count(), 2);
    EXPECT_TRUE(view().Layers().Items(0) == first && view().Layers().Items(1) == second);
    EXPECT_TRUE(commands->SelectedLayer() == nullptr && commands->Rubberband() == nullptr);
    EXPECT_EQ(std::tuple(view().Scale(), tools().gbrScaleBar->value(), tools().lblZoom->text(), tools().lblSize->text()),
              std::tuple(0.5, -50, QString("Zoom: 0.5x"), QString("Size: 120 X 90")));

    // A press on a restored layer selects it again.
    const QPoint at = view().BitmapToControl(QPointF(first->Location().Left + 2, first->Location().Top + 2)).toPoint();
    second->SetLocation({60, 60, 70, 70});
    QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(commands->SelectedLayer(), first);
    EXPECT_TRUE(tools().btnDelete->isEnabled());
}

// (A right-click outside the picture is the main window's test.)
TEST_F(EditorFixture, ContextMenuInsideTheImageFollowsTheSelection)
{
    EnterWithFace(0, 100, 80);
    commands->AddImageLayer(&red);
    commands->Hooks.EditText = [](TBitmapLayer*) {};
    for (bool text : {false, true}) {
        commands->Hooks.IsTextLayer = [text](const TCustomLayer*) { return text; };
        commands->PreparePopup(view().ImageRect().center());
        EXPECT_EQ(std::pair(commands->miDeleteLayer->isEnabled(), commands->miEdit->isEnabled()), std::pair(true, text));
    }
    // The menu item and the toolbar button are one command: the menu's Delete deletes, and both
    // show it disabled with nothing selected; hiding the items outside the picture leaves the
    // toolbar as it is.
    commands->miDeleteLayer->trigger();
    EXPECT_EQ(std::tuple(Count(), tools().btnDelete->isEnabled(), commands->miDeleteLayer->isEnabled()),
              std::tuple(1, false, false));
    commands->PreparePopup(QPoint(-5, -5));
    EXPECT_TRUE(!commands->miDeleteLayer->isVisible() && tools().btnDelete->isVisible());
}

TEST_F(EditorFixture, EnsureFaceImageOffersTheNewImageDialog)
{
    commands->EnterFaceStep(1); // an empty side face
    EXPECT_FALSE(nextEnabled);
    TNewImageFrm::SetRememberedColor(QColor(9, 8, 7));
    WhenModal<TNewImageFrm>([](TNewImageFrm* dlg) {
        dlg->SetBackground(QColor(200, 0, 0)); // a colour picked and then cancelled is not kept
        QTest::mouseClick(dlg->btnCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(commands->EnsureFaceImage());
    EXPECT_FALSE(document.Modified());

    WhenModal<TNewImageFrm>([](TNewImageFrm* dlg) {
        EXPECT_EQ(std::pair(dlg->windowTitle(), dlg->Background()),
                  std::pair(QStringLiteral("Book/Box Spine Properties"), QColor(9, 8, 7)));
        WhenModal<QColorDialog>([](QColorDialog* colors) {
            colors->setCurrentColor(QColor(10, 20, 30));
            colors->accept();
        }, dlg);
        QTest::mouseClick(dlg->btnColor, Qt::LeftButton);
        QTest::mouseClick(dlg->btnOK, Qt::LeftButton);
    });
    EXPECT_TRUE(commands->EnsureFaceImage());
    EXPECT_TRUE(document.Modified() && nextEnabled);
    // Filled opaque with the picked colour, which the next dialog starts with.
    EXPECT_EQ(std::tuple(view().Bitmap().Size(), view().Bitmap().Pixel(99, 399), tools().lblSize->text(),
                         TNewImageFrm::RememberedColor()),
              std::tuple(QSize(100, 400), Color32(10, 20, 30, 255), QString("Size: 100 X 400"), QColor(10, 20, 30)));
    // The document's side face now holds the picture as its working copy.
    TBitmap32 decoded;
    cover.LoadFaceInto(&decoded, 1);
    EXPECT_EQ(decoded.Size(), QSize(100, 400));

    commands->ClearFace();
    EXPECT_TRUE(view().Bitmap().Empty() && cover.Face(1)->Current.isEmpty());
    EXPECT_FALSE(nextEnabled || tools().btnReset->isEnabled());
}

// The clipboard's own behaviour is tested with the clipboard; here only the toolbar's wiring.
TEST_F(EditorFixture, TextToolMakesEditsAndPastesTextLayers)
{
    QGuiApplication::clipboard()->clear();
    EnterWithFace(0, 400, 300, Color32(255, 255, 255));
    EXPECT_FALSE(tools().btnPaste->isEnabled()); // nothing to paste yet
    auto selectedText = [this] { return dynamic_cast<TTextLayer*>(commands->SelectedLayer()); };
    const int before = Count();
    WhenModal<TFontDlgFrm>([](TFontDlgFrm* dlg) { dlg->reject(); });
    tools().btnText->click();
    EXPECT_EQ(Count(), before); // a cancelled new layer is freed

    WriteText("Sale!");
    tools().btnText->click();
    TTextLayer* text = selectedText();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::tuple(text->Lines, text->Location().Width(), text->Bitmap().DrawMode()),
              std::tuple(QStringList{"Sale!"}, float(text->Bitmap().Width()), TDrawMode::dmBlend));
    // A turn goes back to 1:1 however the layer was stretched, on the same top-left corner; the frame follows.
    const TFloatRect at = text->Location();
    const TBitmap32 upright = text->Bitmap();
    commands->Rubberband()->SetLocation({at.Left, at.Top, at.Right + 50, at.Bottom + 30});
    commands->RotateLayer(+1);
    const TFloatRect turned{at.Left, at.Top, at.Left + upright.Height(), at.Top + upright.Width()};
    EXPECT_EQ(std::pair(text->Location(), commands->Rubberband()->Location()), std::pair(turned, turned));
    EXPECT_TRUE(text->Bitmap().SamePixels(upright.QuarterTurn(+1)));
    // An edit draws the text again, turned as the layer is, at 1:1 on the same corner.
    commands->Rubberband()->SetLocation({at.Left, at.Top, at.Right + 50, at.Bottom + 30});
    WriteText("Grüße, Καλημέρα", [](TFontDlgFrm* dlg) {
        dlg->cbxShadow->setChecked(true);
        dlg->cbxBevel->setChecked(true);
        dlg->AlphaBar->setValue(180);
        dlg->SetDialogFont(QFont("DejaVu Serif", 14, QFont::Normal, true));
        dlg->SetTextColor(QColor(0, 0, 128));
    });
    commands->EditText(text);
    TTextParams level = *text;
    level.Rotation = 0;
    TBitmap32 drawn;
    RenderTextBitmap(level, drawn);
    EXPECT_TRUE(text->Bitmap().SamePixels(drawn.QuarterTurn(+1)));
    EXPECT_EQ(text->Location(), (TFloatRect{at.Left, at.Top, at.Left + drawn.Height(), at.Top + drawn.Width()}));

    tools().btnCopy->click();
    tools().btnPaste->click();
    TTextLayer* pasted = selectedText();
    ASSERT_NE(pasted, nullptr);
    // The same text, font, colour and effects, the same pixels (alpha included, still turned), beside the copied layer.
    EXPECT_EQ(static_cast<const TTextParams&>(*pasted), static_cast<const TTextParams&>(*text));
    EXPECT_TRUE(pasted->Bitmap().SamePixels(text->Bitmap()));
    EXPECT_EQ(pasted->Location().Left, text->Location().Left + 10);

    const int count = Count();
    tools().btnCut->click();
    EXPECT_EQ(Count(), count - 1);
    EXPECT_EQ(commands->SelectedLayer(), nullptr);
}

// Every kind of change to a face, undone step by step back to the start and redone again: at
// each step the flattened face is the one recorded after that change, and the modified flag
// follows the history.
TEST_F(EditorFixture, UndoAndRedoWalkEveryKindOfChange)
{
    QTemporaryDir dir;
    const QString picture = SavePicture(dir.filePath("face.bmp"), {320, 240}, QColor(20, 90, 160));
    EnterWithFace(0, 400, 300, Color32(255, 255, 255));
    commands->Hooks.ChoosePictureFile = [&](int) { return picture; };
    const TBitmap32 wide = Filled(60, 40, Color32(255, 0, 0));
    TBitmap32 marked = Filled(30, 50, Color32(0, 200, 0));
    marked.SetPixel(0, 0, Color32(255, 255, 0));
    TBitmapLayer* layer = nullptr;
    // A drag of the selection frame with the mouse, from a face point by an offset.
    const auto drag = [&](QPointF from, QPointF by) {
        const QPoint a = view().BitmapToControl(from).toPoint(), b = view().BitmapToControl(from + by).toPoint();
        QTest::mousePress(view().viewport(), Qt::LeftButton, {}, a);
        QTest::mouseMove(view().viewport(), (a + b) / 2);
        QTest::mouseMove(view().viewport(), b);
        QTest::mouseRelease(view().viewport(), Qt::LeftButton, {}, b);
    };
    const auto corner = [&] { return layer->Location().ToRectF().bottomRight() - QPointF(1, 1); };
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"load the face picture", [&] { commands->LoadFaceImage(); }},
        {"add an image layer", [&] { commands->AddImageLayer(&wide); }},
        {"add another", [&] { layer = commands->AddImageLayer(&marked); }},
        {"move it", [&] { drag(layer->Location().ToRectF().center(), {17, 9}); }},
        {"resize it", [&] { drag(corner(), {12, 20}); }},
        {"turn it", [&] { commands->RotateLayer(+1); }},
        {"send it back", [&] { commands->SendToBack(); }},
        {"delete it", [&] { commands->DeleteLayer(); }},
        {"add a text layer", [&] { WriteText("Sale"); commands->EditText(nullptr); layer = commands->SelectedLayer(); }},
        {"edit the text", [&] { WriteText("Sale now"); commands->EditText(layer); }},
        {"resize the text", [&] {
             // Drawn again at the new height when the drag ends, so it stays sharp: shown 1:1.
             auto* text = dynamic_cast<TTextLayer*>(layer);
             const int points = text->Font.PointSize();
             drag(corner(), {0, text->Location().Height()});
             EXPECT_EQ(text->Font.PointSize(), 2 * points);
             EXPECT_EQ(text->Location().ToRectF().size(), QSizeF(text->Bitmap().Size()));
         }},
        {"clear the face", [&] { commands->ClearFace(); }},
    };
    document.MarkSaved();
    std::vector<TBitmap32> faces{Flat()};
    for (const auto& [name, change] : changes) {
        change();
        faces.push_back(Flat());
        ASSERT_FALSE(faces.back().SamePixels(faces[faces.size() - 2])) << name << " changed nothing";
        EXPECT_TRUE(document.Modified()) << name;
    }
    for (std::size_t at = changes.size(); at-- > 0;) {
        tools().btnUndo->click();
        EXPECT_TRUE(Flat().SamePixels(faces[at])) << "undo to " << at;
    }
    EXPECT_FALSE(document.Modified());
    EXPECT_FALSE(tools().btnUndo->isEnabled());
    for (std::size_t at = 1; at <= changes.size(); ++at) {
        tools().btnRedo->click();
        EXPECT_TRUE(Flat().SamePixels(faces[at])) << "redo to " << at;
    }
    EXPECT_TRUE(document.Modified());
    EXPECT_FALSE(commands->miRedo->isEnabled());
}

TEST_F(EditorFixture, DroppedPicturesMakeTheFaceThenLayersInOneStep)
{
    QTemporaryDir dir;
    const QString face = SavePicture(dir.filePath("face.bmp"), {80, 60}, Qt::blue);
    const QString layer = SavePicture(dir.filePath("layer.bmp"), {10, 8}, Qt::red);
    const QString notes = WriteFile(dir.filePath("notes.txt"), "not a picture"),
                  broken = WriteFile(dir.filePath("broken.bmp"), "BM this is not a bitmap");
    commands->EnterFaceStep(0); // no face picture yet
    QWidget* viewport = view().viewport();
    const QPoint where = viewport->rect().center() + QPoint(12, 7);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(face), QUrl::fromLocalFile(layer)});
    QDragEnterEvent enter(where, Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(where), Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &drop);
    EXPECT_EQ(view().Bitmap().Size(), QSize(80, 60));
    EXPECT_FALSE(cover.Face(0)->Current.isEmpty());
    ASSERT_EQ(Count(), 2); // the layer and the frame
    EXPECT_EQ(commands->SelectedLayer()->Location().ToRectF().center(), view().ControlToBitmap(QPointF(where)));
    EXPECT_TRUE(document.Modified());

    // A file the loader refuses stops the whole drop, or a load from the menu: nothing changes.
    const QByteArray documentBytes = cover.Face(0)->Current;
    const int steps = document.FaceStack(0)->index();
    EXPECT_THROW(commands->DropPictures({layer, notes}, QImage(), where), std::runtime_error);
    commands->Hooks.ChoosePictureFile = [&](int) { return broken; };
    EXPECT_THROW(commands->LoadFaceImage(), std::runtime_error);
    EXPECT_THROW(commands->AddImageLayerFromFile(), std::runtime_error);
    EXPECT_EQ(document.FaceStack(0)->index(), steps);
    EXPECT_EQ(std::tuple(Count(), view().Bitmap().Size(), view().Bitmap().Pixel(0, 0), cover.Face(0)->Current),
              std::tuple(2, QSize(80, 60), Color32(0, 0, 255), documentBytes));

    // Picture data from a browser becomes a layer; one undo takes it back, one more the files.
    QImage fromBrowser(6, 4, QImage::Format_ARGB32);
    fromBrowser.fill(Qt::green);
    commands->DropPictures({}, fromBrowser, where);
    EXPECT_EQ(commands->SelectedLayer()->Bitmap().Size(), QSize(6, 4));
    commands->Undo();
    EXPECT_EQ(Count(), 2);
    commands->Undo();
    EXPECT_TRUE(view().Bitmap().Empty() && commands->SelectedLayer() == nullptr);
    EXPECT_FALSE(document.Modified());
}

// The front step's menu loads and removes the back cover, each a step of the front face's
// history that undo takes back; the other steps do not offer it, and a file the loader refuses
// changes nothing.
TEST_F(EditorFixture, BackImageMenuWorksOnTheFrontStepOnlyAndUndoes)
{
    QTemporaryDir dir;
    QString picture = SavePicture(dir.filePath("back.bmp"), {40, 60}, QColor(20, 200, 200));
    commands->Hooks.ChoosePictureFile = [&](int) { return picture; };
    auto* load = commands->popLayer->findChild<QAction*>("miBackImage");
    auto* remove = commands->popLayer->findChild<QAction*>("miRemoveBackImage");
    ASSERT_TRUE(load && remove);
    EXPECT_EQ(std::pair(load->text(), remove->text()), std::pair(QString("Back Image..."), QString("Remove Back Image")));
    EnterWithFace(1, 20, 60);
    EXPECT_FALSE(load->isVisible() || remove->isVisible());
    commands->LeaveFaceStep(1);
    EnterWithFace(0, 80, 120);
    EXPECT_TRUE(load->isVisible() && remove->isVisible());
    EXPECT_FALSE(remove->isEnabled()); // nothing to remove yet

    load->trigger();
    EXPECT_TRUE(document.BackPicture().SamePixels(Filled(40, 60, Color32(20, 200, 200))));
    EXPECT_EQ(document.Cover().Back.FileName, picture);
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_TRUE(document.Modified());
    remove->trigger();
    EXPECT_FALSE(document.HasBack());
    EXPECT_FALSE(remove->isEnabled());
    commands->Undo(); // the removal
    EXPECT_TRUE(document.HasBack());
    commands->Undo(); // the loading
    EXPECT_FALSE(document.HasBack());
    EXPECT_FALSE(document.Modified());
    commands->Redo();
    EXPECT_TRUE(document.HasBack());

    picture = dir.filePath("broken.bmp");
    WriteFile(picture, "BM not really a bitmap");
    const int steps = document.FaceStack(0)->count();
    TBackImageMenu* menu = commands->findChild<TBackImageMenu*>();
    ASSERT_TRUE(menu);
    EXPECT_THROW(menu->LoadBackImage(), std::runtime_error);
    EXPECT_EQ(document.FaceStack(0)->count(), steps);
    EXPECT_TRUE(document.BackPicture().SamePixels(Filled(40, 60, Color32(20, 200, 200))));
}
