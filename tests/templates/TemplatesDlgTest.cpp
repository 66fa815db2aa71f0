#include "StoreFixture.h"

#include "cover/BookCover.h"
#include "cover/MissingFile.h"
#include "imageio/dialog/PictureOpenDialog.h"
#include "templates/InputDlg.h"
#include "templates/TemplatesDlg.h"
#include "ui/MsgBox.h"
#include "common/MessageLog.h"
#include "common/TestBitmaps.h"
#include "common/WhenModal.h"

#include <QtWidgets>
#include <QTest>

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
        FLog.Answer = mrYes;
        // As the program shows them: in a message box, logged here with the others.
        FPreviousReporter = SetMissingFileReporter([](const QString& text) { ShowInfo(text); });
    }
    void TearDown() override
    {
        SetMissingFileReporter(FPreviousReporter);
        TTemplatesFrm::SetPicturePicker({});
    }

    // Opens the store on `ini` and builds the window's list as the start page does: the fixed
    // entries, then the templates.
    void Start(const QByteArray& ini)
    {
        WriteSettingsFile(ini);
        FStore = OpenStore();
        FList.Add(std::make_unique<TBookCover>(TBookCover::KindNone, QString()));
        FList.Add(std::make_unique<TBookCover>(TBookCover::KindEditEntry, QString()));
        for (const QString& name : FStore->ListNames())
            FList.Add(std::make_unique<TBookCover>(TBookCover::KindTemplate, name, FStore.get()));
    }
    // The exit write of the main window; the answer is the store of the next start.
    std::unique_ptr<TTemplateStore> Restart()
    {
        for (const auto& cover : FList)
            cover->SaveFaces();
        FStore->Close();
        return OpenStore();
    }

    QString MakeFile(const QString& name) const { return SavePicture(FDir.filePath(name), {4, 3}, Qt::red); }

    std::unique_ptr<TTemplateStore> FStore;
    TListEx<TBookCover> FList;
    TMessageLog FLog;
    TMissingFileReporter FPreviousReporter;
};

} // namespace

TEST_F(TemplatesDlgTest, ListsLiveTemplatesSortedAndShowsTheFirst)
{
    Start("[Templates]\ngamma\\FrontImage=/g/front.jpg\nAlpha\\FrontImage=/missing/front.jpg\nbeta\\SideImage=/b/side.jpg\n"
          "Zed\\FrontImage=/z.jpg\n");
    FList[FList.Count() - 1]->Deleted = true; // "Zed"
    const QString front = MakeFile("front.bmp");
    FList[2]->SetFaceFiles(QString(), front, QString(), QString()); // "Alpha" gets a real file

    TTemplatesFrm dialog(FList, FStore.get());
    EXPECT_EQ(Entries(dialog.cbTemplates), QStringList({" Alpha", " beta", " gamma"}));
    EXPECT_EQ(std::tuple(dialog.cbTemplates->currentIndex(), dialog.txtItemName->text(), dialog.txtFrontImage->text()),
              std::tuple(0, QString("Alpha"), front));
    EXPECT_TRUE(dialog.btnDelete->isEnabled() && dialog.btnApply->isEnabled());
    dialog.txtItemName->setText("   "); // blanks only: Apply is disabled again
    EXPECT_FALSE(dialog.btnApply->isEnabled());
    // Choosing another entry shows its fields (and the name again enables Apply).
    dialog.cbTemplates->setCurrentIndex(2);
    // (gamma's file was missing at start-up, so it shows no name.)
    EXPECT_EQ(std::tuple(dialog.txtItemName->text(), dialog.txtFrontImage->text(), dialog.btnApply->isEnabled()),
              std::tuple(QString("gamma"), QString(), true));
}

TEST_F(TemplatesDlgTest, AddRefusesDuplicatesAndBlanksAndInsertsAtTheHead)
{
    Start("[Templates]\nAlpha\\FrontImage=/a.jpg\n");
    TTemplatesFrm dialog(FList, FStore.get());
    bool stayedOpen = false, blankRefused = false;
    WhenModal<TInputDlgFrm>([&](TInputDlgFrm* input) {
        input->txtValue->setText("   ");
        blankRefused = !input->btnOK->isEnabled();
        input->txtValue->setText("ALPHA");
        QTest::mouseClick(input->btnOK, Qt::LeftButton);
        stayedOpen = input->isVisible() && input->focusWidget() == input->txtValue;
        input->txtValue->setText("ttemplateitem"); // the reserved key name, which would vanish
        QTest::mouseClick(input->btnOK, Qt::LeftButton);
        stayedOpen = stayedOpen && input->isVisible();
        input->txtValue->setText("  Delta  ");
        QTest::mouseClick(input->btnOK, Qt::LeftButton);
    });
    dialog.btnAddClick();
    EXPECT_TRUE(blankRefused && stayedOpen);
    EXPECT_EQ(FLog.Texts(), QStringList({"ALPHA\r\nThis template already exists.  Please enter unique name.",
                                        "ttemplateitem\r\nThis name is reserved.  Please enter another name."}));
    ASSERT_EQ(FList.Count(), 4u);
    // (Only stored templates are listed, and the name field shows the selected one's name.)
    EXPECT_EQ(std::pair(dialog.SelectedTemplate(), dialog.txtItemName->text()), std::pair(FList[0], QString("Delta")));
    EXPECT_TRUE(dialog.btnApply->isEnabled() && dialog.Changed());
    WhenModal<TInputDlgFrm>([](TInputDlgFrm* input) { QTest::mouseClick(input->btnCancel, Qt::LeftButton); });
    dialog.btnAddClick(); // cancelled: adds nothing
    EXPECT_EQ(FList.Count(), 4u);
}

TEST_F(TemplatesDlgTest, DeletingTheLastTheFirstAndTheOnlyEntryThenAddingAgain)
{
    Start("[Templates]\nA\\FrontImage=/gone/a.jpg\nB\\FrontImage=/b.jpg\nC\\FrontImage=/c.jpg\n");
    TTemplatesFrm dialog(FList, FStore.get());
    FLog.Answer = mrNo; // deletes nothing
    dialog.btnDeleteClick();
    EXPECT_EQ(dialog.cbTemplates->count(), 3);
    EXPECT_FALSE(dialog.Changed());
    EXPECT_EQ(FLog.Texts().last(), "A\r\nSelected template will be permanently deleted.\r\n\r\nDo you want to continue ?");

    FLog.Answer = mrYes;
    dialog.cbTemplates->setCurrentIndex(2);
    dialog.btnDeleteClick(); // the last: the new last is selected
    EXPECT_EQ(Entries(dialog.cbTemplates), QStringList({" A", " B"}));
    EXPECT_EQ(std::pair(dialog.cbTemplates->currentIndex(), dialog.txtItemName->text()), std::pair(1, QString("B")));
    dialog.cbTemplates->setCurrentIndex(0);
    dialog.btnDeleteClick(); // the first: the one now at its place
    EXPECT_EQ(dialog.txtItemName->text(), "B");
    dialog.btnDeleteClick(); // the only one
    EXPECT_EQ(dialog.cbTemplates->count(), 0);
    EXPECT_TRUE(dialog.txtItemName->text().isEmpty() && dialog.txtFrontImage->text().isEmpty());
    EXPECT_FALSE(dialog.btnDelete->isEnabled() || dialog.btnApply->isEnabled());
    dialog.txtItemName->setText("Something"); // no template to apply a name to
    EXPECT_FALSE(dialog.btnApply->isEnabled());
    EXPECT_TRUE(dialog.Changed());

    // The deleted documents stay in the list and their keys go at exit, except one added again.
    WhenModal<TInputDlgFrm>([](TInputDlgFrm* input) {
        input->txtValue->setText("a");
        QTest::mouseClick(input->btnOK, Qt::LeftButton);
    });
    dialog.btnAddClick();
    EXPECT_EQ(Restart()->ListNames(), QStringList({"a"}));
}

TEST_F(TemplatesDlgTest, ApplyRenamesRepointsAndRefusesDuplicates)
{
    const QString side = MakeFile("side.bmp");
    Start(QString("[Templates]\nBox\\FrontImage=/gone/front.jpg\nBox\\SideImage=%1\nCrate\\FrontImage=/c.jpg\n").arg(side).toUtf8());
    TBookCover* box = FList[2];
    TTemplatesFrm dialog(FList, FStore.get());
    ASSERT_EQ(dialog.SelectedTemplate(), box);

    // A name that another template has (in another case) is refused and nothing changes.
    dialog.txtItemName->setText("crate");
    dialog.btnApplyClick();
    EXPECT_EQ(FLog.Texts().last(), "crate\r\nThis template already exists.  Please enter unique name.");
    EXPECT_EQ(std::pair(box->Name, dialog.Changed()), std::pair(QString("Box"), false));

    // Blank image fields change only the name; the entry shows it at its sorted place.
    const QByteArray sideBytes = box->Faces[1].Original;
    dialog.txtItemName->setText("  Zebra ");
    dialog.btnApplyClick();
    EXPECT_EQ(std::tuple(box->Name, box->Faces[1].FileName, box->Faces[1].Original, box->Faces[0].FileName),
              std::tuple(QString("Zebra"), side, sideBytes, QString()));
    EXPECT_EQ(Entries(dialog.cbTemplates), QStringList({" Crate", " Zebra"}));
    EXPECT_EQ(dialog.SelectedTemplate(), box);
    EXPECT_TRUE(dialog.Changed() && FLog.Asked.size() == 1); // loading the templates reported nothing

    // The image fields load their files (a missing one is left out).
    const QString front = MakeFile("front.bmp");
    dialog.txtFrontImage->setText(front);
    dialog.txtTopImage->setText(FDir.path() + "/no/such top.gif");
    dialog.btnApplyClick();
    EXPECT_EQ(std::pair(box->Faces[0].FileName, box->Faces[2].FileName), std::pair(front, QString()));

    // At exit the old key goes and the new one keeps what it had.
    auto reopened = Restart();
    EXPECT_EQ(reopened->ListNames(), QStringList({"Crate", "Zebra"}));
    EXPECT_EQ(std::pair(reopened->ReadValue("Zebra", "FrontImage"), reopened->ReadValue("Zebra", "SideImage")),
              std::pair(front, side));
}

TEST_F(TemplatesDlgTest, BrowseAndDropFillTheImageFields)
{
    Start("[Templates]\nBox\\FrontImage=/f.jpg\n");
    TTemplatesFrm dialog(FList, FStore.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.OpenTarget(), dialog.txtFrontImage);

    TTemplatesFrm::SetPicturePicker([](QWidget*, const QString&) { return QStringLiteral("/pictures/side.png"); });
    dialog.activateWindow();
    dialog.txtSideImage->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.OpenTarget() == dialog.txtSideImage; }))
        << "Browse did not aim at the side field within 5 s";
    QTest::mouseClick(dialog.btnOpen, Qt::LeftButton);
    EXPECT_EQ(dialog.txtSideImage->text(), "/pictures/side.png");
    // The next browse offers the extension last chosen; a cancel leaves the field as it was.
    QString offered;
    TTemplatesFrm::SetPicturePicker([&](QWidget*, const QString& extension) {
        offered = extension;
        return QString();
    });
    QTest::mouseClick(dialog.btnOpen, Qt::LeftButton);
    EXPECT_EQ(std::pair(dialog.txtSideImage->text(), offered), std::pair(QString("/pictures/side.png"), QString("png")));
    // Without a picker of the test's, the program's picture open dialog with its preview.
    TTemplatesFrm::SetPicturePicker({});
    bool opened = false;
    WhenModal<TPictureOpenDialog>([&](TPictureOpenDialog* files) {
        opened = true;
        files->reject();
    });
    QTest::mouseClick(dialog.btnOpen, Qt::LeftButton);
    EXPECT_TRUE(opened);
    EXPECT_FALSE(EditTemplates(nullptr, nullptr, FStore.get())); // no list: nothing to edit

    // A file dropped on an image field fills in its path.
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

TEST_F(TemplatesDlgTest, TheTypeChoiceShowsAndAppliesTheTemplatesStoredType)
{
    Start("[Templates]\nBox\\FrontImage=/b.jpg\nBox\\BookType=CD Cover\nPlain\\FrontImage=/p.jpg\n");
    TBookCover* box = FList[2];
    TBookCover* plain = FList[3];
    TTemplatesFrm dialog(FList, FStore.get());
    ASSERT_EQ(dialog.cmbBookType->count(), 1 + BookTypeCount);
    EXPECT_EQ(std::pair(dialog.cmbBookType->itemText(0), dialog.cmbBookType->itemText(1 + btWideBox)),
              std::pair(QString(" None"), QString(" Wide Box")));
    const auto shown = [&] { return dialog.cmbBookType->currentText(); };
    EXPECT_EQ(shown(), " CD Cover");
    // A choice without Apply is forgotten when another entry is shown.
    dialog.cmbBookType->setCurrentIndex(1 + btBookCover);
    dialog.cbTemplates->setCurrentIndex(1);
    EXPECT_EQ(shown(), " None");
    dialog.cbTemplates->setCurrentIndex(0);
    EXPECT_EQ(std::pair(shown(), box->StoredType), std::pair(QString(" CD Cover"), std::optional(btCDCover)));

    // Apply takes the choice: none for the box; a type, with a new name, for the other.
    dialog.cmbBookType->setCurrentIndex(0);
    dialog.btnApplyClick();
    dialog.cbTemplates->setCurrentIndex(1);
    dialog.txtItemName->setText("Paper");
    dialog.cmbBookType->setCurrentIndex(1 + btThreeSidedBox);
    dialog.btnApplyClick();
    EXPECT_EQ(std::pair(box->StoredType, plain->StoredType), std::pair(std::optional<TBookType>(), std::optional(btThreeSidedBox)));

    auto reopened = Restart();
    EXPECT_EQ(reopened->ListNames(), QStringList({"Box", "Paper"}));
    EXPECT_EQ(std::tuple(reopened->ReadValue("Box", "BookType"), reopened->ReadValue("Paper", "BookType"),
                         reopened->ReadValue("Paper", "FrontImage")),
              std::tuple(QString(), QString("Three Sided Box"), QString("/p.jpg")));
}
