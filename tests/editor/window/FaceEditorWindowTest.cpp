// The face editor inside the main window: toolbar buttons, keys and the step machine together.
// The commands themselves are tested with the face editor alone; here only what reaches them.
#include "app/FinalPage.h"
#include "app/FrameFrm.h"
#include "document/TavloDocument.h"
#include "cover/ImageViewInfo.h"
#include "editor/LayerCommands.h"
#include "raster/RubberbandLayer.h"
#include "ui/MsgBox.h"
#include "common/MessageLog.h"
#include "common/TestBitmaps.h"

#include <QtWidgets>
#include <QTest>
#include <gtest/gtest.h>

// What a designer ran into on the face steps as well: the layer menu, selection and the modified
// flag, Delete and undo, and keys meant for another control.
TEST(FaceEditorWindow, ToolbarKeysMenuUndoAndStepsReachTheEditor)
{
    TMessageLog asked;
    asked.Answer = mrNo;
    QTemporaryDir dir;
    const QString facePath = SavePicture(dir.filePath("face.bmp"), {120, 90}, QColor(0, 0, 255));
    const QString greenPath = SavePicture(dir.filePath("green.bmp"), {16, 8}, QColor(0, 255, 0));
    TExperChild w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.btnNext, Qt::LeftButton);
    ASSERT_EQ(w.Step(), 1);
    TLayerCommands& editor = *w.LayerCommands();
    TLayerToolbar& tools = *editor.pnlTools;
    QWidget* viewport = editor.imgView->viewport();
    EXPECT_TRUE(tools.isVisible() && editor.imgView->isVisible());
    EXPECT_FALSE(w.btnNext->isEnabled()); // no face image yet
    QStringList answers = {facePath, greenPath, greenPath};
    editor.Hooks.ChoosePictureFile = [&](int) { return answers.isEmpty() ? QString() : answers.takeFirst(); };
    QTest::mouseClick(tools.btnSelect, Qt::LeftButton);
    EXPECT_EQ(editor.imgView->Bitmap().Size(), QSize(120, 90));
    EXPECT_TRUE(w.btnNext->isEnabled() && w.Modified());
    QTest::mouseClick(tools.btnAdd, Qt::LeftButton);
    QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    TLayerCollection& layers = editor.imgView->Layers();
    ASSERT_EQ(layers.Count(), 3); // two layers and the frame
    auto* a = dynamic_cast<TBitmapLayer*>(layers.Items(0));
    auto* b = dynamic_cast<TBitmapLayer*>(layers.Items(1));
    ASSERT_TRUE(a && b && editor.SelectedLayer() == b);
    QTest::mouseClick(tools.btnRotateCW, Qt::LeftButton);
    QTest::mouseClick(tools.btnToBack, Qt::LeftButton);
    EXPECT_EQ(std::pair(b->Bitmap().Size(), b->Index()), std::pair(QSize(8, 16), 0));
    editor.Rubberband()->SetLocation({0, 0, 8, 16}); // out of the way, in the top-left corner
    const auto at = [&](QPointF p) { return editor.imgView->BitmapToControl(p).toPoint(); };

    // A right-click outside the picture shows only what can be done there (no empty menu that
    // would swallow the next click).
    const QPoint outside = editor.imgView->ImageRect().topLeft() - QPoint(8, 8);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, outside, viewport->mapToGlobal(outside));
    QApplication::sendEvent(viewport, &menu);
    QWidget* popup = QApplication::activePopupWidget();
    EXPECT_EQ(popup, static_cast<QWidget*>(editor.popLayer));
    if (popup)
        popup->close();
    EXPECT_TRUE(editor.miUndo->isVisible() && editor.miUndo->isEnabled());

    // Selecting alone is no change; a move is, and undoing it is back at the saved state.
    w.Document()->MarkSaved(); // as a save that succeeded leaves it
    EXPECT_FALSE(w.Modified());
    const QPoint grab = at(a->Location().ToRectF().center());
    QTest::mouseClick(viewport, Qt::LeftButton, {}, grab);
    EXPECT_EQ(editor.SelectedLayer(), a);
    EXPECT_FALSE(w.Modified());
    QTest::mousePress(viewport, Qt::LeftButton, {}, grab);
    QTest::mouseMove(viewport, grab + QPoint(10, 5));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, grab + QPoint(10, 5));
    EXPECT_TRUE(w.Modified());
    QTest::keyClick(viewport, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(w.Modified());
    QTest::keyClick(viewport, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(w.Modified());

    // Delete asks nothing, says how to get the layer back, and Ctrl+Z does.
    QTest::keyClick(viewport, Qt::Key_Delete);
    EXPECT_EQ(layers.IndexOf(a), -1);
    EXPECT_EQ(w.lblPrompt->text(), QStringLiteral("Layer deleted. Ctrl+Z brings it back."));
    QTest::keyClick(viewport, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(a->Index(), 1);
    EXPECT_TRUE(asked.Asked.empty());

    // Leaving the step flattens the face into its record and takes the layers along.
    w.GoToStep(2);
    EXPECT_EQ(std::tuple(w.FaceView(0)->Bitmap.Pixel(1, 1), w.FaceView(0)->Layers.Count()), std::tuple(Color32(0, 255, 0), 2));

    // On the final page the face toolbar is hidden and the width box keeps Delete and the clipboard keys.
    w.GoToStep(4);
    EXPECT_FALSE(tools.isVisible());
    QSpinBox* width = w.FinalPage()->edtExportWidth;
    width->setFocus();
    width->selectAll();
    QTest::keyClick(width, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(width, Qt::Key_Delete);
    EXPECT_TRUE(width->cleanText().isEmpty());
    QTest::keyClick(width, Qt::Key_V, Qt::ControlModifier);
    EXPECT_FALSE(width->cleanText().isEmpty());
}
