// A project saved in the real window reopens with the same faces, layers and settings, renders
// headless to the picture Save As writes, and a damaged file changes nothing.
#include "app/FinalPage.h"
#include "app/FrameFrm.h"
#include "app/ProjectFlow.h"
#include "editor/ImgView32.h"
#include "editor/LayerCommands.h"
#include "editor/TextLayer.h"
#include "imageio/LastFolder.h"
#include "ui/MsgBox.h"
#include "common/MessageLog.h"
#include "common/RequireGL.h"
#include "common/RunTavlo.h"
#include "common/TestBitmaps.h"
#include "common/TestFiles.h"

#include "../app/FinalDialogDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TBitmap32 Face(int w, int h, QColor colour)
{
    TBitmap32 b;
    b.Assign(Striped(w, h, colour, 6));
    return b;
}

} // namespace

TEST(ProjectWindow, SavedProjectReopensAndRendersHeadlessAsTheWindowSaves)
{
    TMessageLog boxes;
    boxes.Answer = mrNo;
    QTemporaryDir dir;
    SetLastFolder(dir.path());
    const QString project = dir.filePath("shelf.tavlo");
    std::array<TBitmap32, 3> flat;
    {
        TExperChild w;
        TAVLO_REQUIRE_GL(w.GLReady(), "the final view could not create its context");
        w.cmbStartType->setCurrentIndex(int(btBookCover));
        w.Cover()->Faces[0].StoreBitmap(Face(240, 360, QColor(190, 50, 40)));
        w.Cover()->Faces[1].StoreBitmap(Face(40, 360, QColor(40, 60, 170)));
        w.GoToStep(1);
        TLayerCommands& editor = *w.LayerCommands();
        const TBitmap32 sticker = Filled(50, 30, Color32(20, 160, 60, 200));
        editor.AddImageLayer(&sticker);
        auto* text = editor.imgView->Layers().Add<TTextLayer>();
        text->Lines = {QStringLiteral("Spring")};
        text->Font.Color = 0x00FFFFFF;
        RenderTextBitmap(*text, text->Bitmap());
        text->SetLocation({20, 40, 20 + float(text->Bitmap().Width()), 40 + float(text->Bitmap().Height())});
        editor.AdoptLayer(*text);
        w.GoToStep(2);
        w.GoToStep(4);
        TFinalPage& final = *w.FinalPage();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.FinalView()->isVisible(); })) << "the final view did not show within 5 s";
        // In the window the final view has the start-page preview's shape, the options beside it.
        EXPECT_EQ(w.FinalView()->width(),
                  int(std::lround(double(w.pnlAboutExp->width()) * w.FinalView()->height() / w.pnlAboutExp->height())) - 6);
        EXPECT_EQ(final.pnlOptions->x(), w.FinalView()->x() + w.FinalView()->width());
        final.trkAngleY->setValue(40);
        final.gbrIntensity->setValue(70);
        final.gbrLightCY->setValue(60);
        final.gbrScaleFinal->setValue(-10);
        final.chkTransparent->click();
        QTest::qWait(50);

        TDialogDriver driver;
        driver.Answer(project);
        w.ProjectFlow()->actSaveProject->trigger();
        EXPECT_EQ(driver.Title, QStringLiteral("Save Project"));
        ASSERT_TRUE(QFile::exists(project));
        EXPECT_FALSE(w.Modified());
        EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("shelf[*] -"))) << w.windowTitle().toStdString();
        // Save As on the final step writes the view's picture at the size shown beside the width.
        // Two steps that end where they began: changed, with the same picture.
        final.gbrIntensity->setValue(71);
        final.gbrIntensity->setValue(70);
        EXPECT_TRUE(w.Modified());
        driver.Answer(dir.filePath("window.png"));
        QTest::mouseClick(w.btnStore, Qt::LeftButton);
        EXPECT_EQ(QImage(dir.filePath("window.png")).size(), final.ExportSize());
        EXPECT_FALSE(w.Modified());
        for (int f = 0; f < 3; ++f)
            flat[size_t(f)] = w.FaceView(f)->Bitmap;
    }

    TExperChild w;
    ASSERT_TRUE(w.OpenProjectFile(project));
    EXPECT_EQ(std::tuple(w.Step(), w.Modified()), std::tuple(4, false));
    for (int f = 0; f < 3; ++f)
        EXPECT_TRUE(w.FaceView(f)->Bitmap.SamePixels(flat[size_t(f)])) << "face " << f;
    const TFinalPage& final = *w.FinalPage();
    EXPECT_EQ(std::tuple(final.SelectedType(), final.trkAngleY->value(), final.gbrIntensity->value(),
                         final.gbrLightCY->value(), final.gbrScaleFinal->value(), final.Transparent()),
              std::tuple(btBookCover, 40, 70, 60, -10, true));
    // The front's layers come back as layers, the text one still editable as text.
    w.GoToStep(1);
    const TLayerCollection& layers = w.LayerCommands()->imgView->Layers();
    ASSERT_GE(layers.Count(), 2);
    const auto* text = dynamic_cast<const TTextLayer*>(layers.Items(1));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Lines, QStringList{QStringLiteral("Spring")});
    w.GoToStep(4);

    // A damaged file: a message, and the work stays as it is.
    const size_t asked = boxes.Asked.size();
    EXPECT_FALSE(w.OpenProjectFile(WriteFile(dir.filePath("damaged.tavlo"), "PK\x03\x04 not really")));
    ASSERT_EQ(boxes.Asked.size(), asked + 1);
    EXPECT_TRUE(boxes.Asked.back().Text.contains(QStringLiteral("cannot be opened")));
    EXPECT_EQ(w.Step(), 4);
    EXPECT_TRUE(w.FaceView(0)->Bitmap.SamePixels(flat[0]));
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("shelf[*]")));

    // Headless, the project gives the picture the window saved.
    const TRun run = RunTavlo({"render", "--project", project, "-o", dir.filePath("headless.png")});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    const QImage window(dir.filePath("window.png")), headless(dir.filePath("headless.png"));
    ASSERT_FALSE(window.isNull());
    ASSERT_EQ(headless.size(), window.size());
    EXPECT_TRUE(window.hasAlphaChannel() && headless.hasAlphaChannel());
    int worst = 0;
    for (int y = 0; y < window.height(); ++y)
        for (int x = 0; x < window.width(); ++x) {
            const QRgb a = window.pixel(x, y), b = headless.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
        }
    EXPECT_LE(worst, 2);
}
