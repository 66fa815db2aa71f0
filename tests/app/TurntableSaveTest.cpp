// Saving the turntable from the final view: frames of exactly the size the final page shows for
// the saved picture, and nothing written when the user cancels.
#include "app/SaveFlow.h"
#include "app/TurntableSave.h"
#include "cover/Composition.h"
#include "render/D3DWin.h"

#include "common/RequireGL.h"
#include "common/TestBitmaps.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(TurntableSave, FramesHaveTheSavedPicturesSizeAndACancelWritesNothing)
{
    QWidget window;
    window.resize(500, 400);
    bool ok = false;
    auto* view = new TD3DWin(&window, ok);
    TAVLO_REQUIRE_GL(ok, "the final view could not be set up");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    TBitmap32 front = Filled(200, 300, Color32(200, 30, 30)), side = Filled(40, 300, Color32(30, 30, 200));
    // A book: turning, it needs a taller picture than it does at its own angle, which is how the
    // frames once came out taller than the page said.
    ASSERT_TRUE(Compose(btBookCover, view, nullptr, &side, &front));
    view->FShadow = true;
    view->FPasses = 2;
    // The size the final page shows for a saved picture 300 wide.
    const QSize size = FinalPictureSize(*view, 300);

    QTemporaryDir dir;
    const QString path = dir.filePath("turn.gif");
    ASSERT_TRUE(SaveTurntable(&window, *view, 6, size, false, path));
    QImageReader gif(path);
    EXPECT_EQ(std::pair(gif.size(), gif.imageCount()), std::pair(size, 6));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(gif.read().size(), size) << "frame " << i;

    // Cancelled in the progress dialog after the first frame: no file at all.
    bool cancelled = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(w); progress && progress->isVisible()) {
                progress->cancel();
                cancelled = true;
            }
    });
    const QString none = dir.filePath("cancelled.gif");
    EXPECT_FALSE(SaveTurntable(&window, *view, 6, size, false, none));
    EXPECT_TRUE(cancelled) << "no progress dialog was shown";
    EXPECT_FALSE(QFile::exists(none));
}
