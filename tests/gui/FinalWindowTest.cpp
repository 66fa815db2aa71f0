// The final page and Save As inside the whole window: where the final page shows, and the save
// question's Yes path when nothing ends up written.
#include "app/FinalPage.h"
#include "app/FrameFrm.h"
#include "common/RequireGL.h"
#include "app/SaveFlow.h"
#include "imageio/LastFolder.h"
#include "ui/HTMLabel.h"
#include "ui/MsgBox.h"

#include "../app/FinalDialogDriver.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// Answers the save question with `Question` and every other box with OK, recording them all.
struct TBoxes {
    std::vector<TMessageRequest> Asked;
    int Question = mrYes;
    TBoxes()
    {
        SetMessageHandler([this](const TMessageRequest& r) {
            Asked.push_back(r);
            return r.Type == mtConfirmation ? Question : int(mrOk);
        });
    }
    ~TBoxes() { SetMessageHandler(nullptr); }
};
} // namespace

TEST(FinalWindow, FinalPageShowsOnTheFinalStepOnly)
{
    TBoxes boxes;
    TExperChild w;
    TFinalPage* page = w.FinalPage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(w.cmbFinalType->parentWidget(), page->pnlFinalTools);
    EXPECT_FALSE(page->pnlOptions->isVisible());
    w.GoToStep(1);
    EXPECT_FALSE(page->pnlFinalTools->isVisible());
    EXPECT_FALSE(page->pnlOptions->isVisible());
    w.GoToStep(4);
    EXPECT_TRUE(page->pnlFinalTools->isVisible());
    EXPECT_TRUE(page->pnlOptions->isVisible());
    EXPECT_TRUE(page->cmbFinalType->isVisible());
    w.GoToStep(2);
    EXPECT_FALSE(page->pnlFinalTools->isVisible());
    // The blank entry applied at start is named "Noname"; face steps add the face's name.
    EXPECT_EQ(w.DefaultImageName(2), QStringLiteral("Noname Spine"));
    EXPECT_EQ(w.DefaultImageName(4), QStringLiteral("Noname"));
    boxes.Question = mrNo;
}

TEST(FinalWindow, SaveQuestionGoesOnOnlyWhenAFileWasWritten)
{
    TBoxes boxes;
    QTemporaryDir dir;
    SetLastFolder(dir.path());
    TExperChild w;
    w.MarkModified();
    TDialogDriver driver;

    // Yes, then the dialog cancelled: the window stays, still changed, back on the start page.
    driver.Answer(QString());
    w.close();
    EXPECT_TRUE(driver.Seen);
    EXPECT_EQ(driver.Title, QStringLiteral("Save As"));
    EXPECT_EQ(driver.Offered, QStringLiteral("Noname Front"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.Modified());
    EXPECT_EQ(w.Step(), 0);

    // A name the program cannot write: told so, nothing written, still changed.
    driver.Answer(dir.filePath("cover.tiff"));
    w.close();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.Modified());
    EXPECT_FALSE(QFile::exists(dir.filePath("cover.tiff")));
    ASSERT_GE(boxes.Asked.size(), 3u);
    EXPECT_TRUE(boxes.Asked.back().Text.contains(QStringLiteral("cannot be written")));
    EXPECT_EQ(boxes.Asked.back().Type, mtInformation);

    // A write that fails (the start page has no face to save here) leaves the old file as it
    // was and the window open.
    QFile old(dir.filePath("old.bmp"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old picture");
    old.close();
    const size_t before = boxes.Asked.size();
    bool replaced = false;
    driver.Answer(dir.filePath("old.bmp"));
    // The dialog's own overwrite question is answered Yes.
    QTimer confirm;
    QObject::connect(&confirm, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || qobject_cast<QFileDialog*>(modal))
            return;
        for (auto* b : modal->findChildren<QPushButton*>())
            if (b->text().remove('&') == QStringLiteral("Yes")) {
                confirm.stop();
                replaced = true;
                b->click();
                return;
            }
    });
    confirm.start(10);
    w.close();
    confirm.stop();
    EXPECT_TRUE(replaced);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.Modified());
    ASSERT_EQ(boxes.Asked.size(), before + 2); // the question and the error
    EXPECT_EQ(boxes.Asked.back().Type, mtInformation);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old picture"));
    EXPECT_EQ(w.Step(), 0);

    boxes.Question = mrNo;
    w.close();
    EXPECT_FALSE(w.isVisible());
}

TEST(FinalWindow, SaveAsOnTheFinalStepWritesTheFinalViewsPicture)
{
    TBoxes boxes;
    QTemporaryDir dir;
    SetLastFolder(dir.path());
    TExperChild w;
    TAVLO_REQUIRE_GL(w.GLReady(), "the final view could not create its context");
    w.GoToStep(4);
    ASSERT_NE(w.FinalView(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.FinalView()->isVisible(); }));
    // The final view has the start-page preview's shape and the options panel takes the rest.
    const QWidget* preview = w.pnlAboutExp;
    EXPECT_EQ(w.FinalView()->width(),
              int(std::lround(double(preview->width()) * w.FinalView()->height() / preview->height())) - 6);
    EXPECT_EQ(w.FinalPage()->pnlOptions->x(), w.FinalView()->x() + w.FinalView()->width());
    w.MarkModified();

    // The picture the view shows, cut to its contents.
    TDialogDriver driver;
    driver.Answer(dir.filePath("final.png"));
    QTest::mouseClick(w.btnStore, Qt::LeftButton);
    EXPECT_EQ(driver.Offered, QStringLiteral("Noname"));
    const QImage saved(dir.filePath("final.png"));
    ASSERT_FALSE(saved.isNull());
    // The size shown beside "Saved Picture Width" is the file's.
    EXPECT_EQ(saved.size(), w.FinalPage()->ExportSize());
    EXPECT_EQ(w.FinalPage()->lblExportHeight->text(), QString::asprintf(" x %d", saved.height()));
    EXPECT_FALSE(w.Modified());
    EXPECT_EQ(w.Step(), 4);
    EXPECT_TRUE(boxes.Asked.empty());
}

TEST(FinalWindow, PromptTextsFitOnEveryStepAt96And120Ppi)
{
    TBoxes boxes;
    const QFont normal = QApplication::font();
    for (double scale : {1.0, 1.25}) { // the 96 ppi font, then as 120 ppi would make it
        SCOPED_TRACE(scale);
        QFont font = normal;
        font.setPointSizeF(normal.pointSizeF() * scale);
        QApplication::setFont(font);
        TExperChild w;
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        for (int step = 0; step < 5; ++step) {
            w.GoToStep(step);
            QApplication::processEvents();
            for (QLabel* label : {w.lblPrompt, static_cast<QLabel*>(w.lblImage)}) {
                if (label->isVisible() && !label->text().isEmpty()) {
                    EXPECT_LE(label->heightForWidth(label->width()), label->height())
                        << step << " " << label->objectName().toStdString();
                }
            }
        }
    }
    QApplication::setFont(normal);
}
