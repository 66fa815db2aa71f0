// The final page at Photo quality, for real under Xvfb: the Quality choice and the photo's look
// as undoable settings, the traced picture that refines over the view and starts again on a
// change, and Save As tracing the saved picture (Cancel writes nothing).
#include "app/FinalPage.h"
#include "app/PhotoPreview.h"
#include "app/SaveFlow.h"
#include "app/TurntableSave.h"

#include "document/TavloDocument.h"
#include "imageio/ImageWriter.h"
#include "render/HeadlessPicture.h"
#include "render/photo/PhotoRenderer.h"

#include "FinalDialogDriver.h"
#include "FinalPageWindow.h"
#include "common/RequireGL.h"
#include "common/WhenModal.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QWindow>
#include <gtest/gtest.h>

namespace {
constexpr int PictureDeadlineMs = 20000; // a pass of a few hundred thousand pixels on a busy machine

bool Near(TColor32 a, TColor32 b, int levels = 2)
{
    return std::abs(RedOf(a) - RedOf(b)) <= levels && std::abs(GreenOf(a) - GreenOf(b)) <= levels
        && std::abs(BlueOf(a) - BlueOf(b)) <= levels;
}

// The settings with other photo ones, as one step of the history.
void ChangePhoto(TTavloDocument& document, const std::function<void(TFinalSettings&)>& edit)
{
    TFinalSettings next = document.Settings();
    edit(next);
    document.ChangeSettings(next, TSettingKey::Quality);
}

// Waits for a picture the preview shows that satisfies accept; fails naming what it waited for.
std::shared_ptr<const TBitmap32> WaitForPicture(TPhotoPreview& preview, const char* what,
                                                const std::function<bool(const TBitmap32&)>& accept)
{
    std::shared_ptr<const TBitmap32> found;
    const bool ok = QTest::qWaitFor([&] {
        if (const auto p = preview.Picture(); p && accept(*p))
            found = p;
        return found != nullptr;
    }, PictureDeadlineMs);
    EXPECT_TRUE(ok) << "no photo " << what << " within " << PictureDeadlineMs << " ms";
    return found;
}
} // namespace

TEST(FinalPhoto, QualityAndLookAreUndoableSettings)
{
    TPageWindow w;
    TAVLO_REQUIRE_GL(w.view->GLReady(), "the final view could not be set up");
    ComposeSample(w, btTwoSidedBox);
    TFinalPage& p = *w.page;
    QUndoStack& history = *w.document.SettingsStack();
    EXPECT_FALSE(p.trkReflection->isVisible() || p.trkGloss->isVisible() || p.PhotoPreview()->isVisible());

    p.cmbQuality->setCurrentIndex(1);
    EXPECT_EQ(w.document.Settings().Quality, TRenderQuality::Photo);
    EXPECT_TRUE(p.trkReflection->isVisible() && p.trkGloss->isVisible() && p.PhotoPreview()->isVisible());
    // A drag of the reflection's handle is one step however far it goes; a key press another.
    const int before = history.count();
    p.trkReflection->setSliderDown(true);
    emit p.trkReflection->sliderPressed();
    for (int v : {35, 50, 72})
        p.trkReflection->setValue(v);
    p.trkReflection->setSliderDown(false);
    emit p.trkReflection->sliderReleased();
    p.trkGloss->setFocus();
    QTest::keyClick(p.trkGloss, Qt::Key_Right);
    EXPECT_EQ(std::tuple(w.document.Settings().Reflection, w.document.Settings().Gloss, history.count() - before),
              std::tuple(72, 51, 2));

    history.undo();
    history.undo();
    EXPECT_EQ(std::tuple(w.document.Settings().Reflection, w.document.Settings().Gloss, p.trkReflection->value(),
                         p.lblReflectionValue->text()),
              std::tuple(30, 50, 30, QStringLiteral("30")));
    history.undo();
    EXPECT_EQ(w.document.Settings().Quality, TRenderQuality::Standard);
    EXPECT_EQ(p.cmbQuality->currentIndex(), 0);
    EXPECT_FALSE(p.trkReflection->isVisible() || p.PhotoPreview()->isVisible());
    history.redo();
    EXPECT_EQ(p.cmbQuality->currentText(), QStringLiteral("Photo"));
    EXPECT_TRUE(p.PhotoPreview()->isVisible());
}

TEST(FinalPhoto, ViewShowsTheTracedPictureRefiningAndStartsAgainOnAChange)
{
    TPageWindow w;
    TAVLO_REQUIRE_GL(w.view->GLReady(), "the final view could not be set up");
    ComposeSample(w, btTwoSidedBox);
    const TColor32 grey = Color32(120, 130, 140);
    w.document.ChangeSettings([&] {
        TFinalSettings s = w.document.Settings();
        s.Background = grey;
        return s;
    }(), TSettingKey::Background);
    TPhotoPreview& preview = *w.page->PhotoPreview();
    QElapsedTimer clock;
    clock.start();
    // Samples enough that the refinement is still under way when the settings change.
    ChangePhoto(w.document, [](TFinalSettings& s) {
        s.Quality = TRenderQuality::Photo;
        s.Samples = 65536;
    });
    const auto first = WaitForPicture(preview, "at all", [](const TBitmap32&) { return true; });
    ASSERT_TRUE(first);
    RecordProperty("first_picture_ms", int(clock.elapsed())); // measured here, judged by the benchmark
    const TBitmap32& gl = w.view->LastFrame();
    ASSERT_EQ(first->Size(), gl.Size()) << "traced at the view's size";
    // The traced picture, not the 3D view's: a real share of its pixels differ; the corner
    // (away from the cover and its shadow) is the background itself.
    int differing = 0;
    for (int y = 0; y < gl.Height(); ++y)
        for (int x = 0; x < gl.Width(); ++x)
            differing += !Near(first->Pixel(x, y), gl.Pixel(x, y), 8);
    EXPECT_GT(differing, gl.Width() * gl.Height() / 50);
    EXPECT_TRUE(Near(first->Pixel(1, 1), grey)) << std::hex << first->Pixel(1, 1);
    // What the window shows is the trace.
    const QImage shown = preview.grab().toImage();
    EXPECT_TRUE(Near(shown.pixel(1, 1), grey));
    const auto refined = WaitForPicture(preview, "refined past one sample", [&](const TBitmap32&) {
        return preview.SamplesShown() > 1;
    });
    EXPECT_FALSE(preview.Finished());

    // Another background while refining: the trace starts again and shows it.
    const TColor32 teal = Color32(20, 110, 100);
    w.document.ChangeSettings([&] {
        TFinalSettings s = w.document.Settings();
        s.Background = teal;
        return s;
    }(), TSettingKey::Background);
    const auto changed = WaitForPicture(preview, "in the new background",
                                        [&](const TBitmap32& p) { return Near(p.Pixel(1, 1), teal); });
    ASSERT_TRUE(changed);
    EXPECT_LT(preview.SamplesShown(), 8) << "the trace started again rather than going on";
    EXPECT_TRUE(Near(changed->Pixel(changed->Width() - 2, 1), teal));

    // Dragging over the photo still turns the cover, and the photo follows the new angle.
    const int angleY = w.document.AngleY();
    // Through the window, as the pointer does: the photo lets it through to the 3D view.
    QWindow* window = w.top.windowHandle();
    const QPoint centre = preview.mapTo(&w.top, preview.rect().center());
    QTest::mousePress(window, Qt::LeftButton, {}, centre);
    QTest::mouseMove(window, centre + QPoint(30, 0));
    QTest::mouseMove(window, centre + QPoint(60, 0));
    QTest::mouseRelease(window, Qt::LeftButton, {}, centre + QPoint(60, 0));
    EXPECT_EQ(w.document.AngleY(), (angleY + 30) % 360);
    // Traced afresh: one sample per pixel again, then refining.
    EXPECT_TRUE(WaitForPicture(preview, "of the turned cover", [&](const TBitmap32&) {
        return preview.SamplesShown() == 1;
    }));
    EXPECT_EQ(w.document.SettingsStack()->count(), 4) << "photo, two backgrounds, one drag";

    // Recomposed (other faces or type): the old cover's photo goes at once, the new one follows.
    ComposeSample(w, btTwoSidedBox);
    EXPECT_FALSE(preview.Picture());
    EXPECT_TRUE(WaitForPicture(preview, "of the recomposed cover", [](const TBitmap32&) { return true; }));
}

TEST(FinalPhoto, SaveAsTracesTheSavedPictureAndCancelWritesNothing)
{
    TPageWindow w;
    TAVLO_REQUIRE_GL(w.view->GLReady(), "the final view could not be set up");
    ComposeSample(w, btBookCover, true);
    ChangePhoto(w.document, [](TFinalSettings& s) {
        s.Quality = TRenderQuality::Photo;
        s.Samples = 4;
    });
    TSaveFlowHooks hooks;
    hooks.StepForward = hooks.StepBack = [] {};
    hooks.Capture = [&](bool) { return CaptureFinalView(*w.view, w.page->ExportSize().width()); };
    hooks.DefaultName = [](int) { return QStringLiteral("Photo"); };
    hooks.Write = [](const TBitmap32& picture, const QString& path) { WriteImageFile(picture, path); };
    hooks.FinalIsPhoto = [&] { return w.page->SavedPhoto().has_value(); };
    hooks.TracePhoto = [&] { return w.page->TracePicture(&w.top); };
    TSaveFlow flow(&w.top, hooks);
    QTemporaryDir dir;
    TDialogDriver driver;

    // Written: exactly the trace of the saved picture's request, not the 3D view's picture.
    const QString path = dir.filePath("photo.png");
    driver.Answer(path);
    ASSERT_EQ(flow.SaveImageAs(4), TSaveResult::Written);
    const QImage written(path);
    const auto request = w.page->SavedPhoto();
    ASSERT_TRUE(request);
    TPhotoOptions options;
    options.Samples = 4;
    const std::optional<TBitmap32> expected = RenderPhoto(BuildRequestedScene(*request), options);
    ASSERT_TRUE(expected);
    EXPECT_EQ(written.width(), w.page->ExportSize().width());
    EXPECT_EQ(written.convertToFormat(QImage::Format_ARGB32), expected->ToImage());
    const TBitmap32 standard = CaptureFinalView(*w.view, w.page->ExportSize().width());
    EXPECT_NE(written.convertToFormat(QImage::Format_ARGB32), standard.ToImage());

    // Cancelled while tracing: nothing is written.
    ChangePhoto(w.document, [](TFinalSettings& s) { s.Samples = 65536; });
    const QString cancelled = dir.filePath("cancelled.png");
    bool sawProgress = false;
    driver.Answer(cancelled);
    WhenModal<QProgressDialog>([&](QProgressDialog* progress) {
        // As the user does: the dialog's Cancel button.
        auto* cancel = progress->findChild<QPushButton*>();
        sawProgress = cancel != nullptr;
        if (cancel)
            QTest::mouseClick(cancel, Qt::LeftButton);
    }, nullptr, std::chrono::milliseconds(20000));
    EXPECT_EQ(flow.SaveImageAs(4), TSaveResult::Cancelled);
    EXPECT_TRUE(sawProgress);
    EXPECT_FALSE(QFile::exists(cancelled));
}

TEST(FinalPhoto, TurntableAtPhotoTracesEveryFrameAtTheViewsSize)
{
    TPageWindow w;
    TAVLO_REQUIRE_GL(w.view->GLReady(), "the final view could not be set up");
    ComposeSample(w, btTwoSidedBox, true);
    ChangePhoto(w.document, [](TFinalSettings& s) {
        s.Quality = TRenderQuality::Photo;
        s.Samples = 2;
    });
    const auto photo = w.page->SavedPhoto();
    ASSERT_TRUE(photo);
    const QSize size = FinalPictureSize(*w.view, 120);
    QTemporaryDir dir;
    const QString traced = dir.filePath("photo.gif"), drawn = dir.filePath("drawn.gif");
    ASSERT_TRUE(SaveTurntable(&w.top, *w.view, 3, size, false, traced, &*photo));
    ASSERT_TRUE(SaveTurntable(&w.top, *w.view, 3, size, false, drawn));
    QImageReader photoGif(traced), drawnGif(drawn);
    ASSERT_EQ(std::pair(photoGif.size(), photoGif.imageCount()), std::pair(size, 3));
    // Every frame traced: the corner is the background, and the frame is not the 3D view's.
    QImage previous;
    for (int i = 0; i < 3; ++i) {
        const QImage frame = photoGif.read().convertToFormat(QImage::Format_RGB32);
        const QImage gl = drawnGif.read().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(frame.size(), size) << "frame " << i;
        EXPECT_TRUE(Near(frame.pixel(0, 0), Color32(255, 255, 255), 6)) << "frame " << i;
        int differing = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                differing += !Near(frame.pixel(x, y), gl.pixel(x, y), 8);
        EXPECT_GT(differing, size.width() * size.height() / 50) << "frame " << i;
        EXPECT_NE(frame, previous) << "frame " << i << " turned";
        previous = frame;
    }
}

// The window's saved photo and `tavlo render --project` start from the same settings record: every
// setting that changes the picture reaches both as the renderer takes it (percentages as 0..1).
TEST(FinalPhoto, SavedPhotoHasTheSettingsTheCommandLineTakesFromTheSameRecord)
{
    TPageWindow w;
    TAVLO_REQUIRE_GL(w.view->GLReady(), "the final view could not be set up");
    ComposeSample(w, btBookCover, true);
    ChangePhoto(w.document, [](TFinalSettings& s) {
        s.Quality = TRenderQuality::Photo;
        s.Type = btBookCover;
        s.AngleX = 20;
        s.AngleY = 300;
        s.LightElevation = 40;
        s.LightAzimuth = 80;
        s.Shadow = false;
        s.ShadowStrength = 25;
        s.Zoom = 1.5;
        s.Background = Color32(10, 120, 200);
        s.TransparentBackground = true;
        s.CDPosition = 20;
        s.Reflection = 70;
        s.Gloss = 15;
        s.Samples = 8;
    });
    const auto request = w.page->SavedPhoto();
    ASSERT_TRUE(request);
    const TCoverRenderSettings cli = FinalRenderSettings(w.document.Settings());
    const TPictureQuality quality = FinalPictureQuality(w.document.Settings());
    const auto picture = [](const TCoverRenderSettings& s, const TPhotoLook& look, int samples) {
        return std::tuple(s.Type, s.AngleX.value_or(-1), s.AngleY.value_or(-1), s.LightElevation, s.LightAzimuth,
                          s.Shadow.value_or(true), s.ShadowStrength, s.Zoom, s.Background, s.CDPosition, s.Transparent,
                          look.Reflection, look.Gloss, samples);
    };
    const auto expected = std::tuple(btBookCover, 20.0f, 300.0f, 0.4f, 0.8f, false, 0.25f, 1.5f,
                                     Color32(10, 120, 200), 0.2f, true, 70, 15, 8);
    EXPECT_EQ(picture(request->Settings, request->Look, request->Samples), expected);
    EXPECT_EQ(picture(cli, quality.Look, quality.Samples), expected);
    EXPECT_TRUE(quality.Photo);
}
