// The face editor inside the main window: toolbar buttons, keys and the step machine together.
#include "app/FrameFrm.h"
#include "cover/ImageViewInfo.h"
#include "editor/LayerCommands.h"
#include "raster/RubberbandLayer.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
QString SavePicture(const QTemporaryDir& dir, const char* name, QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    image.setPixelColor(0, 0, Qt::white); // a marker to follow through the turns
    const QString path = dir.filePath(QString::fromLatin1(name));
    EXPECT_TRUE(image.save(path, "BMP"));
    return path;
}
} // namespace

TEST(FaceEditorWindow, LoadAddReorderRotateDeleteAndFlatten)
{
    SetMessageHandler([](const TMessageRequest&) { return int(mrOk); });
    QTemporaryDir dir;
    const QString facePath = SavePicture(dir, "face.bmp", {120, 90}, QColor(0, 0, 255));
    const QString redPath = SavePicture(dir, "red.bmp", {30, 20}, QColor(255, 0, 0));
    const QString greenPath = SavePicture(dir, "green.bmp", {16, 16}, QColor(0, 255, 0));

    TExperChild w;
    w.GoToStep(1);
    TLayerCommands& editor = *w.LayerCommands();
    TLayerToolbar& tools = *editor.pnlTools;
    EXPECT_TRUE(tools.isVisible());
    EXPECT_TRUE(editor.imgView->isVisible());
    EXPECT_FALSE(w.btnNext->isEnabled()); // no face image yet
    EXPECT_FALSE(tools.btnDelete->isEnabled());

    QStringList answers = {facePath};
    editor.Hooks.ChoosePictureFile = [&](int) { return answers.isEmpty() ? QString() : answers.takeFirst(); };
    QTest::mouseClick(tools.btnSelect, Qt::LeftButton);
    EXPECT_EQ(editor.imgView->Bitmap().Size(), QSize(120, 90));
    EXPECT_EQ(tools.lblSize->text(), QStringLiteral("Size: 120 X 90"));
    EXPECT_TRUE(w.btnNext->isEnabled());
    EXPECT_TRUE(w.Modified());

    answers = {redPath};
    QTest::mouseClick(tools.btnAdd, Qt::LeftButton);
    answers = {greenPath};
    QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    TLayerCollection& layers = editor.imgView->Layers();
    ASSERT_EQ(layers.Count(), 3);
    auto* red = dynamic_cast<TBitmapLayer*>(layers.Items(0));
    auto* green = dynamic_cast<TBitmapLayer*>(layers.Items(1));
    ASSERT_TRUE(red && green);
    EXPECT_EQ(editor.SelectedLayer(), green);
    EXPECT_EQ(red->Bitmap().Size(), QSize(30, 20));

    // The green layer goes to the back, the red one is turned clockwise and moved to a corner.
    EXPECT_TRUE(tools.btnToBack->isEnabled());
    QTest::mouseClick(tools.btnToBack, Qt::LeftButton);
    EXPECT_EQ(green->Index(), 0);
    editor.SelectLayer(red);
    w.LayerCommands()->UpdateLayerTools();
    QTest::mouseClick(tools.btnRotateCW, Qt::LeftButton);
    EXPECT_EQ(red->Bitmap().Size(), QSize(20, 30));
    EXPECT_EQ(red->Bitmap().Pixel(19, 0), Color32(255, 255, 255)); // the marker went to the top right
    editor.Rubberband()->SetLocation({100, 70, 120, 100}); // partly below the face
    green->SetLocation({0, 0, 16, 16});

    // A third layer is deleted with the Delete key.
    answers = {greenPath};
    QTest::mouseClick(tools.btnAdd, Qt::LeftButton);
    ASSERT_EQ(layers.Count(), 4);
    QTest::keyClick(&w, Qt::Key_Delete);
    EXPECT_EQ(layers.Count(), 3);
    EXPECT_EQ(editor.SelectedLayer(), nullptr);

    // Leaving the step flattens the face into its record and takes the layers along.
    w.GoToStep(2);
    const TBitmap32& flat = w.FaceView(0)->Bitmap;
    ASSERT_EQ(flat.Size(), QSize(120, 90));
    EXPECT_EQ(flat.Pixel(5, 5), Color32(0, 255, 0));
    EXPECT_EQ(flat.Pixel(110, 80), Color32(255, 0, 0));
    EXPECT_EQ(flat.Pixel(119, 70), Color32(255, 255, 255));
    EXPECT_EQ(flat.Pixel(50, 50), Color32(0, 0, 255));
    EXPECT_EQ(w.FaceView(0)->Layers.Count(), 2);

    // On the final page the face toolbar is hidden.
    w.GoToStep(4);
    EXPECT_FALSE(tools.isVisible());
    SetMessageHandler(nullptr);
}
