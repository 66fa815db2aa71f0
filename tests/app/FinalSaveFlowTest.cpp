// Save As: the dialog's set-up, the default names, the flow's order and its failure paths, and
// the capture of the final view at the view's size and at a larger export size.
#include "app/SaveFlow.h"

#include "cover/Composition.h"
#include "imageio/ImageWriter.h"
#include "imageio/LastFolder.h"
#include "render/D3DWin.h"
#include "ui/MsgBox.h"

#include "FinalDialogDriver.h"
#include "common/TestBitmaps.h"
#include "common/MessageLog.h"

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {
// The bounding box of the red front face's pixels.
QRect RedRect(const TBitmap32& b)
{
    QRect r;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (RedOf(b.Pixel(x, y)) > 120 && GreenOf(b.Pixel(x, y)) < 80 && BlueOf(b.Pixel(x, y)) < 80)
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
// A final view in a window, showing a red front and a blue spine on white with the shadow on.
struct TFinalViewWindow {
    QWidget top;
    TD3DWin* view = nullptr;
    TFinalViewWindow()
    {
        top.resize(400, 300);
        bool ok = false;
        view = new TD3DWin(&top, ok);
        EXPECT_TRUE(ok);
        top.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&top));
        TBitmap32 front = Filled(200, 300, Color32(200, 30, 30));
        TBitmap32 side = Filled(40, 300, Color32(30, 30, 200));
        EXPECT_TRUE(Compose(btTwoSidedBox, view, nullptr, &side, &front));
        view->FBackColor = Color32(255, 255, 255, 255);
        view->FShadow = true;
        view->ShowCover(nullptr, 0, 0, 0);
    }
};
} // namespace

TEST(FinalSaveFlow, DefaultNames)
{
    for (int mode = 0; mode <= 4; ++mode)
        EXPECT_EQ(DefaultImageName(mode, std::nullopt), QStringLiteral("Noname")) << mode;
    const QString name = QStringLiteral("My Book");
    EXPECT_EQ(DefaultImageName(0, name), QStringLiteral("My Book Front"));
    EXPECT_EQ(DefaultImageName(1, name), QStringLiteral("My Book Front"));
    EXPECT_EQ(DefaultImageName(2, name), QStringLiteral("My Book Spine"));
    EXPECT_EQ(DefaultImageName(3, name), QStringLiteral("My Book Top"));
    EXPECT_EQ(DefaultImageName(4, name), QStringLiteral("My Book"));
}

TEST(FinalSaveFlow, FiltersAndWritableExtensions)
{
    for (const char* ok : {"a.bmp", "a.GIF", "a.Gif", "a.jpg", "a.JPEG", "a.png", "a.TIF", "/x.y/a.b.jpeg"})
        EXPECT_TRUE(CanWriteExtension(QString::fromLatin1(ok))) << ok;
    for (const char* bad : {"a.tiff", "a.ico", "a", "a.wmf", "a.", "/x.gif/a"})
        EXPECT_FALSE(CanWriteExtension(QString::fromLatin1(bad))) << bad;
    const QString message = UnsupportedFormatMessage(QStringLiteral("/tmp/cover.tiff"));
    EXPECT_TRUE(message.startsWith(QStringLiteral("cover.tiff\r\n")));
    for (const char* ext : {".gif", ".jpg", ".bmp", ".tif", ".png"})
        EXPECT_TRUE(message.contains(QString::fromLatin1(ext))) << ext;
}

TEST(FinalSaveFlow, TypedNameTakesTheChosenTypesExtension)
{
    QTemporaryDir dir;
    QFileDialog dialog;
    SetUpSaveDialog(dialog, dir.path(), QStringLiteral("My Book"));
    // Confirmed without an extension, the name gets the chosen type's: GIF until another is chosen.
    EXPECT_EQ(QFileInfo(dialog.selectedFiles().value(0)).fileName(), QStringLiteral("My Book.gif"));
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

TEST(FinalSaveFlow, ConfirmedNameIsWrittenAndTheFolderRemembered)
{
    TMessageLog answer;
    QTemporaryDir dir;
    SetLastFolder(dir.path());
    TFlowHost host;
    TDialogDriver driver;
    driver.Answer(dir.filePath("out.gif"));
    EXPECT_EQ(host.Flow.SaveImageAs(4), TSaveResult::Written);
    EXPECT_TRUE(driver.Seen);
    EXPECT_EQ(driver.Title, QStringLiteral("Save As"));
    EXPECT_EQ(driver.Selected, QStringLiteral("GIF Image (*.gif)"));
    EXPECT_EQ(driver.Filters, SaveNameFilters());
    EXPECT_EQ(driver.Offered, QStringLiteral("My Book"));
    EXPECT_EQ(driver.Directory, QDir(dir.path()).absolutePath());
    EXPECT_EQ(host.Log, (std::vector<QString>{"capture final", "write"}));
    EXPECT_EQ(host.WrittenPath, dir.filePath("out.gif"));
    EXPECT_EQ(host.Written.Size(), QSize(30, 20));
    EXPECT_TRUE(answer.Asked.empty());

    // A name without an extension gets the chosen type's; the next dialog opens in the folder used last.
    QTemporaryDir other;
    driver.Answer(other.filePath("plain"));
    host.Log.clear();
    EXPECT_EQ(host.Flow.SaveImageAs(3), TSaveResult::Written);
    EXPECT_EQ(host.WrittenPath, other.filePath("plain.gif"));
    EXPECT_EQ(host.Log, (std::vector<QString>{"capture face", "write"}));
    EXPECT_EQ(driver.Offered, QStringLiteral("My Book Top"));
    EXPECT_EQ(LastFolder(), other.path() + QLatin1Char('/'));
}

TEST(FinalSaveFlow, StartPageModeStepsToTheFrontFaceAndBackWhateverHappens)
{
    TMessageLog answer;
    QTemporaryDir dir;
    TFlowHost host;
    TDialogDriver driver;

    driver.Answer(QString()); // cancelled
    EXPECT_EQ(host.Flow.SaveImageAs(0), TSaveResult::Cancelled);
    EXPECT_EQ(host.Log, (std::vector<QString>{"forward", "capture face", "back"}));
    EXPECT_EQ(driver.Offered, QStringLiteral("My Book Front"));

    // A writer failure is shown like every other error and the wizard still steps back.
    host.Log.clear();
    host.Writer = [](const TBitmap32&, const QString& path) {
        throw std::runtime_error(("Cannot create file " + path).toStdString());
    };
    driver.Answer(dir.filePath("x.jpg"));
    EXPECT_EQ(host.Flow.SaveImageAs(0), TSaveResult::Failed);
    EXPECT_EQ(host.Log, (std::vector<QString>{"forward", "capture face", "write", "back"}));
    ASSERT_EQ(answer.Asked.size(), 1u);
    EXPECT_EQ(answer.Asked[0].Text, "Cannot create file " + dir.filePath("x.jpg") + ".");
    EXPECT_EQ(answer.Asked[0].Type, mtInformation);

    // A capture failure ends the flow before any dialog, also stepping back.
    TFlowHost failing;
    TSaveFlowHooks hooks = failing.Hooks();
    hooks.Capture = [](bool) -> TBitmap32 { throw std::runtime_error("Out of memory"); };
    TSaveFlow flow(nullptr, hooks);
    EXPECT_EQ(flow.SaveImageAs(0), TSaveResult::Failed);
    EXPECT_EQ(failing.Log, (std::vector<QString>{"forward", "back"}));
    EXPECT_EQ(answer.Asked.back().Text, QStringLiteral("Out of memory."));
}

TEST(FinalSaveFlow, UnwritableExtensionWritesNothingAndSaysWhichFormatsExist)
{
    TMessageLog answer;
    QTemporaryDir dir;
    TFlowHost host;
    TDialogDriver driver;
    for (const char* name : {"cover.tiff", "cover.ico"}) {
        host.Log.clear();
        driver.Answer(dir.filePath(QString::fromLatin1(name)));
        EXPECT_EQ(host.Flow.SaveImageAs(4), TSaveResult::Failed) << name;
        EXPECT_EQ(host.Log, (std::vector<QString>{"capture final"})) << name;
        EXPECT_FALSE(QFile::exists(dir.filePath(QString::fromLatin1(name))));
    }
    ASSERT_EQ(answer.Asked.size(), 2u);
    EXPECT_EQ(answer.Asked[0].Text, UnsupportedFormatMessage(dir.filePath("cover.tiff")));
}

TEST(FinalSaveFlow, OverwriteQuestionAnsweredNoReturnsToTheDialog)
{
    TMessageLog answer;
    QTemporaryDir dir;
    QFile existing(dir.filePath("old.png"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old");
    existing.close();

    TFlowHost host;
    int questions = 0;
    // The dialog asks before replacing old.png: answer No, then cancel the dialog itself.
    std::function<void()> poll = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog && questions == 0) {
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(dir.filePath("old.png"));
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            questions = 1;
        } else if (modal && !dialog && questions == 1) {
            // The question box: No is the button with the "No" role.
            for (auto* b : modal->findChildren<QPushButton*>())
                if (b->text().remove('&') == QStringLiteral("No"))
                    b->click();
            questions = 2;
        } else if (dialog && questions == 2) {
            dialog->reject();
            return;
        }
        QTimer::singleShot(10, poll);
    };
    QTimer::singleShot(0, poll);
    EXPECT_EQ(host.Flow.SaveImageAs(4), TSaveResult::Cancelled);
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(host.Log, (std::vector<QString>{"capture final"}));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), QByteArray("old"));
}

TEST(FinalSaveFlow, FinalPictureHasTheWidthAskedTheWholeShadowAndOptionalTransparency)
{
    TFinalViewWindow w;
    TD3DWin* view = w.view;
    view->SetLight(0.2f, 0.1f); // a long shadow that reaches beyond the view
    view->ShowCover(nullptr, 0, 0, 0);
    const TBitmap32 shown = view->LastFrame();

    const int natural = NaturalFinalWidth(*view);
    const TBitmap32 atView = CaptureFinalView(*view, natural);
    EXPECT_EQ(atView.Size(), FinalPictureSize(*view, natural));
    // Framed around everything: nothing reaches the picture's edges, little is left empty.
    const TColor32 white = Color32(255, 255, 255, 255);
    const QRect content = [&] {
        QRect r;
        for (int y = 0; y < atView.Height(); ++y)
            for (int x = 0; x < atView.Width(); ++x)
                if (atView.Pixel(x, y) != white)
                    r |= QRect(x, y, 1, 1);
        return r;
    }();
    EXPECT_TRUE(QRect(1, 1, atView.Width() - 2, atView.Height() - 2).contains(content));
    EXPECT_GT(content.width(), atView.Width() * 8 / 10);
    EXPECT_GT(content.height(), atView.Height() * 7 / 10);

    // Three times the width: the same picture with three times the pixels, the view untouched.
    const TBitmap32 large = CaptureFinalView(*view, natural * 3);
    EXPECT_EQ(large.Width(), natural * 3);
    EXPECT_EQ(large.Size(), FinalPictureSize(*view, natural * 3));
    EXPECT_FALSE(view->FSmooth);
    EXPECT_TRUE(view->LastFrame().SamePixels(shown));
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
    EXPECT_EQ(AlphaOf(clear.Pixel(mid.x(), mid.y())), 255);
    EXPECT_EQ(clear.Pixel(mid.x(), mid.y()) | 0xFF000000u, atView.Pixel(mid.x(), mid.y()));
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

TEST(FinalSaveFlow, FinishedCoverSavedInEveryFormatAtTheSizeOfTheCut)
{
    TMessageLog answer;
    QTemporaryDir dir;
    TFinalViewWindow w;
    TD3DWin* view = w.view;

    const int width = NaturalFinalWidth(*view);
    const QSize cut = FinalPictureSize(*view, width);
    TSaveFlowHooks hooks;
    hooks.StepForward = hooks.StepBack = [] {};
    hooks.Capture = [&](bool) { return CaptureFinalView(*view, width); };
    hooks.DefaultName = [](int) { return QStringLiteral("Cover"); };
    hooks.Write = &WriteImageFile;
    TSaveFlow flow(&w.top, hooks);
    TDialogDriver driver;
    for (const char* name : {"c.gif", "c.jpg", "c.bmp", "c.png", "c.tif", "d.JPEG", "d.Gif"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        driver.Answer(path);
        EXPECT_EQ(flow.SaveImageAs(4), TSaveResult::Written) << name;
        const QImage back(path);
        ASSERT_FALSE(back.isNull()) << name;
        EXPECT_EQ(back.size(), cut) << name;
        // The middle of the front face keeps its colour (GIF and JPEG within their losses).
        const QColor mid = back.pixelColor(back.width() * 2 / 3, back.height() / 2);
        EXPECT_GT(mid.red(), 120) << name;
        EXPECT_LT(mid.green(), 90) << name;
    }
    QFile gif(dir.filePath("c.gif"));
    ASSERT_TRUE(gif.open(QIODevice::ReadOnly));
    EXPECT_TRUE(gif.readAll().contains("produced by Tavlo Generator v1.56"));
    EXPECT_TRUE(answer.Asked.empty());

    // The folder vanishes between the dialog and the write: the writer's error is shown and
    // nothing counts as saved.
    QDir(dir.path()).mkdir(QStringLiteral("gone"));
    TSaveFlowHooks vanishing = hooks;
    vanishing.Write = [&](const TBitmap32& picture, const QString& path) {
        QDir(dir.filePath("gone")).removeRecursively();
        WriteImageFile(picture, path);
    };
    TSaveFlow failing(&w.top, vanishing);
    driver.Answer(dir.filePath("gone/c.png"));
    EXPECT_EQ(failing.SaveImageAs(4), TSaveResult::Failed);
    ASSERT_EQ(answer.Asked.size(), 1u);
    EXPECT_TRUE(answer.Asked[0].Text.startsWith(QStringLiteral("Cannot create file")))
        << answer.Asked[0].Text.toStdString();
}
