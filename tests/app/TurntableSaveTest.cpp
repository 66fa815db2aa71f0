// Saving the turntable from the final view: frames of exactly the size the final page shows for
// the saved picture, nothing written when the user cancels, and a turntable memory cannot hold
// refused with a message before it starts.
#include "app/SaveFlow.h"
#include "app/TurntableSave.h"
#include "app/TurntableWebpSave.h"
#include "cover/Composition.h"
#include "render/D3DWin.h"

#include "common/DataLimit.h"
#include "common/RequireGL.h"
#include "common/TestBitmaps.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

// The final view of a red and blue book in a shown window. A book: turning, it needs a taller
// picture than it does at its own angle, which is how the frames once came out taller than the
// page said.
class TurntableSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(500, 400);
        bool ok = false;
        view = new TD3DWin(&window, ok);
        TAVLO_REQUIRE_GL(ok, "the final view could not be set up");
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        TBitmap32 front = Filled(200, 300, Color32(200, 30, 30)), side = Filled(40, 300, Color32(30, 30, 200));
        ASSERT_TRUE(Compose(btBookCover, view, nullptr, &side, &front));
    }

    QWidget window;
    TD3DWin* view = nullptr;
};

TEST_F(TurntableSave, FramesHaveTheSavedPicturesSizeAndACancelWritesNothing)
{
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

    // Cancelled in the progress dialog after the first frame, the busy cursor showing: no new
    // file and no partial one, and the file that was there before stays as it was.
    bool cancelled = false;
    bool busy = false;
    QTimer::singleShot(0, [&] {
        busy = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(w); progress && progress->isVisible()) {
                progress->cancel();
                cancelled = true;
            }
    });
    const QString old = dir.filePath("old.gif");
    {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the old picture");
    }
    EXPECT_FALSE(SaveTurntable(&window, *view, 6, size, false, old));
    EXPECT_TRUE(cancelled) << "no progress dialog was shown";
    EXPECT_TRUE(busy) << "no busy cursor while rendering";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy cursor stayed";
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("the old picture"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"old.gif", "turn.gif"}));
}

// The WebP from the view goes through the same dialog with its own title and one step a frame:
// frames of exactly the size shown, and a cancel leaves the old file as it was.
TEST_F(TurntableSave, WebpHasTheSavedPicturesSizeItsOwnDialogAndACancelWritesNothing)
{
    const QSize size = FinalPictureSize(*view, 240);

    QTemporaryDir dir;
    const QString path = dir.filePath("turn.webp");
    QString title;
    int steps = -1;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(w); progress && progress->isVisible()) {
                title = progress->windowTitle();
                steps = progress->maximum();
            }
    });
    ASSERT_TRUE(SaveTurntableWebp(&window, *view, 4, size, true, path));
    EXPECT_EQ(std::pair(title, steps), std::pair(QStringLiteral("Animated WebP (turntable)"), 4));
    QImageReader webp(path);
    EXPECT_EQ(std::pair(webp.size(), webp.imageCount()), std::pair(size, 4));

    bool cancelled = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(w); progress && progress->isVisible()) {
                progress->cancel();
                cancelled = true;
            }
    });
    EXPECT_FALSE(SaveTurntableWebp(&window, *view, 4, size, true, path));
    EXPECT_TRUE(cancelled) << "no progress dialog was shown";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy cursor stayed";
    EXPECT_EQ(QImageReader(path).imageCount(), 4) << "the cancelled save touched the old file";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"turn.webp"});
}

namespace {
// Counts progress dialogs shown anywhere in the program.
struct TProgressShown : QObject {
    int Count = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        Count += event->type() == QEvent::Show && qobject_cast<QProgressDialog*>(watched);
        return false;
    }
};
} // namespace

TEST_F(TurntableSave, ATurntableMemoryCannotHoldIsRefusedWithAMessageBeforeItStarts)
{
    // 36 frames of 6000 x 6000 pixels with only 64 MB to spare (the process's data limit, as a
    // server sets it): refused at once, without a progress dialog, a frame or a file.
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.gif");
    TProgressShown shown;
    qApp->installEventFilter(&shown);
    std::string message;
    {
        const TDataLimit limit(64 << 20);
        ASSERT_TRUE(limit.Set());
        try {
            SaveTurntable(&window, *view, TurntableFrames, QSize(6000, 6000), false, path);
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
    }
    qApp->removeEventFilter(&shown);
    EXPECT_NE(message.find("A turntable of 36 frames of 6000 x 6000 pixels needs about"), std::string::npos) << message;
    EXPECT_NE(message.find("Choose a smaller width."), std::string::npos) << message;
    EXPECT_EQ(shown.Count, 0) << "the progress dialog came before the refusal";
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
