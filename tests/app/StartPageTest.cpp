// The start page on its own controls, with a real preview view under Xvfb.
#include "app/StartPage.h"
#include "templates/StoreFixture.h"
#include "common/TestBitmaps.h"
#include "common/WhenModal.h"

#include "cover/BookCover.h"
#include "cover/ImageViewInfo.h"
#include "document/TavloDocument.h"
#include "render/D3DWin.h"
#include "render/Transfrm.h"
#include "templates/InputDlg.h"
#include "templates/TemplatesDlg.h"
#include "ui/HTMLabel.h"
#include "ui/MsgBox.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>
#include <gtest/gtest.h>

namespace {

class StartPageTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        SetMessageHandler([this](const TMessageRequest& request) {
            FMessages << request.Text;
            return int(mrYes);
        });
        FFront = SavePicture(FDir.filePath("front.bmp"), QSize(120, 160), Qt::red);
        FSide = SavePicture(FDir.filePath("side.bmp"), QSize(30, 160), Qt::blue);
    }
    void TearDown() override
    {
        FPage.reset();
        SetMessageHandler({});
    }

    // Stores the named templates, each with the test's front and side pictures.
    void Templates(const QStringList& names, const QString& extra = {})
    {
        QString ini = "[Templates]\n" + extra;
        for (const QString& n : names)
            ini += QString("%1\\FrontImage=%2\n%1\\SideImage=%3\n").arg(n, FFront, FSide);
        WriteSettingsText(ini);
    }

    // Builds the page as the window does at start-up; withView: OpenGL is ready.
    int Build(bool withView = true)
    {
        FWindow = std::make_unique<QWidget>();
        FWindow->resize(1000, 600);
        C.Page = FWindow.get();
        C.lblStart = new THTMLabel(C.Page);
        C.lblTemplates = new THTMLabel(C.Page);
        C.lblBookType = new THTMLabel(C.Page);
        C.lbxCollection = new QListWidget(C.Page);
        C.cmbStartType = new QComboBox(C.Page);
        for (int i = 0; i < BookTypeCount; ++i)
            C.cmbStartType->addItem(QLatin1Char(' ') + BookTypeName(TBookType(i)), i);
        C.pnlAboutExp = new QWidget(C.Page);
        C.imgPicture = new QLabel(C.pnlAboutExp);
        FStore.Open(FDir.path() + "/");

        TStartPageHost host;
        host.ConfirmDiscard = [this] { return FGoOn; };
        host.ClearFaceEditor = [this] { ++FFaceEditorCleared; };
        host.SetNextEnabled = [this](bool on) { FNextEnabled = on; };
        host.Next = [this] { ++FNextClicks; };
        host.FlatDrawing = FlatPreviewDrawing([this](const QString& message) { FMessages << message; });
        FPage = std::make_unique<TStartPage>(C, FTemplates, FDocument, FStore, host);
        FPage->SetEditGlyph(&FGlyph);
        FWindow->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(FWindow.get()));
        FPage->Layout();
        const int initial = FPage->FillTemplateList();
        if (withView) {
            bool ok = false;
            FView = new TD3DWin(C.pnlAboutExp, ok);
            EXPECT_TRUE(ok);
            FPage->SetPreviewView(FView, FView);
        }
        FPage->Start(initial);
        return initial;
    }

    QStringList Entries() const
    {
        QStringList texts;
        for (int i = 0; i < C.lbxCollection->count(); ++i)
            texts << C.lbxCollection->item(i)->text();
        return texts;
    }

    QString FFront, FSide;
    TTemplateStore FStore;
    TListEx<TBookCover> FTemplates;
    TTavloDocument FDocument;
    TStartPageControls C;
    std::unique_ptr<QWidget> FWindow;
    std::unique_ptr<TStartPage> FPage;
    TD3DWin* FView = nullptr;
    QImage FGlyph = TStartPage::MakeEditGlyph();
    QStringList FMessages;
    bool FGoOn = true, FNextEnabled = false;
    int FNextClicks = 0, FFaceEditorCleared = 0;
    // The template entry the document was made from.
    TBookCover* Applied() const { return FPage->AppliedCover(); }
};

} // namespace

TEST_F(StartPageTest, EmptyStoreListsTheFixedEntriesAndSeparatorsChangeNothing)
{
    EXPECT_EQ(Build(), 0);
    const QString separator(68, '-');
    EXPECT_EQ(Entries(), QStringList({" None Selected", separator, " Edit Templates...", separator}));
    ASSERT_NE(Applied(), nullptr);
    EXPECT_EQ(std::tuple(Applied()->Kind, FTemplates.IndexOf(Applied()), FPage->CoverAt(1), FPage->CoverAt(2)->Kind),
              std::tuple(TBookCover::KindNone, 0, nullptr, TBookCover::KindEditEntry));
    // Blank faces: Next leads on; there is nothing to preview.
    EXPECT_TRUE(FNextEnabled);
    EXPECT_EQ(FPage->PreviewCaption(), "No Preview Available");
    EXPECT_FALSE(FView->isVisible());
    // A separator disables Next and the type and changes nothing else.
    TBookCover* blank = Applied();
    const int cleared = FFaceEditorCleared;
    for (int row : {1, 3, 0}) {
        C.lbxCollection->setCurrentRow(row);
        EXPECT_EQ(std::tuple(FNextEnabled, C.cmbStartType->isEnabled(), Applied(), FFaceEditorCleared),
                  std::tuple(row == 0, row == 0, blank, cleared))
            << row;
    }
}

TEST_F(StartPageTest, TemplatesListedGreyOrReadyAndChangedOnlyWhenTheUserAgrees)
{
    Templates({"Box", "Crate"}, "Aardvark\\FrontImage=/nowhere/front.bmp\nListy\\FrontImage=one, two\n");
    EXPECT_EQ(Build(), 5);
    EXPECT_EQ(Entries().mid(4), QStringList({" Aardvark", " Box", " Crate", " Listy"}));
    TBookCover* box = Applied();
    EXPECT_EQ(std::tuple(box->Name, FNextEnabled, FPage->PreviewShown()), std::tuple(QString("Box"), true, true));
    // A value of another type is listed, incomplete, and reported.
    EXPECT_EQ(FMessages, QStringList{"Listy\r\nInvalid data type for 'FrontImage'."});
    EXPECT_EQ(FPage->CoverAt(7)->Kind, TBookCover::KindTemplate);
    EXPECT_FALSE(FPage->CoverAt(7)->IsComplete());

    // A type change redraws the preview and is the document's type, a step of its history.
    const QImage before = FView->LastFrameImage();
    C.cmbStartType->setCurrentIndex(4); // CD Cover
    EXPECT_NE(FView->LastFrameImage(), before);
    EXPECT_EQ(std::pair(FDocument.Type(), FDocument.Modified()), std::pair(btCDCover, true));
    C.cmbStartType->setCurrentIndex(0);
    EXPECT_EQ(FDocument.Type(), btTwoSidedBox);
    EXPECT_EQ(FView->LastFrameImage(), before);
    FDocument.SettingsStack()->undo();
    EXPECT_EQ(C.cmbStartType->currentIndex(), 4); // the page follows the document
    FDocument.SettingsStack()->undo();
    EXPECT_EQ(std::tuple(C.cmbStartType->currentIndex(), FDocument.Modified()), std::tuple(0, false));

    // The user edited the front base picture and its face record: the document's, not the entry's.
    FDocument.Cover().Faces[0].Current = "edited";
    FDocument.FaceRecord(0).Bitmap.SetSize(10, 10);
    EXPECT_EQ(box->Faces[0].Current, box->Faces[0].Original);
    FGoOn = false; // Cancel in the save question
    const int cleared = FFaceEditorCleared;
    C.lbxCollection->setCurrentRow(6);
    EXPECT_EQ(Applied(), box);
    EXPECT_EQ(FFaceEditorCleared, cleared);
    EXPECT_FALSE(FDocument.FaceRecord(0).Bitmap.Empty());
    EXPECT_EQ(C.lbxCollection->currentRow(), 5); // back on the work in use

    // A template whose files are missing can still be applied; it has no preview. The faces
    // are cleared and the edits dropped.
    FGoOn = true;
    C.lbxCollection->setCurrentRow(4);
    EXPECT_EQ(std::tuple(FDocument.Cover().Name, FFaceEditorCleared, FNextEnabled, FPage->PreviewCaption(), FView->isVisible()),
              std::tuple(QString("Aardvark"), cleared + 1, true, QString("No Preview Available"), false));
    EXPECT_TRUE(FDocument.FaceRecord(0).Bitmap.Empty());
    // Chosen again, the box comes from its files, without the edits.
    C.lbxCollection->setCurrentRow(5);
    EXPECT_EQ(FDocument.Cover().Faces[0].Current, box->Faces[0].Original);
}

TEST_F(StartPageTest, EditTemplatesOpensTheDialogAndTheRebuildAppliesTheFirstComplete)
{
    Templates({"Box"}, "Aardvark\\FrontImage=/nowhere.bmp\n");
    Build();
    ASSERT_EQ(FDocument.Cover().Name, "Box");

    // Closed without a change: the template in use is selected and highlighted again, its faces kept.
    WhenModal<TTemplatesFrm>([&](TTemplatesFrm* dialog) { dialog->reject(); });
    const int cleared = FFaceEditorCleared;
    C.lbxCollection->setCurrentRow(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(C.lbxCollection->selectedItems(), QList<QListWidgetItem*>{C.lbxCollection->item(5)});
    EXPECT_EQ(std::tuple(FDocument.Cover().Name, FFaceEditorCleared, FNextEnabled, FPage->PreviewShown()),
              std::tuple(QString("Box"), cleared, true, true));

    // A template added there: the list is rebuilt (added ones first) and the first complete
    // template is applied.
    WhenModal<TTemplatesFrm>([&](TTemplatesFrm* dialog) {
        WhenModal<TInputDlgFrm>([](TInputDlgFrm* input) {
            input->txtValue->setText("Zulu");
            input->btnOK->click();
        });
        dialog->btnAddClick();
        dialog->txtFrontImage->setText(FFront);
        dialog->txtSideImage->setText(FSide);
        dialog->btnApplyClick();
        dialog->accept();
    });
    C.lbxCollection->setCurrentRow(0);
    C.lbxCollection->setCurrentRow(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(Entries().mid(4), QStringList({" Zulu", " Aardvark", " Box"}));
    EXPECT_EQ(std::tuple(C.lbxCollection->currentRow(), FDocument.Cover().Name, FPage->PreviewShown()), std::tuple(4, QString("Zulu"), true));
}

TEST_F(StartPageTest, WithoutOpenGLTheFlatDrawingIsShownAndNextStaysDisabled)
{
    Templates({"Box"});
    Build(false);
    EXPECT_EQ(std::tuple(FDocument.Cover().Name, FNextEnabled, FPage->PreviewShown(), C.imgPicture->pixmap().isNull(), FPage->PreviewCaption()),
              std::tuple(QString("Box"), false, true, false, QString()));
    // The book cover has no flat drawing: the user is told and no picture is left.
    C.cmbStartType->setCurrentIndex(2);
    EXPECT_EQ(FMessages.last(), "Not implemented yet.");
    EXPECT_EQ(FPage->PreviewCaption(), "No Preview Available");
    // A double-click on the picture acts as Next; showing it or a single click does not.
    QTest::mouseClick(C.imgPicture, Qt::LeftButton);
    C.imgPicture->repaint();
    EXPECT_EQ(FNextClicks, 0);
    QTest::mouseDClick(C.imgPicture, Qt::LeftButton);
    EXPECT_EQ(FNextClicks, 1);
}
