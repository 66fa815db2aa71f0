// The final page's controls and Save As against a real final view (Xvfb with Mesa's software
// renderer): the dialog's set-up, the default names, the flow's order and failure paths, and the
// capture of the final view at the view's size and at a larger export size.
#include "app/FinalPage.h"
#include "app/SaveFlow.h"

#include "cover/ImageViewInfo.h"
#include "document/TavloDocument.h"
#include "imageio/ImageWriter.h"
#include "imageio/LastFolder.h"
#include "render/D3DWin.h"
#include "ui/MsgBox.h"

#include "FinalDialogDriver.h"
#include "FinalPageWindow.h"
#include "../render/RenderTestUtil.h"
#include "common/MessageLog.h"
#include "common/TestBitmaps.h"
#include "common/WhenModal.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {
// The front's box: its red pixels.
QRect RedRect(const TBitmap32& b)
{
    QRect r;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (const TColor32 c = b.Pixel(x, y); RedOf(c) > 120 && GreenOf(c) < 80 && BlueOf(c) < 80)
                r |= QRect(x, y, 1, 1);
    return r;
}

// A save flow whose window records what happens, in order.
struct TFlowHost {
    std::vector<QString> Log;
    TBitmap32 Written;
    QString WrittenPath;
    std::function<void(const TBitmap32&, const QString&)> Writer;
    TSaveFlow Flow{nullptr, Hooks()};

    TSaveFlowHooks Hooks()
    {
        TSaveFlowHooks h;
        h.StepForward = [this] { Log.push_back("forward"); };
        h.StepBack = [this] { Log.push_back("back"); };
        h.Capture = [this](bool final) {
            // The picture is taken before the dialog opens.
            Log.push_back(QApplication::activeModalWidget() ? "capture under dialog" : final ? "capture final" : "capture face");
            return Filled(30, 20, Color32(1, 2, 3));
        };
        h.DefaultName = [](int mode) { return DefaultImageName(mode, QStringLiteral("My Book")); };
        h.Write = [this](const TBitmap32& picture, const QString& path) {
            Log.push_back("write");
            if (Writer)
                Writer(picture, path);
            Written = picture;
            WrittenPath = path;
        };
        return h;
    }
};
} // namespace

TEST(FinalPage, TypeRulesForOrientationShadowAndCDPosition)
{
    TPageWindow w;
    TFinalPage& p = *w.page;
    // Every type, the shadow switched on before: the controls follow the type's rules.
    for (int i = 0; i < BookTypeCount; ++i) {
        const TBookType t = TBookType(i);
        if (!p.chkShadow->isChecked())
            QTest::mouseClick(p.chkShadow, Qt::LeftButton, {}, QPoint(4, p.chkShadow->height() / 2));
        w.document.SetType(t);
        const bool cd = ShowsCDPosition(t), turn = OrientationEnabledFor(t), shadow = !ClearsShadow(t);
        EXPECT_EQ(std::tuple(p.trkPosCD->isVisible(), p.lblPosCD->isVisible(), p.lblOrient->isEnabled(),
                             p.btnOrientLeft->isEnabled(), p.btnOrientRight->isEnabled(), p.chkShadow->isChecked(),
                             w.view->FShadow, p.gbrIntensity->isEnabled(), p.lblShadow->isEnabled()),
                  std::tuple(cd, cd, turn, turn, turn, shadow, shadow, shadow, shadow))
            << i;
    }
    // Chosen in the box, the CD case is asked to be composed; back at the two-sided box the
    // shadow stays off until switched on by hand.
    w.composeRequests.clear();
    w.types->setCurrentIndex(4);
    ASSERT_EQ(w.composeRequests, std::vector<TBookType>{btCDCover});
    EXPECT_EQ(w.document.Type(), btCDCover);
    w.types->setCurrentIndex(0);
    EXPECT_FALSE(p.chkShadow->isChecked() || w.view->FShadow);
    QTest::mouseClick(p.chkShadow, Qt::LeftButton, {}, QPoint(4, p.chkShadow->height() / 2));
    EXPECT_TRUE(p.chkShadow->isChecked() && w.view->FShadow && p.gbrIntensity->isEnabled());
    // Undo goes back through the same steps: the shadow off, then the CD case with its controls.
    w.document.SettingsStack()->undo();
    EXPECT_FALSE(p.chkShadow->isChecked() || w.view->FShadow);
    w.document.SettingsStack()->undo();
    EXPECT_EQ(std::tuple(w.types->currentIndex(), p.trkPosCD->isVisible(), w.composeRequests.back()),
              std::tuple(4, true, btCDCover));
}

// What the renderer makes of angles, light, shadow and smoothing its own tests show; here the
// controls reach the view.
TEST(FinalPage, ControlsDriveTheView)
{
    TPageWindow w;
    TFinalPage& p = *w.page;
    ComposeSample(w, btTwoSidedBox);
    // The buttons are down only at their own angles.
    for (auto [angle, left, right] : {std::tuple{30, true, false}, {31, false, false}, {330, false, true}}) {
        p.trkAngleY->setValue(angle);
        EXPECT_EQ(std::pair(p.btnOrientLeft->isChecked(), p.btnOrientRight->isChecked()), std::pair(left, right)) << angle;
        EXPECT_NEAR(w.view->GetAngleY(), angle * M_PI / 180, 1e-5);
        EXPECT_EQ(p.lblAngleYValue->text(), QString::number(angle));
    }
    // The buttons set the angle through the track bar; clicking the one already down keeps it down.
    for (auto [button, angle] : {std::pair{p.btnOrientLeft, 30}, {p.btnOrientRight, 330}, {p.btnOrientRight, 330}}) {
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(std::tuple(p.trkAngleY->value(), button->isChecked(), p.btnOrientLeft->isChecked() != p.btnOrientRight->isChecked()),
                  std::tuple(angle, true, true));
    }
    p.trkAngleX->setValue(45);
    EXPECT_NEAR(w.view->GetAngleX(), M_PI / 4, 1e-5);
    // A new composition (the final step entered again) keeps the document's angles.
    ComposeSample(w, btTwoSidedBox);
    EXPECT_EQ(std::tuple(p.trkAngleX->value(), p.trkAngleY->value(), p.lblAngleXValue->text()),
              std::tuple(45, 330, QStringLiteral("45")));
    EXPECT_NEAR(w.view->GetAngleX(), M_PI / 4, 1e-5);

    // Gauge, the zoom asked, the renderer's zoom (2 v^2 - 1 below 1) and the label.
    for (auto [gauge, asked, zoom, label] : {std::tuple{-20, 0.8, 0.28, "Zoom: 0.28x"}, {20, 1.1, 1.1, "Zoom: 1.1x"},
                                             {0, 1.0, 1.0, "Zoom: 1x"}}) {
        EXPECT_DOUBLE_EQ(ZoomForGauge(gauge), asked);
        p.gbrScaleFinal->setValue(gauge);
        EXPECT_NEAR(w.view->FZoom, zoom, 1e-6) << gauge;
        EXPECT_EQ(p.lblZoomFinal->text(), QLatin1String(label));
    }

    struct TReference : TD3DRenderer {
        void ShowCover(const TBitmap32*, int, int, int) override {}
    } reference;
    p.trkLight->setValue(35);
    p.gbrLightCY->setValue(40);
    reference.SetLight(0.40f, 0.35f);
    EXPECT_EQ(w.view->FLightPos, reference.FLightPos);
    p.gbrIntensity->setValue(80);
    EXPECT_FLOAT_EQ(w.view->FShadowStrength, 0.8f);
    p.trkPosCD->setValue(20);
    EXPECT_FLOAT_EQ(w.view->FCDPosition, 0.2f);
    // The view redraws on the change.
    const TBitmap32 before = w.view->LastFrame();
    p.gbrIntensity->setValue(100);
    EXPECT_FALSE(w.view->LastFrame().SamePixels(before));

    // Smoothing draws one smoothed frame (the edges blended) and does not stay on.
    const TBitmap32 plain = w.view->LastFrame();
    QTest::mouseClick(p.btnSmooth, Qt::LeftButton);
    EXPECT_FALSE(w.view->FSmooth);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(w.view->LastFrame().SamePixels(plain));
}

TEST(FinalPage, TheViewTurnsZoomsAndResetsByMouseAndCopiesWithCtrlCAtTheExportSize)
{
    TPageWindow w;
    TFinalPage& p = *w.page;
    ComposeSample(w, btBookCover);
    const int x = p.trkAngleX->value(), y = p.trkAngleY->value();
    const QPoint c = w.view->rect().center();
    QTest::mousePress(w.view, Qt::LeftButton, {}, c);
    QTest::mouseMove(w.view, c + QPoint(40, -20));
    QTest::mouseRelease(w.view, Qt::LeftButton, {}, c + QPoint(40, -20));
    // A degree for every two pixels.
    EXPECT_EQ(std::pair(p.trkAngleX->value(), p.trkAngleY->value()), std::pair((x - 10 + 360) % 360, (y + 20) % 360));

    QWheelEvent wheel(QPointF(c), w.view->mapToGlobal(QPointF(c)), {}, QPoint(0, 3 * 120), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    // A notch is a visible step; a run of notches is one step of the history.
    const int steps = w.document.SettingsStack()->count();
    QWheelEvent notch(QPointF(c), w.view->mapToGlobal(QPointF(c)), {}, QPoint(0, 120), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.view, &notch);
    EXPECT_EQ(p.gbrScaleFinal->value(), TFinalPage::WheelNotchPositions);
    EXPECT_GE(w.view->FZoom, 1.02f);
    for (int i = 0; i < 10; ++i)
        QApplication::sendEvent(w.view, &wheel);
    EXPECT_EQ(p.gbrScaleFinal->value(), p.gbrScaleFinal->maximum()); // never past the gauge's range
    EXPECT_EQ(w.document.SettingsStack()->count(), steps + 1);
    w.document.SettingsStack()->undo();
    EXPECT_EQ(std::pair(p.gbrScaleFinal->value(), w.document.Settings().Zoom), std::pair(0, 1.0));

    QTest::mouseDClick(w.view, Qt::LeftButton, {}, c);
    EXPECT_EQ(std::pair(p.trkAngleX->value(), p.trkAngleY->value()), std::pair(x, y));

    QApplication::clipboard()->clear();
    w.top.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.top));
    p.trkAngleX->setFocus();
    QTest::keyClick(p.trkAngleX, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->image().size(), p.ExportSize());
    p.ShowOnStep(false); // on the other steps Ctrl+C is the face editor's
    EXPECT_FALSE(p.actCopy->isEnabled());

    // Back on the final step: the export size is the saved picture's.
    p.ShowOnStep(true);
    EXPECT_EQ(p.ExportSize(), FinalPictureSize(*w.view, NaturalFinalWidth(*w.view)));
    // Turning the cover changes its shape: the height shown follows.
    p.trkAngleY->setValue(p.trkAngleY->value() + 40);
    EXPECT_EQ(p.lblExportHeight->text(), QString::asprintf(" x %d", p.ExportSize().height()));

    const int chosen = p.ExportSize().width() * 4;
    p.edtExportWidth->setValue(chosen);
    EXPECT_EQ(p.ExportSize(), FinalPictureSize(*w.view, chosen));
    // Never beyond 8192 on either side.
    p.edtExportWidth->setValue(8192);
    EXPECT_LE(std::max(p.ExportSize().width(), p.ExportSize().height()), 8192);
    // A window resize or a turn no longer changes a chosen width.
    p.edtExportWidth->setValue(chosen);
    w.chart->resize(900, 500);
    p.trkAngleY->setValue(p.trkAngleY->value() - 40);
    EXPECT_EQ(p.ExportSize().width(), chosen);
}

TEST(FinalSaveFlow, DefaultNamesFiltersAndWritableExtensions)
{
    const char* suffixes[] = {" Front", " Front", " Spine", " Top", ""};
    for (int mode = 0; mode <= 4; ++mode) {
        EXPECT_EQ(DefaultImageName(mode, std::nullopt), QStringLiteral("Noname")) << mode;
        EXPECT_EQ(DefaultImageName(mode, QStringLiteral("My Book")), QStringLiteral("My Book") + suffixes[mode]);
    }
    for (const char* ok : {"a.bmp", "a.GIF", "a.Gif", "a.jpg", "a.JPEG", "a.png", "a.TIF", "/x.y/a.b.jpeg"})
        EXPECT_TRUE(CanWriteExtension(QString::fromLatin1(ok))) << ok;
    for (const char* bad : {"a.tiff", "a.ico", "a", "a.wmf", "a.", "/x.gif/a"})
        EXPECT_FALSE(CanWriteExtension(QString::fromLatin1(bad))) << bad;
}

TEST(FinalSaveFlow, TypedNameTakesTheChosenTypesExtension)
{
    QTemporaryDir dir;
    QFileDialog dialog;
    SetUpSaveDialog(dialog, dir.path(), QStringLiteral("My Book"));
    // Confirmed without an extension, the name gets the chosen type's.
    const QStringList filters = SaveNameFilters();
    for (int i = 1; i < filters.size(); ++i) {
        dialog.selectNameFilter(filters[i]);
        emit dialog.filterSelected(filters[i]); // as the dialog's type box does for the user
        const QString suffix = QFileInfo(dialog.selectedFiles().value(0)).suffix();
        EXPECT_TRUE(filters[i].contains(QStringLiteral("*.") + suffix)) << suffix.toStdString();
        EXPECT_NE(suffix, QStringLiteral("gif"));
    }
    EXPECT_EQ(SuffixForFilter(QString()), QStringLiteral("bmp")); // no type chosen
}

TEST(FinalSaveFlow, WrittenOnlyWhenConfirmedAndWritableAndTheStartPageModeStepsBackWhateverHappens)
{
    TMessageLog answer;
    QTemporaryDir dir, other;
    SetLastFolder(dir.path());
    TFlowHost host;
    TDialogDriver driver;
    using TLog = std::vector<QString>;
    driver.Answer(dir.filePath("out.gif"));
    EXPECT_EQ(host.Flow.SaveImageAs(4), TSaveResult::Written);
    EXPECT_EQ(std::tuple(driver.Selected, driver.Offered, driver.Directory),
              std::tuple(QStringLiteral("GIF Image (*.gif)"), QStringLiteral("My Book"), QDir(dir.path()).absolutePath()));
    EXPECT_EQ(host.Log, (TLog{"capture final", "write"}));
    EXPECT_EQ(std::tuple(host.WrittenPath, host.Written.Size()), std::tuple(dir.filePath("out.gif"), QSize(30, 20)));
    EXPECT_TRUE(answer.Asked.empty());

    // A name without an extension gets the chosen type's (GIF until another is chosen); the
    // next dialog opens in the folder used last.
    driver.Answer(other.filePath("plain"));
    host.Log.clear();
    EXPECT_EQ(host.Flow.SaveImageAs(3), TSaveResult::Written);
    EXPECT_EQ(host.WrittenPath, other.filePath("plain.gif"));
    EXPECT_EQ(host.Log, (TLog{"capture face", "write"}));
    EXPECT_EQ(LastFolder(), other.path() + QLatin1Char('/'));

    // The type chosen in a confirmed dialog is the one the next dialog offers, in this run.
    const QString png = SaveNameFilters().filter(QStringLiteral("png")).first();
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        dialog->selectNameFilter(png);
        emit dialog->filterSelected(png);
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(other.filePath("chosen"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(host.Flow.SaveImageAs(4), TSaveResult::Written);
    EXPECT_EQ(host.WrittenPath, other.filePath("chosen.png"));
    driver.Answer(other.filePath("again"));
    EXPECT_EQ(host.Flow.SaveImageAs(4), TSaveResult::Written);
    EXPECT_EQ(std::pair(driver.Selected, host.WrittenPath), std::pair(png, other.filePath("again.png")));

    host.Log.clear();
    driver.Answer(QString()); // cancelled
    EXPECT_EQ(host.Flow.SaveImageAs(0), TSaveResult::Cancelled);
    EXPECT_EQ(host.Log, (TLog{"forward", "capture face", "back"}));

    // An unwritable extension writes nothing and says which formats exist.
    host.Log.clear();
    driver.Answer(dir.filePath("cover.tiff"));
    EXPECT_EQ(host.Flow.SaveImageAs(4), TSaveResult::Failed);
    EXPECT_EQ(host.Log, TLog{"capture final"});
    EXPECT_FALSE(QFile::exists(dir.filePath("cover.tiff")));
    ASSERT_EQ(answer.Asked.size(), 1u);
    EXPECT_EQ(answer.Asked[0].Text, UnsupportedFormatMessage(dir.filePath("cover.tiff")));

    // A writer failure is shown like every other error and the wizard still steps back.
    host.Log.clear();
    host.Writer = [](const TBitmap32&, const QString& path) {
        throw std::runtime_error(("Cannot create file " + path).toStdString());
    };
    driver.Answer(dir.filePath("x.jpg"));
    EXPECT_EQ(host.Flow.SaveImageAs(0), TSaveResult::Failed);
    EXPECT_EQ(host.Log, (TLog{"forward", "capture face", "write", "back"}));
    ASSERT_EQ(answer.Asked.size(), 2u);
    EXPECT_EQ(std::tuple(answer.Asked[1].Text, answer.Asked[1].Type),
              std::tuple("Cannot create file " + dir.filePath("x.jpg") + ".", mtInformation));

    // A capture failure ends the flow before any dialog, also stepping back.
    TFlowHost failing;
    TSaveFlowHooks hooks = failing.Hooks();
    hooks.Capture = [](bool) -> TBitmap32 { throw std::runtime_error("Out of memory"); };
    EXPECT_EQ(TSaveFlow(nullptr, hooks).SaveImageAs(0), TSaveResult::Failed);
    EXPECT_EQ(failing.Log, (TLog{"forward", "back"}));
    EXPECT_EQ(answer.Asked.back().Text, QStringLiteral("Out of memory."));
}

TEST(FinalSaveFlow, FinalPictureHasTheWidthAskedTheWholeShadowAndOptionalTransparency)
{
    TPageWindow w;
    ComposeSample(w, btTwoSidedBox, true);
    TD3DWin* view = w.view;
    view->SetLight(0.2f, 0.1f); // a long shadow that reaches beyond the view
    view->ShowCover(nullptr, 0, 0, 0);
    const TBitmap32 shown = view->LastFrame();

    const int natural = NaturalFinalWidth(*view);
    const TBitmap32 atView = CaptureFinalView(*view, natural);
    EXPECT_EQ(atView.Size(), FinalPictureSize(*view, natural));
    // Framed around everything: nothing reaches the picture's edges, little is left empty.
    const QRect content = ContentRect(atView, Color32(255, 255, 255), 0);
    EXPECT_TRUE(QRect(1, 1, atView.Width() - 2, atView.Height() - 2).contains(content));
    EXPECT_GT(content.width(), atView.Width() * 8 / 10);
    EXPECT_GT(content.height(), atView.Height() * 7 / 10);

    // Three times the width: the same picture with three times the pixels, the view untouched.
    const TBitmap32 large = CaptureFinalView(*view, natural * 3);
    EXPECT_EQ(large.Size(), FinalPictureSize(*view, natural * 3));
    EXPECT_EQ(large.Width(), natural * 3);
    EXPECT_TRUE(!view->FSmooth && view->LastFrame().SamePixels(shown));
    const QRect frontSmall = RedRect(atView), frontLarge = RedRect(large);
    ASSERT_FALSE(frontSmall.isEmpty());
    // The same cover, at least three times larger (the shadow's soft edge keeps its width in
    // pixels, so the cover takes a little more of a larger picture).
    EXPECT_GE(frontLarge.width(), frontSmall.width() * 3 - 6);
    EXPECT_NEAR(double(frontLarge.width()) / frontLarge.height(), double(frontSmall.width()) / frontSmall.height(), 0.03);

    // Transparent: clear corner, the shadow black and partly clear, the cover opaque.
    const TBitmap32 clear = CaptureFinalView(*view, natural, true);
    EXPECT_FALSE(view->FTransparent);
    ASSERT_EQ(clear.Size(), atView.Size());
    EXPECT_EQ(AlphaOf(clear.Pixel(0, 0)), 0);
    const QPoint mid = frontSmall.center();
    EXPECT_EQ(clear.Pixel(mid.x(), mid.y()), atView.Pixel(mid.x(), mid.y())); // opaque in both
    int shadow = 0;
    for (int y = 0; y < clear.Height(); ++y)
        for (int x = 0; x < clear.Width(); ++x) {
            const TColor32 c = clear.Pixel(x, y), o = atView.Pixel(x, y);
            const int a = AlphaOf(c);
            const bool grey = std::abs(RedOf(o) - GreenOf(o)) < 3 && std::abs(GreenOf(o) - BlueOf(o)) < 3;
            if (a == 0 || a == 255 || !grey || RedOf(o) < 150)
                continue;
            ++shadow; // over white, black at alpha a is what the opaque picture shows
            EXPECT_LE(RedOf(c), 2);
            EXPECT_NEAR(RedOf(o), 255 - a, 2.0) << x << "," << y;
        }
    EXPECT_GT(shadow, 500);
}
