// Whole-window tests of the wizard shell under a real display (Xvfb in CI): the steps, closing
// through the save question, Save As from the final page, and the prompt texts' fit.
#include "app/FinalPage.h"
#include "app/FrameFrm.h"
#include "document/TavloDocument.h"
#include "app/WizardSteps.h"
#include "cover/BookType.h"
#include "imageio/LastFolder.h"
#include "render/D3DWin.h"
#include "ui/HTMLabel.h"
#include "ui/MsgBox.h"
#include "common/MessageLog.h"

#include "../app/FinalDialogDriver.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// The wizard opens at the start page with the file dialogs in the templates folder, and steps
// through the three-sided box's faces to the final page.
TEST(MainWindow, OpensAtTheStartPageAndShowsTheFinalPageOnTheLastStepOnly)
{
    TMessageLog answer;
    SetLastFolder(QDir::tempPath());
    TExperChild w;
    EXPECT_EQ(w.Step(), 0);
    EXPECT_FALSE(w.btnPrev->isEnabled() || w.btnStore->isVisible());
    // Under Mesa both 3D views can be made, so the wizard can start; the final view waits for step 4.
    ASSERT_TRUE(w.GLReady());
    ASSERT_NE(w.FinalView(), nullptr);
    EXPECT_FALSE(w.FinalView()->isVisible());
    const QString templates = LastFolder();
    EXPECT_TRUE(templates.endsWith(QStringLiteral("/Templates/")) && QFileInfo(templates).isDir()) << templates.toStdString();
    TFinalPage* page = w.FinalPage();
    ASSERT_NE(page, nullptr);
    w.cmbStartType->setCurrentIndex(1); // Three Sided Box
    QTest::mouseClick(w.btnNext, Qt::LeftButton);
    // Step, Prev, Next (a face step with an empty face cannot go on), the final page's panels.
    EXPECT_EQ(std::tuple(w.Step(), w.btnPrev->isEnabled(), w.btnNext->isEnabled(),
                         page->pnlFinalTools->isVisible() || page->pnlOptions->isVisible()),
              std::tuple(1, true, false, false));
    w.GoToStep(w.NextValidStep(true));
    w.GoToStep(w.NextValidStep(true));
    EXPECT_EQ(std::tuple(w.Step(), w.lblPrompt->text()), std::tuple(3, StepPrompt(3)));
    w.GoToStep(w.NextValidStep(true));
    EXPECT_EQ(std::tuple(w.Step(), w.btnNext->text()), std::tuple(4, QStringLiteral("Close")));
    EXPECT_TRUE(w.btnNext->isEnabled() && w.btnStore->isVisible() && w.FinalView()->isVisible());
    EXPECT_TRUE(page->pnlFinalTools->isVisible() && page->pnlOptions->isVisible());
    EXPECT_TRUE(w.lblImage->Html().contains(QStringLiteral("Save As button")));
    QTest::mouseClick(w.btnPrev, Qt::LeftButton);
    EXPECT_EQ(std::tuple(w.Step(), w.btnNext->text()), std::tuple(3, QStringLiteral("Next")));
    EXPECT_FALSE(w.btnStore->isVisible() || page->pnlFinalTools->isVisible());
}

// Escape closes through the save question; Yes there opens Save As, and the window closes only
// when a file was written.
TEST(MainWindow, ClosingAsksToSaveAndGoesOnOnlyWhenSavedOrNotWanted)
{
    TMessageLog answer;
    QTemporaryDir dir;
    SetLastFolder(dir.path());
    {
        TExperChild w;
        QTest::keyClick(w.lblPrompt, Qt::Key_Escape, Qt::ControlModifier);
        EXPECT_TRUE(w.isVisible());
        QTest::keyClick(w.lblPrompt, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible()); // nothing changed: closed without a question
        EXPECT_TRUE(answer.Asked.empty());
    }
    TExperChild w;
    w.Document()->SetType(btBookCover); // a change, as the start page's type box makes it
    answer.Answer = mrCancel;
    QTest::keyClick(w.lblPrompt, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible() && w.Modified());
    ASSERT_EQ(answer.Asked.size(), 1u);
    EXPECT_EQ(std::tuple(answer.Asked[0].Text, answer.Asked[0].Buttons, answer.Asked[0].Caption),
              std::tuple(QStringLiteral("Noname\r\nThis Tavlo has been changed.\r\n\r\nDo you want to save the changes ?"),
                         mbYes | mbNo | mbCancel, QStringLiteral("Tavlo Generator")));
    // Yes, then the dialog cancelled: the window stays, still changed, back on the start page.
    answer.Answer = mrYes;
    TDialogDriver driver;
    driver.Answer(QString());
    w.close();
    EXPECT_EQ(std::tuple(driver.Title, driver.Offered, w.isVisible(), w.Modified(), w.Step()),
              std::tuple(QStringLiteral("Save As"), QStringLiteral("Noname Front"), true, true, 0));
    answer.Answer = mrNo;
    w.close();
    EXPECT_FALSE(w.isVisible());
}

TEST(MainWindow, ExceptionsReachTheInformationBox)
{
    TMessageLog answer;
    QPushButton b;
    QObject::connect(&b, &QPushButton::clicked, [] { throw std::runtime_error("Invalid GIF data"); });
    b.show();
    QTest::mouseClick(&b, Qt::LeftButton);
    ASSERT_EQ(answer.Asked.size(), 1u);
    EXPECT_EQ(answer.Asked[0].Text, QStringLiteral("Invalid GIF data."));
    EXPECT_EQ(answer.Asked[0].Type, mtInformation);
}

// Prompt texts once came out clipped at larger fonts: each must fit its label on every step.
TEST(MainWindow, PromptTextsFitOnEveryStepAt96And120Ppi)
{
    TMessageLog boxes;
    const QFont normal = QApplication::font();
    for (double scale : {1.0, 1.25}) { // the 96 ppi font, then as 120 ppi would make it
        QFont font = normal;
        font.setPointSizeF(normal.pointSizeF() * scale);
        QApplication::setFont(font);
        TExperChild w;
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        for (int step = 0; step < 5; ++step) {
            w.GoToStep(step);
            QApplication::processEvents();
            for (QLabel* label : {w.lblPrompt, static_cast<QLabel*>(w.lblImage)})
                EXPECT_TRUE(!label->isVisible() || label->heightForWidth(label->width()) <= label->height())
                    << scale << " " << step << " " << label->objectName().toStdString();
        }
    }
    QApplication::setFont(normal);
}
