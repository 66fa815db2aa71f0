// The window shows one document: final-page changes count and are asked about, moving between
// steps changes nothing, a project opened shows its own type everywhere, a slider drag is one
// undo step, a "No" that is not followed by a replacement keeps the work unsaved, and the final
// view comes back drawn every time.
#include "app/FinalPage.h"
#include "app/FrameFrm.h"
#include "app/ProjectFlow.h"
#include "app/StartPage.h"
#include "document/TavloDocument.h"
#include "editor/ImgView32.h"
#include "editor/LayerCommands.h"
#include "project/ProjectFile.h"
#include "render/D3DWin.h"
#include "ui/MsgBox.h"
#include "common/ChosenSettings.h"
#include "common/MessageLog.h"
#include "common/RequireGL.h"
#include "common/TestBitmaps.h"
#include "common/TestFiles.h"
#include "common/WhenModal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <gtest/gtest.h>

namespace {

// Faces straight into the document, as a template would bring them.
void GiveFaces(TExperChild& w)
{
    w.Cover()->Faces[0].StoreBitmap(Filled(240, 360, Color32(190, 50, 40)));
    w.Cover()->Faces[1].StoreBitmap(Filled(40, 360, Color32(40, 60, 170)));
}

// Walks to the final step as a user clicking Next would.
void NextToFinal(TExperChild& w)
{
    while (w.Step() < 4) {
        const int before = w.Step();
        ASSERT_TRUE(w.btnNext->isEnabled()) << "Next greyed out on step " << before;
        w.btnNext->click();
        ASSERT_NE(w.Step(), before);
    }
}

// What the final page's controls show, in one tuple.
auto Shown(const TFinalPage& p)
{
    return std::tuple(p.cmbFinalType->currentIndex(), p.trkAngleX->value(), p.trkAngleY->value(),
                      p.gbrLightCY->value(), p.trkLight->value(), p.gbrIntensity->value(), p.gbrScaleFinal->value(),
                      p.Transparent());
}

// Drags a slider's handle by dx pixels with the mouse, in several moves.
void DragHandle(QSlider* slider, int dx)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.subControls = QStyle::SC_SliderHandle;
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    const QPoint from = handle.center();
    QTest::mousePress(slider, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 5; ++i) {
        QMouseEvent move(QEvent::MouseMove, QPointF(from + QPoint(dx * i / 5, 0)),
                         slider->mapToGlobal(QPointF(from + QPoint(dx * i / 5, 0))), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(slider, &move);
    }
    QTest::mouseRelease(slider, Qt::LeftButton, {}, from + QPoint(dx, 0));
}

// Share of the final view's pixels on screen (read back from the X server) that are not black.
double LitShare(TExperChild& w)
{
    TD3DWin* view = w.FinalView();
    const QPoint at = view->mapTo(&w, QPoint(0, 0));
    const QImage shot = w.screen()->grabWindow(w.winId(), at.x(), at.y(), view->width(), view->height()).toImage();
    if (shot.isNull())
        return 0;
    int lit = 0;
    for (int y = 0; y < shot.height(); y += 4)
        for (int x = 0; x < shot.width(); x += 4)
            lit += (shot.pixel(x, y) & 0xFFFFFF) != 0;
    return double(lit) / ((shot.height() + 3) / 4 * ((shot.width() + 3) / 4));
}

} // namespace

// A real main window, exposed, with an OpenGL view; the save question answered No unless a test
// says otherwise.
struct DocumentWindow : testing::Test {
    TMessageLog answers;
    TExperChild w;

    void SetUp() override
    {
        answers.Answer = mrNo;
        TAVLO_REQUIRE_GL(w.GLReady(), "the final view could not create its context");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
};

TEST_F(DocumentWindow, FinalPageChangesCountCloseAsksAndBackNextKeepsEverySetting)
{
    answers.Answer = mrCancel;
    GiveFaces(w);
    NextToFinal(w);
    ASSERT_FALSE(w.Modified());
    TFinalPage& p = *w.FinalPage();
    p.trkLight->setValue(77);
    EXPECT_TRUE(w.Modified() && w.isWindowModified());
    EXPECT_TRUE(w.windowTitle().contains(QLatin1String("[*]")));
    // Close (where Next sits) asks, and Cancel keeps the window and the work.
    w.btnNext->click();
    ASSERT_EQ(answers.Asked.size(), 1u);
    EXPECT_TRUE(answers.Asked[0].Text.contains(QLatin1String("This Tavlo has been changed.")));
    EXPECT_TRUE(w.isVisible() && w.Modified());

    p.trkAngleX->setValue(57);
    p.trkAngleY->setValue(123);
    p.gbrLightCY->setValue(40);
    p.gbrIntensity->setValue(80);
    p.gbrScaleFinal->setValue(-6);
    p.chkTransparent->click();
    const auto before = Shown(p);
    const TFinalSettings settings = ChosenSettings(w.Document()->Settings());
    // Back through every step and Next again: nothing changes.
    for (int click = 0; click < 5 && w.Step() > 0; ++click) // a Prev that does nothing fails, not hangs
        w.btnPrev->click();
    ASSERT_EQ(w.Step(), 0) << "Prev did not lead back to the start page";
    NextToFinal(w);
    EXPECT_EQ(Shown(p), before);
    EXPECT_EQ(ChosenSettings(w.Document()->Settings()), settings);
    EXPECT_NEAR(w.FinalView()->GetAngleX(), 57 * M_PI / 180, 1e-5);
    EXPECT_NEAR(w.FinalView()->GetAngleY(), 123 * M_PI / 180, 1e-5);
    answers.Answer = mrNo;
}

TEST_F(DocumentWindow, SliderDragIsOneUndoStepAndCtrlZWorksOnTheFinalPage)
{
    GiveFaces(w);
    NextToFinal(w);
    TFinalPage& p = *w.FinalPage();
    const int start = p.trkLight->value();
    const int steps = w.Document()->SettingsStack()->count();
    DragHandle(p.trkLight, 120);
    ASSERT_NE(p.trkLight->value(), start);
    EXPECT_EQ(w.Document()->SettingsStack()->count(), steps + 1);
    EXPECT_EQ(p.lblLightPosValue->text(), QString::number(p.trkLight->value()));
    const int dragged = p.trkLight->value();
    p.trkLight->setFocus();
    QTest::keyClick(p.trkLight, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(std::pair(p.trkLight->value(), w.Modified()), std::pair(start, false));
    QTest::keyClick(p.trkLight, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(std::pair(p.trkLight->value(), w.Modified()), std::pair(dragged, true));
}

TEST_F(DocumentWindow, ProjectShowsItsOwnTypeAndANoWithoutReplacementKeepsTheWorkUnsaved)
{
    QTemporaryDir dir;
    TProject book;
    book.Name = QStringLiteral("Atlas");
    book.Step = 0;
    book.Faces[0].Base = Filled(120, 180, Color32(20, 120, 40));
    book.Faces[1].Base = Filled(20, 180, Color32(200, 200, 20));
    // A layer of its own colour over most of the front: the preview must show it.
    book.Faces[0].Layers.push_back({Filled(100, 150, Color32(250, 0, 250)), {10, 15, 110, 165}, true, std::nullopt});
    book.Final.Type = btBookCover;
    book.Final.AngleX = 57;
    book.Final.AngleY = 123;
    const QString path = dir.filePath("atlas.tavlo");
    SaveProject(book, path);

    w.cmbStartType->setCurrentIndex(int(btThreeSidedBox));
    ASSERT_TRUE(w.OpenProjectFile(path));
    EXPECT_EQ(std::tuple(w.cmbStartType->currentIndex(), w.StartPage()->AppliedCover(), w.lbxCollection->currentRow()),
              std::tuple(int(btBookCover), nullptr, -1));
    EXPECT_TRUE(w.windowTitle().startsWith(QLatin1String("atlas[*]")));
    // The start page previews the project, its layer included.
    const QImage preview = w.PreviewView()->LastFrameImage();
    int magenta = 0;
    for (int y = 0; y < preview.height(); ++y)
        for (int x = 0; x < preview.width(); ++x) {
            const QRgb p = preview.pixel(x, y);
            magenta += qRed(p) > 150 && qBlue(p) > 150 && qGreen(p) < 60;
        }
    EXPECT_GT(magenta, 100);
    // No Top step: Next goes from the spine to the final page, which shows the project's angles.
    NextToFinal(w);
    EXPECT_EQ(std::tuple(w.FinalPage()->cmbFinalType->currentIndex(), w.FinalPage()->trkAngleX->value(),
                         w.FinalPage()->trkAngleY->value()),
              std::tuple(int(btBookCover), 57, 123));
    EXPECT_FALSE(w.Modified());
    // What the view drew on entering is the project's angles: a fresh frame is the same picture.
    const TBitmap32 entered = w.FinalView()->LastFrame();
    w.FinalView()->ShowCover(nullptr, 0, 0, 0);
    EXPECT_TRUE(w.FinalView()->LastFrame().SamePixels(entered));

    // A change, "No" to the question, then the file dialog cancelled: the work is still unsaved
    // and asked about again.
    w.FinalPage()->gbrIntensity->setValue(90);
    ASSERT_TRUE(w.Modified());
    WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    const size_t asked = answers.Asked.size();
    EXPECT_FALSE(w.ProjectFlow()->OpenProject());
    ASSERT_EQ(answers.Asked.size(), asked + 1); // one question, not two
    EXPECT_TRUE(answers.Asked.back().Text.startsWith(QLatin1String("atlas\r\n"))); // the project's name
    EXPECT_TRUE(w.Modified() && w.isWindowModified());
    EXPECT_EQ(w.FinalPage()->gbrIntensity->value(), 90);
    // A damaged project after "No": nothing replaced, still unsaved.
    EXPECT_FALSE(w.OpenProjectFile(WriteFile(dir.filePath("damaged.tavlo"), "PK\x03\x04 not really")));
    EXPECT_TRUE(w.Modified());
    // Choosing a template after "No" replaces the work: now it is gone, and that is not a change.
    w.GoToStep(0);
    w.lbxCollection->setCurrentRow(0);
    EXPECT_EQ(std::tuple(w.Modified(), w.StartPage()->AppliedCover() != nullptr, w.cmbStartType->currentIndex()),
              std::tuple(false, true, int(btBookCover)));
}

TEST_F(DocumentWindow, ThreeSidedChosenOnTheFinalPageShowsItsTopOnTheTopStep)
{
    GiveFaces(w);
    NextToFinal(w);
    w.FinalPage()->cmbFinalType->setCurrentIndex(int(btThreeSidedBox));
    w.btnPrev->click();
    ASSERT_EQ(w.Step(), 3);
    // The generated top the final page drew: front width by spine width, and Next leads on.
    EXPECT_EQ(w.LayerCommands()->imgView->Bitmap().Size(), QSize(240, 40));
    EXPECT_TRUE(w.btnNext->isEnabled());
    w.btnNext->click();
    EXPECT_EQ(w.Step(), 4);
}

TEST_F(DocumentWindow, TheFinalViewComesBackDrawnEveryTime)
{
    GiveFaces(w);
    for (int visit = 0; visit < 5; ++visit) {
        NextToFinal(w);
        // The white background fills most of the view once it is drawn on screen.
        EXPECT_TRUE(QTest::qWaitFor([&] { return LitShare(w) > 0.9; }, 3000)) << "visit " << visit << ": "
                                                                               << LitShare(w);
        w.btnPrev->click();
        if (visit % 2)
            w.GoToStep(0);
        // While away the page is laid out again, as a prompt of another height does: the hidden
        // view is resized and back.
        const QSize chart = w.pnlChart2D->size();
        w.pnlChart2D->resize(chart - QSize(visit * 10 + 10, 30));
        QTest::qWait(20);
        w.pnlChart2D->resize(chart);
        QTest::qWait(20);
    }
}
