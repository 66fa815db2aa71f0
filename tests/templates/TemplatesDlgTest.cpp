#include "StoreFixture.h"

#include "cover/BookCover.h"
#include "cover/MissingFile.h"
#include "imageio/ImageWriter.h"
#include "imageio/LastFolder.h"
#include "imageio/dialog/PictureOpenDialog.h"
#include "templates/InputDlg.h"
#include "templates/TemplatesDlg.h"
#include "ui/MsgBox.h"
#include "common/WhenModal.h"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

QStringList Entries(const QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

class TemplatesDlgTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        SetMessageHandler([this](const TMessageRequest& request) {
            FMessages << request.Text;
            return FAnswer;
        });
        FPreviousReporter = SetMissingFileReporter([this](const QString& text) { FMessages << text; });
    }
    void TearDown() override
    {
        SetMessageHandler({});
        SetMissingFileReporter(FPreviousReporter);
        TTemplatesFrm::SetPicturePicker({});
    }

    // The window's list as the start page builds it: the fixed entries, then the templates.
    void FillList(TTemplateStore& store)
    {
        FList.Add(std::make_unique<TBookCover>(TBookCover::KindNone, QString()));
        FList.Add(std::make_unique<TBookCover>(TBookCover::KindEditEntry, QString()));
        for (const QString& name : store.ListNames())
            FList.Add(std::make_unique<TBookCover>(TBookCover::KindTemplate, name, &store));
    }

    QString MakeFile(const QString& name) const
    {
        const QString path = FDir.path() + "/" + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("BM not really a picture, but bytes to hold");
        return path;
    }

    TListEx<TBookCover> FList;
    QStringList FMessages;
    int FAnswer = mrYes;
    TMissingFileReporter FPreviousReporter;
};

} // namespace

TEST_F(TemplatesDlgTest, ListsLiveTemplatesSortedAndShowsTheFirst)
{
    WriteSettingsFile("[Templates]\n"
                      "gamma\\FrontImage=/g/front.jpg\n"
                      "Alpha\\FrontImage=/missing/front.jpg\n"
                      "beta\\SideImage=/b/side.jpg\n"
                      "Zed\\FrontImage=/z.jpg\n");
    auto store = OpenStore();
    FillList(*store);
    FList[FList.Count() - 1]->Deleted = true; // "Zed"
    const QString front = MakeFile("front.bmp");
    FList[2]->SetFaceFiles(QString(), front, QString(), QString()); // "Alpha" gets a real file

    TTemplatesFrm dialog(FList, store.get());
    EXPECT_EQ(Entries(dialog.cbTemplates), QStringList({" Alpha", " beta", " gamma"}));
    EXPECT_EQ(dialog.cbTemplates->currentIndex(), 0);
    EXPECT_EQ(dialog.txtItemName->text(), "Alpha");
    EXPECT_EQ(dialog.txtFrontImage->text(), front);
    EXPECT_TRUE(dialog.btnDelete->isEnabled());
    EXPECT_TRUE(dialog.btnApply->isEnabled());
    // Blanks only: Apply is disabled again.
    dialog.txtItemName->setText("   ");
    EXPECT_FALSE(dialog.btnApply->isEnabled());
    // Choosing another entry shows its fields (and the name again enables Apply).
    dialog.cbTemplates->setCurrentIndex(2);
    EXPECT_EQ(dialog.txtItemName->text(), "gamma");
    EXPECT_TRUE(dialog.txtFrontImage->text().isEmpty()); // its file was missing at start-up
    EXPECT_TRUE(dialog.btnApply->isEnabled());
}

TEST_F(TemplatesDlgTest, AddRefusesDuplicatesAndBlanksAndInsertsAtTheHead)
{
    WriteSettingsFile("[Templates]\nAlpha\\FrontImage=/a.jpg\n");
    auto store = OpenStore();
    FillList(*store);
    TTemplatesFrm dialog(FList, store.get());

    bool stayedOpen = false, blankRefused = false;
    WhenModal<TInputDlgFrm>([&](TInputDlgFrm* input) {
        EXPECT_EQ(input->windowTitle(), "Add New Template");
        input->txtValue->setText("   ");
        blankRefused = !input->btnOK->isEnabled();
        input->txtValue->setText("ALPHA");
        QTest::mouseClick(input->btnOK, Qt::LeftButton);
        stayedOpen = input->isVisible() && input->focusWidget() == input->txtValue;
        input->txtValue->setText("  Delta  ");
        QTest::mouseClick(input->btnOK, Qt::LeftButton);
    });
    dialog.btnAddClick();

    EXPECT_TRUE(blankRefused);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_EQ(FMessages[0], "ALPHA\r\nThis template already exists.  Please enter unique name.");
    ASSERT_EQ(FList.Count(), 4u);
    EXPECT_EQ(FList[0]->Name, "Delta");
    EXPECT_EQ(FList[0]->Kind, TBookCover::KindTemplate);
    EXPECT_EQ(Entries(dialog.cbTemplates), QStringList({" Alpha", " Delta"}));
    EXPECT_EQ(dialog.SelectedTemplate(), FList[0]);
    EXPECT_EQ(dialog.txtItemName->text(), "Delta");
    EXPECT_TRUE(dialog.btnApply->isEnabled());
    EXPECT_TRUE(dialog.Changed());

    // Cancel adds nothing.
    WhenModal<TInputDlgFrm>([](TInputDlgFrm* input) {
        input->txtValue->setText("Never");
        QTest::mouseClick(input->btnCancel, Qt::LeftButton);
    });
    dialog.btnAddClick();
    EXPECT_EQ(FList.Count(), 4u);

    // The reserved key name cannot become a template that would vanish.
    WhenModal<TInputDlgFrm>([](TInputDlgFrm* input) {
        input->txtValue->setText("ttemplateitem");
        QTest::mouseClick(input->btnOK, Qt::LeftButton);
        EXPECT_TRUE(input->isVisible());
        QTest::mouseClick(input->btnCancel, Qt::LeftButton);
    });
    dialog.btnAddClick();
    EXPECT_EQ(FList.Count(), 4u);
    EXPECT_TRUE(FMessages.last().contains("This name is reserved"));
}

TEST_F(TemplatesDlgTest, DeletingTheLastAndTheOnlyEntry)
{
    WriteSettingsFile("[Templates]\nA\\FrontImage=/a.jpg\nB\\FrontImage=/b.jpg\nC\\FrontImage=/c.jpg\n");
    auto store = OpenStore();
    FillList(*store);
    TTemplatesFrm dialog(FList, store.get());

    // "No" deletes nothing.
    FAnswer = mrNo;
    dialog.btnDeleteClick();
    EXPECT_EQ(dialog.cbTemplates->count(), 3);
    EXPECT_FALSE(dialog.Changed());
    EXPECT_EQ(FMessages.last(), "A\r\nSelected template will be permanently deleted.\r\n\r\nDo you want to continue ?");

    FAnswer = mrYes;
    dialog.cbTemplates->setCurrentIndex(2);
    dialog.btnDeleteClick(); // the last: the new last is selected
    EXPECT_EQ(Entries(dialog.cbTemplates), QStringList({" A", " B"}));
    EXPECT_EQ(dialog.cbTemplates->currentIndex(), 1);
    EXPECT_EQ(dialog.txtItemName->text(), "B");
    dialog.cbTemplates->setCurrentIndex(0);
    dialog.btnDeleteClick(); // the first: the one now at its place
    EXPECT_EQ(dialog.txtItemName->text(), "B");
    dialog.btnDeleteClick(); // the only one
    EXPECT_EQ(dialog.cbTemplates->count(), 0);
    EXPECT_TRUE(dialog.txtItemName->text().isEmpty());
    EXPECT_TRUE(dialog.txtFrontImage->text().isEmpty());
    EXPECT_FALSE(dialog.btnDelete->isEnabled());
    EXPECT_FALSE(dialog.btnApply->isEnabled());
    dialog.txtItemName->setText("Something"); // no template to apply a name to
    EXPECT_FALSE(dialog.btnApply->isEnabled());
    EXPECT_TRUE(dialog.Changed());
    // The documents stay in the window's list, marked deleted.
    ASSERT_EQ(FList.Count(), 5u);
    for (std::size_t i = 2; i < FList.Count(); ++i)
        EXPECT_TRUE(FList[i]->Deleted);
}

TEST_F(TemplatesDlgTest, ApplyRenamesRepointsAndRefusesDuplicates)
{
    const QString side = MakeFile("side.bmp");
    WriteSettingsFile(QString("[Templates]\nBox\\FrontImage=/gone/front.jpg\nBox\\SideImage=%1\nCrate\\FrontImage=/c.jpg\n")
                          .arg(side)
                          .toUtf8());
    auto store = OpenStore();
    FillList(*store);
    TBookCover* box = FList[2];
    TTemplatesFrm dialog(FList, store.get());
    ASSERT_EQ(dialog.SelectedTemplate(), box);

    // A name that another template has (in another case) is refused and nothing changes.
    dialog.txtItemName->setText("crate");
    dialog.btnApplyClick();
    EXPECT_EQ(FMessages.last(), "crate\r\nThis template already exists.  Please enter unique name.");
    EXPECT_EQ(box->Name, "Box");
    EXPECT_FALSE(dialog.Changed());

    // Blank image fields change only the name; the entry shows it at its sorted place.
    const QByteArray sideBytes = box->Faces[1].Original;
    dialog.txtItemName->setText("  Zebra ");
    dialog.btnApplyClick();
    EXPECT_EQ(box->Name, "Zebra");
    EXPECT_EQ(box->Faces[1].FileName, side);
    EXPECT_EQ(box->Faces[1].Original, sideBytes);
    EXPECT_TRUE(box->Faces[0].FileName.isEmpty());
    EXPECT_EQ(Entries(dialog.cbTemplates), QStringList({" Crate", " Zebra"}));
    EXPECT_EQ(dialog.SelectedTemplate(), box);
    EXPECT_TRUE(dialog.Changed());
    EXPECT_TRUE(FMessages.size() == 1);

    // A missing file is reported by its name in capitals; the other faces still load.
    const QString front = MakeFile("front.bmp");
    dialog.txtFrontImage->setText(front);
    dialog.txtTopImage->setText(FDir.path() + "/no/such top.gif");
    dialog.btnApplyClick();
    EXPECT_EQ(FMessages.last(), "SUCH TOP.GIF\r\nThe required file cannot be found.");
    EXPECT_EQ(box->Faces[0].FileName, front);
    EXPECT_FALSE(box->Faces[0].Original.isEmpty());
    EXPECT_TRUE(box->Faces[2].FileName.isEmpty());
    // Applying the same name again is no rename and no duplicate.
    dialog.btnApplyClick();
    EXPECT_EQ(box->Name, "Zebra");

    // At exit the old key goes and the new one keeps what it had.
    for (const auto& cover : FList)
        cover->SaveFaces();
    store->Close();
    auto reopened = OpenStore();
    EXPECT_EQ(reopened->ListNames(), QStringList({"Crate", "Zebra"}));
    EXPECT_EQ(reopened->ReadValue("Zebra", "FrontImage"), front);
    EXPECT_EQ(reopened->ReadValue("Zebra", "SideImage"), side);
}

TEST_F(TemplatesDlgTest, DeletedAndAddedAgainUnderTheSameNameSurvivesTheExit)
{
    WriteSettingsFile("[Templates]\nAlpha\\FrontImage=/gone/a.jpg\nBeta\\FrontImage=/b.jpg\n");
    auto store = OpenStore();
    FillList(*store);
    TTemplatesFrm dialog(FList, store.get());
    dialog.btnDeleteClick(); // Alpha
    WhenModal<TInputDlgFrm>([](TInputDlgFrm* input) {
        input->txtValue->setText("alpha");
        QTest::mouseClick(input->btnOK, Qt::LeftButton);
    });
    dialog.btnAddClick();
    EXPECT_EQ(Entries(dialog.cbTemplates), QStringList({" alpha", " Beta"}));

    for (const auto& cover : FList)
        cover->SaveFaces();
    store->Close();
    auto reopened = OpenStore();
    EXPECT_EQ(reopened->ListNames(), QStringList({"alpha", "Beta"}));
    EXPECT_EQ(reopened->ReadValue("alpha", "FrontImage"), "/gone/a.jpg");
}

TEST_F(TemplatesDlgTest, BrowseFollowsTheFocusedImageField)
{
    WriteSettingsFile("[Templates]\nBox\\FrontImage=/f.jpg\n");
    auto store = OpenStore();
    FillList(*store);
    TTemplatesFrm dialog(FList, store.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.OpenTarget(), dialog.txtFrontImage);

    TTemplatesFrm::SetPicturePicker([](QWidget*, const QString&) { return QStringLiteral("/pictures/side.png"); });
    dialog.activateWindow();
    dialog.txtSideImage->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.OpenTarget() == dialog.txtSideImage; }));
    // The layout places the button on the field's line when it next runs.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return dialog.btnOpen->geometry().center().y() == dialog.txtSideImage->geometry().center().y(); }));
    QTest::mouseClick(dialog.btnOpen, Qt::LeftButton);
    EXPECT_EQ(dialog.txtSideImage->text(), "/pictures/side.png");
    EXPECT_TRUE(dialog.txtFrontImage->text().isEmpty()); // its file was missing, so it has no name

    // A cancelled file dialog leaves the field alone.
    TTemplatesFrm::SetPicturePicker([](QWidget*, const QString&) { return QString(); });
    QTest::mouseClick(dialog.btnOpen, Qt::LeftButton);
    EXPECT_EQ(dialog.txtSideImage->text(), "/pictures/side.png");

    // The built-in dialog is the picture open dialog with its preview: it opens in the shared
    // folder, moves it to the chosen file's and offers that file's extension next time.
    TTemplatesFrm::SetPicturePicker({});
    QDir().mkpath(FDir.path() + "/art");
    const QString chosen = FDir.path() + "/art/top.bmp";
    TBitmap32 art(30, 20);
    art.Clear(Color32(200, 10, 10));
    WriteImageFile(art, chosen);
    SetLastFolder(FDir.path());
    dialog.txtTopImage->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.OpenTarget() == dialog.txtTopImage; }));
    QString openedIn, previewed, offered;
    auto choose = [&] {
        QTimer::singleShot(0, [&] {
            auto* files = qobject_cast<TPictureOpenDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(files, nullptr);
            openedIn = files->directory().absolutePath();
            offered = files->defaultSuffix();
            files->selectFile(chosen);
            (void)QTest::qWaitFor([&] { return files->SizeLabel()->text() != "Picture:"; }, 5000);
            previewed = files->SizeLabel()->text();
            static_cast<QDialog*>(files)->accept(); // the file dialog's own accept checks the choice
        });
        QTest::mouseClick(dialog.btnOpen, Qt::LeftButton);
    };
    choose();
    EXPECT_EQ(openedIn, QDir(FDir.path()).absolutePath());
    EXPECT_EQ(previewed, " (30x20)");
    EXPECT_EQ(offered, "png") << "the extension of side.png, chosen before";
    EXPECT_EQ(dialog.txtTopImage->text(), chosen);
    EXPECT_EQ(LastFolder(), FDir.path() + "/art/");
    choose();
    EXPECT_EQ(openedIn, QDir(FDir.path() + "/art").absolutePath());
    EXPECT_EQ(offered, "bmp");
}

TEST_F(TemplatesDlgTest, EditTemplatesAnswersWhetherAnythingChanged)
{
    WriteSettingsFile("[Templates]\nBox\\FrontImage=/f.jpg\n");
    auto store = OpenStore();
    FillList(*store);
    EXPECT_FALSE(EditTemplates(nullptr, nullptr, store.get()));

    auto closeWith = [](bool applyFirst) {
        QTimer::singleShot(0, [applyFirst] {
            auto* dialog = qobject_cast<TTemplatesFrm*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (applyFirst)
                dialog->btnApplyClick();
            dialog->reject(); // closing the window counts the same as Done
        });
    };
    closeWith(false);
    EXPECT_FALSE(EditTemplates(nullptr, &FList, store.get()));
    closeWith(true);
    EXPECT_TRUE(EditTemplates(nullptr, &FList, store.get()));
}

TEST_F(TemplatesDlgTest, AFileDroppedOnAnImageFieldFillsItsPath)
{
    auto store = OpenStore();
    FillList(*store);
    TTemplatesFrm dialog(FList, store.get());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/pictures/front side.png")});
    data.setText("file:///pictures/front%20side.png");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(dialog.txtSideImage, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(dialog.txtSideImage, &drop);
    EXPECT_EQ(dialog.txtSideImage->text(), "/pictures/front side.png");
}
