// The final page's controls against a real final view (Xvfb with Mesa's software renderer).
#include "app/FinalPage.h"
#include "app/SaveFlow.h"

#include "cover/ImageViewInfo.h"
#include "render/D3DWin.h"
#include "common/TestBitmaps.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QWheelEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
// A window like the main one: the preview panel of the start page and the chart panel.
struct TPageWindow {
    QWidget top;
    QWidget* preview = new QWidget(&top);
    QWidget* chart = new QWidget(&top);
    QComboBox* types = new QComboBox(chart);
    TD3DWin* view = nullptr;
    TFinalPage* page = nullptr;
    std::vector<TBookType> composeRequests;

    explicit TPageWindow(bool withView = true)
    {
        top.resize(1000, 560);
        preview->setGeometry(0, 0, 400, 300);
        preview->hide();
        chart->setGeometry(0, 0, 1000, 560);
        for (int i = 0; i < BookTypeCount; ++i)
            types->addItem(QLatin1Char(' ') + BookTypeName(TBookType(i)));
        page = new TFinalPage(chart, types);
        QObject::connect(page, &TFinalPage::ComposeRequested, [this](TBookType t) { composeRequests.push_back(t); });
        if (withView) {
            bool ok = false;
            view = new TD3DWin(chart, ok);
            EXPECT_TRUE(ok);
            page->SetView(view, preview);
        }
        page->ShowOnStep(true);
        top.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&top));
    }
};

// Composes a red front and a blue spine as the wizard does when it enters the final step.
void ComposeSample(TPageWindow& w, TBookType type)
{
    TImageViewInfo front, side, top;
    front.Bitmap = Filled(200, 300, Color32(200, 30, 30));
    side.Bitmap = Filled(40, 300, Color32(30, 30, 200));
    w.page->ComposeFinal(type, front, side, top);
}
} // namespace

TEST(FinalPage, StartsAtTheRenderersDefaultsBesideAViewShapedLikeThePreview)
{
    TPageWindow w;
    TFinalPage& p = *w.page;
    EXPECT_TRUE(p.chkShadow->isChecked());
    EXPECT_TRUE(w.view->FShadow);
    EXPECT_TRUE(p.btnOrientLeft->isChecked());
    EXPECT_FALSE(p.trkPosCD->isVisible());
    // The controls agree with the renderer's own defaults, so the first frame matches them.
    EXPECT_FLOAT_EQ(w.view->FShadowStrength, p.gbrIntensity->value() / 100.0f);
    EXPECT_FLOAT_EQ(w.view->FCDPosition, p.trkPosCD->value() / 100.0f);

    // The view has the shape of the start-page preview (4:3 here, less the 6 pixels) and the
    // options panel takes the rest of the row.
    EXPECT_EQ(w.view->width(), int(std::lround(400.0 * w.view->height() / 300)) - 6);
    EXPECT_EQ(p.pnlOptions->x(), w.view->x() + w.view->width());
    EXPECT_EQ(p.pnlOptions->x() + p.pnlOptions->width(), w.chart->width());
}

TEST(FinalPage, TypeRulesForOrientationShadowAndCDPosition)
{
    TPageWindow w;
    TFinalPage& p = *w.page;
    w.types->setCurrentIndex(4); // CD Cover
    ASSERT_EQ(w.composeRequests, std::vector<TBookType>{btCDCover});
    EXPECT_TRUE(p.trkPosCD->isVisible());
    EXPECT_TRUE(p.lblPosCD->isVisible());
    EXPECT_FALSE(p.chkShadow->isChecked());
    EXPECT_FALSE(w.view->FShadow);
    EXPECT_FALSE(p.gbrIntensity->isEnabled());
    EXPECT_FALSE(p.lblShadow->isEnabled());
    EXPECT_FALSE(p.btnOrientLeft->isEnabled());
    EXPECT_FALSE(p.lblOrient->isEnabled());

    w.types->setCurrentIndex(0); // back to the two-sided box: the shadow stays off
    EXPECT_FALSE(p.trkPosCD->isVisible());
    EXPECT_FALSE(p.chkShadow->isChecked());
    EXPECT_FALSE(w.view->FShadow);
    EXPECT_TRUE(p.btnOrientLeft->isEnabled());
    EXPECT_TRUE(p.btnOrientRight->isEnabled());

    // Switching the shadow on again by hand enables the intensity; type 7 keeps it.
    QTest::mouseClick(p.chkShadow, Qt::LeftButton, {}, QPoint(4, p.chkShadow->height() / 2));
    EXPECT_TRUE(p.chkShadow->isChecked());
    EXPECT_TRUE(w.view->FShadow);
    EXPECT_TRUE(p.gbrIntensity->isEnabled());
    p.FinalTypeChanged(btWideBox, false);
    EXPECT_TRUE(p.chkShadow->isChecked());
    EXPECT_TRUE(p.btnOrientRight->isEnabled());
    for (TBookType t : {btElectronicMagazine, btSpecialReport, btThinBook}) {
        p.chkShadow->setChecked(true);
        p.FinalTypeChanged(t, false);
        EXPECT_FALSE(p.chkShadow->isChecked()) << int(t);
        EXPECT_FALSE(p.btnOrientLeft->isEnabled()) << int(t);
    }
    // The start page's choice selects the type and its rules, without composing.
    p.SelectType(btCDCover);
    EXPECT_EQ(w.types->currentIndex(), 4);
    EXPECT_TRUE(p.trkPosCD->isVisible());
    // Without recomposing, nothing more was asked of the window.
    EXPECT_EQ(w.composeRequests.size(), 2u);
}

TEST(FinalPage, AngleTrackBarsDriveTheViewAndTheOrientationButtons)
{
    TPageWindow w;
    TFinalPage& p = *w.page;
    ComposeSample(w, btTwoSidedBox);
    p.trkAngleY->setValue(30);
    EXPECT_TRUE(p.btnOrientLeft->isChecked());
    EXPECT_FALSE(p.btnOrientRight->isChecked());
    EXPECT_NEAR(w.view->GetAngleY(), 30 * M_PI / 180, 1e-5);
    EXPECT_EQ(p.trkAngleY->toolTip(), QStringLiteral("Current position = 30"));
    p.trkAngleY->setValue(31);
    EXPECT_FALSE(p.btnOrientLeft->isChecked());
    EXPECT_FALSE(p.btnOrientRight->isChecked());
    p.trkAngleY->setValue(330);
    EXPECT_FALSE(p.btnOrientLeft->isChecked());
    EXPECT_TRUE(p.btnOrientRight->isChecked());

    // The buttons set the angle through the track bar.
    QTest::mouseClick(p.btnOrientLeft, Qt::LeftButton);
    EXPECT_EQ(p.trkAngleY->value(), 30);
    EXPECT_TRUE(p.btnOrientLeft->isChecked());
    EXPECT_FALSE(p.btnOrientRight->isChecked());
    QTest::mouseClick(p.btnOrientRight, Qt::LeftButton);
    EXPECT_EQ(p.trkAngleY->value(), 330);
    EXPECT_TRUE(p.btnOrientRight->isChecked());
    EXPECT_FALSE(p.btnOrientLeft->isChecked());
    // Clicking the button that is already down keeps it down.
    QTest::mouseClick(p.btnOrientRight, Qt::LeftButton);
    EXPECT_TRUE(p.btnOrientRight->isChecked());

    p.trkAngleX->setValue(45);
    EXPECT_NEAR(w.view->GetAngleX(), M_PI / 4, 1e-5);
    EXPECT_EQ(p.trkAngleX->toolTip(), QStringLiteral("Current position = 45"));

    // A new composition brings the type's angles back onto the track bars.
    ComposeSample(w, btTwoSidedBox);
    EXPECT_EQ(p.trkAngleX->value(), AnglePosition(w.view->GetAngleX()));
    EXPECT_EQ(p.trkAngleY->value(), AnglePosition(w.view->GetAngleY()));
    EXPECT_EQ(p.trkAngleY->toolTip(), QString::asprintf("Current position = %d", p.trkAngleY->value()));
    EXPECT_NE(p.trkAngleX->value(), 45);
}

TEST(FinalPage, ZoomGaugeAndItsLabel)
{
    TPageWindow w;
    TFinalPage& p = *w.page;
    EXPECT_DOUBLE_EQ(ZoomForGauge(-20), 0.8);
    EXPECT_DOUBLE_EQ(ZoomForGauge(20), 1.1);
    EXPECT_DOUBLE_EQ(ZoomForGauge(0), 1.0);
    p.gbrScaleFinal->setValue(-20);
    EXPECT_NEAR(w.view->FZoom, 0.28, 1e-6); // the renderer's 2 v^2 - 1 below 1
    EXPECT_EQ(p.lblZoomFinal->text(), QStringLiteral("Zoom: 0.28x"));
    p.gbrScaleFinal->setValue(20);
    EXPECT_NEAR(w.view->FZoom, 1.1, 1e-6);
    EXPECT_EQ(p.lblZoomFinal->text(), QStringLiteral("Zoom: 1.1x"));
    p.gbrScaleFinal->setValue(0);
    EXPECT_EQ(p.lblZoomFinal->text(), QStringLiteral("Zoom: 1x"));
    p.gbrScaleFinal->setValue(-7);
    EXPECT_EQ(p.lblZoomFinal->text(), ZoomCaption(w.view->FZoom));
    EXPECT_EQ(ZoomCaption(1.23456), QStringLiteral("Zoom: 1.235x"));
}

TEST(FinalPage, LightShadowAndCDControlsWriteTheView)
{
    TPageWindow w;
    TFinalPage& p = *w.page;
    ComposeSample(w, btTwoSidedBox);
    const auto lightBefore = w.view->FLightPos;
    p.trkLight->setValue(35);
    EXPECT_NE(w.view->FLightPos, lightBefore);
    struct TReference : TD3DRenderer {
        void ShowCover(const TBitmap32*, int, int, int) override {}
    } reference;
    reference.SetLight(0.72f, 0.35f);
    EXPECT_EQ(w.view->FLightPos, reference.FLightPos);
    p.gbrLightCY->setValue(40);
    reference.SetLight(0.40f, 0.35f);
    EXPECT_EQ(w.view->FLightPos, reference.FLightPos);
    EXPECT_EQ(p.trkLight->toolTip(), QStringLiteral("Current position = 35"));
    EXPECT_EQ(p.gbrLightCY->toolTip(), QStringLiteral("Current position = 40"));

    p.gbrIntensity->setValue(80);
    EXPECT_FLOAT_EQ(w.view->FShadowStrength, 0.8f);
    EXPECT_EQ(p.gbrIntensity->toolTip(), QStringLiteral("Current position = 80"));
    p.trkPosCD->setValue(20);
    EXPECT_FLOAT_EQ(w.view->FCDPosition, 0.2f);
    EXPECT_EQ(p.trkPosCD->toolTip(), QStringLiteral("Current position = 20"));

    // A darker shadow shows in the frame the view keeps: the pixel below the box gets darker.
    w.view->FBackColor = Color32(255, 255, 255, 255);
    p.gbrIntensity->setValue(10);
    const TBitmap32 light = w.view->LastFrame();
    p.gbrIntensity->setValue(100);
    const TBitmap32 dark = w.view->LastFrame();
    ASSERT_EQ(light.Size(), dark.Size());
    int darker = 0;
    for (int y = 0; y < dark.Height(); ++y)
        for (int x = 0; x < dark.Width(); ++x)
            darker += RedOf(dark.Pixel(x, y)) + 10 < RedOf(light.Pixel(x, y));
    EXPECT_GT(darker, 100);
}

TEST(FinalPage, SmoothingDrawsOneSmoothedFrameOnly)
{
    TPageWindow w;
    TFinalPage& p = *w.page;
    ComposeSample(w, btTwoSidedBox);
    p.trkAngleY->setValue(40);
    const TBitmap32 plain = w.view->LastFrame();
    QTest::mouseClick(p.btnSmooth, Qt::LeftButton);
    EXPECT_FALSE(w.view->FSmooth);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const TBitmap32 smoothed = w.view->LastFrame();
    ASSERT_EQ(smoothed.Size(), plain.Size());
    EXPECT_FALSE(smoothed.SamePixels(plain)); // the edges are blended
    // Any later redraw is plain again.
    p.trkAngleY->setValue(42);
    p.trkAngleY->setValue(40);
    EXPECT_TRUE(w.view->LastFrame().SamePixels(plain));
}

TEST(FinalPage, ExportSizeIsTheSavedPicturesSize)
{
    TPageWindow w;
    TFinalPage& p = *w.page;
    EXPECT_EQ(p.ExportSize().width(), NaturalFinalWidth(*w.view));
    EXPECT_EQ(p.ExportSize(), FinalPictureSize(*w.view, p.ExportSize().width()));
    // Turning the cover changes its shape: the height shown follows.
    p.trkAngleY->setValue(p.trkAngleY->value() + 40);
    EXPECT_EQ(p.lblExportHeight->text(), QString::asprintf(" x %d", p.ExportSize().height()));

    const int chosen = p.ExportSize().width() * 4;
    p.SetExportWidth(chosen);
    EXPECT_EQ(p.ExportSize(), FinalPictureSize(*w.view, chosen));
    EXPECT_EQ(p.lblExportHeight->text(), QString::asprintf(" x %d", p.ExportSize().height()));
    // Never beyond 8192 on either side.
    p.SetExportWidth(8192);
    EXPECT_LE(p.ExportSize().width(), 8192);
    EXPECT_LE(p.ExportSize().height(), 8192);
    // A window resize or a turn no longer changes a chosen width.
    p.SetExportWidth(chosen);
    w.chart->resize(900, 500);
    p.trkAngleY->setValue(p.trkAngleY->value() - 40);
    EXPECT_EQ(p.ExportSize().width(), chosen);
}

TEST(FinalPage, WithoutAViewTheControlsStillFollowTheirRules)
{
    TPageWindow w(false);
    TFinalPage& p = *w.page;
    p.FinalTypeChanged(btCDCover, false);
    EXPECT_TRUE(p.trkPosCD->isVisibleTo(p.pnlOptions));
    EXPECT_FALSE(p.chkShadow->isChecked());
    p.gbrScaleFinal->setValue(20);
    EXPECT_EQ(p.lblZoomFinal->text(), QStringLiteral("Zoom: 1.1x"));
    QTest::mouseClick(p.btnSmooth, Qt::LeftButton); // nothing to smooth, nothing breaks
    TImageViewInfo front, side, top;
    p.ComposeFinal(btTwoSidedBox, front, side, top);
    p.ShowOnStep(false);
    EXPECT_FALSE(p.pnlOptions->isVisible());
    EXPECT_FALSE(p.pnlFinalTools->isVisible());
}

TEST(FinalPage, TheViewTurnsZoomsAndResetsByMouseAndCopiesWithCtrlC)
{
    TPageWindow w;
    TFinalPage& p = *w.page;
    ComposeSample(w, btBookCover);
    const int x = p.trkAngleX->value(), y = p.trkAngleY->value();
    const QPoint c = w.view->rect().center();
    QTest::mousePress(w.view, Qt::LeftButton, {}, c);
    QTest::mouseMove(w.view, c + QPoint(40, -20));
    QTest::mouseRelease(w.view, Qt::LeftButton, {}, c + QPoint(40, -20));
    EXPECT_EQ(p.trkAngleY->value(), (y + 20) % 360); // a degree for every two pixels
    EXPECT_EQ(p.trkAngleX->value(), (x - 10 + 360) % 360);
    EXPECT_NEAR(w.view->GetAngleY(), p.trkAngleY->value() * M_PI / 180, 1e-5);

    QWheelEvent wheel(QPointF(c), w.view->mapToGlobal(QPointF(c)), {}, QPoint(0, 3 * 120), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    for (int i = 0; i < 10; ++i)
        QApplication::sendEvent(w.view, &wheel);
    EXPECT_EQ(p.gbrScaleFinal->value(), p.gbrScaleFinal->maximum()); // never past the gauge's range

    QTest::mouseDClick(w.view, Qt::LeftButton, {}, c);
    EXPECT_EQ(p.trkAngleX->value(), x);
    EXPECT_EQ(p.trkAngleY->value(), y);

    QApplication::clipboard()->clear();
    w.top.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.top));
    p.trkAngleX->setFocus();
    QTest::keyClick(p.trkAngleX, Qt::Key_C, Qt::ControlModifier);
    const QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), p.ExportSize());
    p.ShowOnStep(false); // on the other steps Ctrl+C is the face editor's
    EXPECT_FALSE(p.actCopy->isEnabled());
}
