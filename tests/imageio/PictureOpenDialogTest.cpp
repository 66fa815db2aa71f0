#include "TestPictures.h"
#include "common/WhenModal.h"
#include "imageio/BmpWriter.h"
#include "imageio/LastFolder.h"
#include "imageio/dialog/PictureOpenDialog.h"

#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QDeadlineTimer>
#include <memory>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class PictureOpenDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        FBmp = FDir.filePath("ramp.bmp");
        WriteFile(FBmp, EncodeBmp(RampPicture(300, 120)));
        FText = FDir.filePath("notes.bmp");
        WriteFile(FText, "just text");
        SetLastFolder(FDir.path());
    }
    QTemporaryDir FDir;
    QString FBmp, FText;
};

} // namespace

TEST_F(PictureOpenDialogTest, FilterAndStartFolder)
{
    TPictureOpenDialog face(OpenFaceImageMode);
    EXPECT_EQ(face.directory().absolutePath(), QDir(FDir.path()).absolutePath());
    // The registered formats' filter in Qt's form: one entry each after "All".
    const QStringList filters = face.nameFilters();
    ASSERT_EQ(filters.size(), 12);
    EXPECT_EQ(filters[0], "All (*.gif *.jpg *.jpeg *.bmp *.ico *.emf *.wmf *.png *.tif *.tiff *.webp)");
}

TEST_F(PictureOpenDialogTest, PreviewFollowsTheSelection)
{
    TPictureOpenDialog dialog(OpenNewLayerMode);
    dialog.show();

    // The file list fills in the background; a selection lands once it has.
    auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowCount(model->index(FDir.path())) >= 2; }, 5000))
        << "the file list did not fill within 5 s";
    dialog.selectFile(FBmp);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.SizeLabel()->text() != "Picture:"; }, 5000))
        << "the preview did not show the selected picture's size within 5 s";
    EXPECT_EQ(dialog.SizeLabel()->text(), " (300x120)");
    EXPECT_TRUE(dialog.FullSizeButton()->isEnabled());
    EXPECT_FALSE(dialog.PreviewArea()->pixmap().isNull());
    EXPECT_LE(dialog.PreviewArea()->pixmap().deviceIndependentSize().width(), 200.0) << "large pictures shrink to fit";

    QTest::mouseClick(dialog.FullSizeButton(), Qt::LeftButton);
    QDialog* preview = nullptr;
    for (QDialog* d : dialog.findChildren<QDialog*>())
        if (d->windowTitle() == "Preview")
            preview = d;
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    preview->close();

    dialog.selectFile(FText);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.SizeLabel()->text() == "Picture:"; }, 5000))
        << "the preview did not clear for a file that is no picture within 5 s";
    EXPECT_EQ(dialog.PreviewArea()->text(), "(None)");
    EXPECT_FALSE(dialog.FullSizeButton()->isEnabled());
}

TEST_F(PictureOpenDialogTest, ChosenFileMovesTheLastFolderAndCancelChangesNothing)
{
    QTemporaryDir other;
    const QString picture = other.filePath("pic.bmp");
    WriteFile(picture, EncodeBmp(RampPicture(4, 4)));

    WhenModal<TPictureOpenDialog>([](TPictureOpenDialog* d) { d->reject(); });
    bool loaded = false;
    EXPECT_FALSE(OpenPictureFile(nullptr, OpenFaceImageMode, [&](const QString&) { loaded = true; }));
    EXPECT_FALSE(loaded);
    EXPECT_EQ(LastFolder(), FDir.path() + "/");

    // The choice is made again until the dialog closes, and a dialog still open after the deadline
    // is closed as a failure instead of waiting forever.
    auto choosePicture = [&] {
        const QDeadlineTimer deadline(10000);
        auto drive = std::make_shared<std::function<void(bool)>>();
        *drive = [picture, deadline, weak = std::weak_ptr(drive)](bool seen) {
            auto* d = qobject_cast<TPictureOpenDialog*>(QApplication::activeModalWidget());
            if (!d && seen)
                return; // taken
            if (d && deadline.hasExpired()) {
                ADD_FAILURE() << "the picture dialog did not take " << picture.toStdString();
                d->reject();
                return;
            }
            if (d) {
                // Typed as a user would: selectFile() leaves the name field alone while it has the focus.
                d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(picture);
                static_cast<QDialog*>(d)->accept(); // QFileDialog hides its override
            }
            if (auto self = weak.lock(); self && !deadline.hasExpired())
                QTimer::singleShot(20, [self, seen = seen || d] { (*self)(seen); });
        };
        QTimer::singleShot(10, [drive] { (*drive)(false); });
    };
    choosePicture();
    QString chosen;
    EXPECT_TRUE(OpenPictureFile(nullptr, OpenNewLayerMode, [&](const QString& path) { chosen = path; }));
    EXPECT_EQ(chosen, picture);
    EXPECT_EQ(LastFolder(), other.path() + "/");

    // A failing load still leaves the folder moved and passes its message on.
    SetLastFolder(FDir.path());
    choosePicture();
    EXPECT_THROW(OpenPictureFile(nullptr, OpenNewLayerMode, [](const QString&) { throw std::runtime_error("Bitmap image is not valid"); }),
                 std::runtime_error);
    EXPECT_EQ(LastFolder(), other.path() + "/");
}
