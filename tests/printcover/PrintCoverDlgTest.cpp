// "Import Print Cover...": the start page's button opens the dialog, which refuses a cover of
// the wrong size, draws the cuts over a fitting one and makes a Book Cover (a Thin Book for a
// thin spine) with the front and spine cut at 300 dpi, after the unsaved-changes question.
#include "WrapCoverPainter.h"
#include "common/WhenModal.h"
#include "templates/StoreFixture.h"

#include "app/CoverCutView.h"
#include "app/PrintCoverDlg.h"
#include "app/StartPage.h"
#include "document/TavloDocument.h"
#include "render/D3DWin.h"
#include "render/Transfrm.h"
#include "ui/HTMLabel.h"
#include "ui/MsgBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPdfWriter>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

int Distance(QColor a, QColor b)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

// At how many points of the segment from a to b (vertical or horizontal) the line across it,
// three pixels wide, shows colour.
int PixelsOf(const QImage& image, QPoint a, QPoint b, QColor colour)
{
    const bool vertical = a.x() == b.x();
    int count = 0;
    for (int x = a.x(), y = a.y(); x <= b.x() && y <= b.y(); vertical ? ++y : ++x) {
        bool found = false;
        for (int d = -1; d <= 1; ++d)
            found = found || Distance(image.pixelColor(vertical ? x + d : x, vertical ? y : y + d), colour) < 40;
        count += found;
    }
    return count;
}

void ExpectFace(const TBitmap32& face, QSize size, QColor colour)
{
    ASSERT_EQ(face.Size(), size);
    for (QPoint p : {QPoint(3, 3), QPoint(size.width() - 4, size.height() - 4)})
        EXPECT_LT(Distance(QColor::fromRgba(face.Pixel(p.x(), p.y())), colour), 24) << p.x() << "," << p.y();
}

class PrintCoverDlgTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        SetMessageHandler([this](const TMessageRequest& request) {
            FMessages << request.Text;
            return int(mrYes);
        });
    }
    void TearDown() override
    {
        FPage.reset();
        SetMessageHandler({});
    }

    // The start page on controls of its own, as the window builds it (without the 3D view).
    void BuildPage()
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
            C.cmbStartType->addItem(BookTypeName(TBookType(i)), i);
        C.pnlAboutExp = new QWidget(C.Page);
        C.imgPicture = new QLabel(C.pnlAboutExp);
        FStore.Open(FDir.path() + "/");
        TStartPageHost host;
        host.ConfirmDiscard = [this] { return ++FAsked, true; };
        host.ClearFaceEditor = [] {};
        host.FlatDrawing = FlatPreviewDrawing([this](const QString& message) { FMessages << message; });
        FPage = std::make_unique<TStartPage>(C, FTemplates, FDocument, FStore, host);
        FWindow->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FWindow.get()));
        FPage->Layout();
        const int initial = FPage->FillTemplateList();
        bool ok = false;
        auto* view = new TD3DWin(C.pnlAboutExp, ok);
        ASSERT_TRUE(ok) << "no OpenGL for the preview";
        FPage->SetPreviewView(view, view);
        FPage->Start(initial);
        FAsked = 0; // the initial entry was applied
    }

    QStringList FMessages;
    int FAsked = 0;
    TTemplateStore FStore;
    TListEx<TBookCover> FTemplates;
    TTavloDocument FDocument;
    TStartPageControls C;
    std::unique_ptr<QWidget> FWindow;
    std::unique_ptr<TStartPage> FPage;
};

} // namespace

TEST_F(PrintCoverDlgTest, StartPageImportsAJpegWrapAsABookCoverWithTheCutsShown)
{
    // 6 x 9 in, 300 white pages: a 0.676 in spine, 203 pixels at 300 dpi.
    const TCoverMeasures measures{ParseTrim(QStringLiteral("6x9")), SpineWidth(300, TPaper::White), 0.125};
    const QSizeF wrap = measures.WrapInches() * 300;
    QImage image(qRound(wrap.width()), qRound(wrap.height()), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        PaintWrapCover(painter, measures, 300);
    }
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    const QString path = FDir.filePath("wrap.jpg");
    ASSERT_TRUE(image.save(path, "JPG", 95));
    BuildPage();

    bool driven = false;
    WhenModal<TPrintCoverDlg>([&](TPrintCoverDlg* dialog) {
        QPushButton* import = dialog->Buttons->button(QDialogButtonBox::Ok);
        ASSERT_TRUE(dialog->SetFile(path));
        // 200 pages, the default, are 0.225 in too few.
        EXPECT_FALSE(import->isEnabled());
        EXPECT_TRUE(dialog->Status().contains("needs 12.7 x 9.25 in")) << dialog->Status().toStdString();
        EXPECT_TRUE(dialog->Status().contains("12.927 x 9.25 in (3878 x 2775 pixels at 300 dpi from the file)"))
            << dialog->Status().toStdString();
        dialog->spnPages->setValue(300);
        ASSERT_TRUE(import->isEnabled()) << dialog->Status().toStdString();
        EXPECT_TRUE(dialog->Status().startsWith("Book Cover: front and back 6 x 9 in, spine 0.676 in (203 pixels"))
            << dialog->Status().toStdString();

        // The trim box in red, the two folds in blue, where the layout puts them on the view.
        const QImage shown = dialog->View->grab().toImage();
        const TWrapLayout layout = dialog->View->ShownLayout();
        const QRect trim = layout.Trim().toRect();
        EXPECT_NEAR(layout.Spine.width() / dialog->View->PictureRect().width(), measures.Spine / measures.WrapInches().width(), 1e-9);
        for (double x : {layout.Spine.left(), layout.Spine.right()}) {
            const int folds = PixelsOf(shown, QPoint(qRound(x), trim.top() + 4), QPoint(qRound(x), trim.bottom() - 4),
                                       TCoverCutView::FoldColour);
            EXPECT_GT(folds, trim.height() / 3) << "fold at " << x;
        }
        EXPECT_GT(PixelsOf(shown, QPoint(trim.left(), trim.top()), QPoint(trim.right(), trim.top()), TCoverCutView::TrimColour),
                  trim.width() / 3);
        driven = true;
        import->click();
    });
    FPage->ImportButton()->click();
    ASSERT_TRUE(driven);
    EXPECT_EQ(FAsked, 1);
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join(" | ").toStdString();
    EXPECT_EQ(FDocument.Type(), btBookCover);
    EXPECT_EQ(FDocument.Cover().Name, QStringLiteral("wrap"));
    ExpectFace(FDocument.FaceRecord(0).Bitmap, {1800, 2700}, FrontColour);
    ExpectFace(FDocument.FaceRecord(1).Bitmap, {203, 2700}, SpineColour);
    // The top is the page block the Book Cover draws; the back cover shows the wrap's back.
    EXPECT_TRUE(FDocument.FaceRecord(2).Bitmap.Empty());
    ExpectFace(FDocument.BackPicture(), {1800, 2700}, BackColour);
    EXPECT_EQ(FPage->SelectedCover(), nullptr);
    EXPECT_EQ(C.cmbStartType->currentIndex(), int(btBookCover));
}

TEST_F(PrintCoverDlgTest, AThinSpineOfACustomTrimPdfMakesAThinBook)
{
    // 5.25 x 8 in, 40 cream pages: a 0.1 in spine, the Thin Book's 30 pixels at 300 dpi.
    const TCoverMeasures measures{ParseTrim(QStringLiteral("5.25x8")), SpineWidth(40, TPaper::Cream), 0.125};
    const QString path = FDir.filePath("thin.pdf");
    {
        QPdfWriter pdf(path);
        pdf.setResolution(300);
        pdf.setPageSize(QPageSize(measures.WrapInches(), QPageSize::Inch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&pdf);
        PaintWrapCover(painter, measures, 300);
    }
    TPrintCoverDlg dialog;
    dialog.show();
    ASSERT_TRUE(dialog.SetFile(path));
    dialog.cmbTrim->setCurrentIndex(dialog.cmbTrim->count() - 1);
    dialog.txtCustomTrim->setText(QStringLiteral("5.25 x 8"));
    dialog.spnPages->setValue(40);
    dialog.cmbPaper->setCurrentIndex(dialog.cmbPaper->findText(QStringLiteral("cream")));
    EXPECT_TRUE(dialog.Status().startsWith("Thin Book: front and back 5.25 x 8 in, spine 0.1 in (30 pixels"))
        << dialog.Status().toStdString();
    dialog.Buttons->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const TProject& made = dialog.Result();
    EXPECT_EQ(made.Final.Type, btThinBook);
    EXPECT_FALSE(made.Final.Shadow); // as a Thin Book chosen on the start page
    ExpectFace(made.Faces[0].Base, {1575, 2400}, FrontColour);
    ExpectFace(made.Faces[1].Base, {30, 2400}, SpineColour);
    EXPECT_TRUE(made.Faces[2].Base.Empty());
    ExpectFace(made.Back.Base, {1575, 2400}, BackColour);
    EXPECT_EQ(made.Back.FileName, path);
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join(" | ").toStdString();
}
