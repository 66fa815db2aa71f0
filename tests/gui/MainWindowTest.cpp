// Whole-window tests of the wizard shell under a real display (Xvfb in CI).
#include "app/FrameFrm.h"
#include "app/WizardSteps.h"
#include "cover/BookType.h"
#include "imageio/LastFolder.h"
#include "imageio/dialog/PictureOpenDialog.h"
#include "render/D3DWin.h"
#include "ui/HTMLabel.h"
#include "ui/MsgBox.h"
#include "common/MessageLog.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

TEST(MainWindow, OpensAtTheStartPage)
{
    TMessageLog answer;
    TExperChild w;
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral(" Velsor's Tavlo Generator"));
    EXPECT_EQ(w.Step(), 0);
    EXPECT_EQ(w.PageControl->currentIndex(), 0);
    EXPECT_EQ(w.lblPrompt->text(), StepPrompt(0));
    EXPECT_FALSE(w.btnPrev->isEnabled());
    EXPECT_FALSE(w.btnStore->isVisible());
    // Under Mesa both 3D views can be made, so the wizard can start; the final view waits for step 4.
    ASSERT_TRUE(w.GLReady());
    EXPECT_TRUE(w.btnNext->isEnabled());
    ASSERT_NE(w.FinalView(), nullptr);
    EXPECT_FALSE(w.FinalView()->isVisible());
    // Next stays right of Back, Save As left of Back, all inside the window.
    EXPECT_GT(w.btnNext->x(), w.btnPrev->x());
    EXPECT_LT(w.btnStore->x() + w.btnStore->width(), w.btnPrev->x());
    EXPECT_LE(w.btnNext->x() + w.btnNext->width(), w.width());
    EXPECT_EQ(w.cmbStartType->itemText(1), QLatin1Char(' ') + BookTypeName(btThreeSidedBox));
    EXPECT_TRUE(answer.Asked.empty());
}

TEST(MainWindow, FileDialogsStartInTheTemplatesFolder)
{
    TMessageLog answer;
    SetLastFolder(QDir::tempPath());
    TExperChild w;
    const QString templates = LastFolder();
    EXPECT_TRUE(templates.endsWith(QStringLiteral("/Templates/"))) << templates.toStdString();
    EXPECT_TRUE(QFileInfo(templates).isDir());
    TPictureOpenDialog open(OpenFaceImageMode, &w);
    EXPECT_EQ(open.directory().absolutePath() + u'/', QDir(templates).absolutePath() + u'/');
}

TEST(MainWindow, StepsForThreeSidedBoxAndBookCover)
{
    TMessageLog answer;
    TExperChild w;
    w.cmbStartType->setCurrentIndex(1); // Three Sided Box
    QTest::mouseClick(w.btnNext, Qt::LeftButton);
    EXPECT_EQ(w.Step(), 1);
    EXPECT_EQ(w.PageControl->currentIndex(), 1);
    EXPECT_TRUE(w.btnPrev->isEnabled());
    // A face step with an empty face cannot go on.
    EXPECT_FALSE(w.btnNext->isEnabled());
    w.GoToStep(w.NextValidStep(true));
    w.GoToStep(w.NextValidStep(true));
    EXPECT_EQ(w.Step(), 3);
    EXPECT_EQ(w.lblPrompt->text(), StepPrompt(3));
    w.GoToStep(w.NextValidStep(true));
    EXPECT_EQ(w.Step(), 4);
    EXPECT_EQ(w.btnNext->text(), QStringLiteral("Close"));
    EXPECT_TRUE(w.btnNext->isEnabled());
    EXPECT_TRUE(w.btnStore->isVisible());
    EXPECT_TRUE(w.FinalView()->isVisible());
    EXPECT_TRUE(w.lblImage->Html().contains(QStringLiteral("Save As button")));
    QTest::mouseClick(w.btnPrev, Qt::LeftButton);
    EXPECT_EQ(w.Step(), 3);
    EXPECT_EQ(w.btnNext->text(), QStringLiteral("Next"));
    EXPECT_FALSE(w.btnStore->isVisible());

    // Book cover: the page after the spine is the final one, still "of 5".
    w.cmbStartType->setCurrentIndex(2);
    w.cmbFinalType->setCurrentIndex(2);
    QTest::mouseClick(w.btnPrev, Qt::LeftButton);
    EXPECT_EQ(w.Step(), 2);
    w.GoToStep(w.NextValidStep(true));
    EXPECT_EQ(w.Step(), 4);
    EXPECT_EQ(w.lblPrompt->text(), StepPrompt(4));
    // Choosing the three-sided box on the final page brings the top step back.
    w.cmbFinalType->setCurrentIndex(1);
    QTest::mouseClick(w.btnPrev, Qt::LeftButton);
    EXPECT_EQ(w.Step(), 3);
    QTest::mouseClick(w.btnPrev, Qt::LeftButton);
    QTest::mouseClick(w.btnPrev, Qt::LeftButton);
    QTest::mouseClick(w.btnPrev, Qt::LeftButton);
    EXPECT_EQ(w.Step(), 0);
    EXPECT_FALSE(w.btnPrev->isEnabled());
}

TEST(MainWindow, EscapeClosesThroughTheSaveQuestion)
{
    TMessageLog answer;
    {
        TExperChild w;
        QTest::keyClick(w.lblPrompt, Qt::Key_Escape, Qt::ControlModifier);
        EXPECT_TRUE(w.isVisible());
        QTest::keyClick(w.lblPrompt, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible()); // nothing changed: closed without a question
        EXPECT_TRUE(answer.Asked.empty());
    }
    {
        TExperChild w;
        w.MarkModified();
        answer.Answer = mrCancel;
        QTest::keyClick(w.lblPrompt, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.Modified());
        ASSERT_EQ(answer.Asked.size(), 1u);
        EXPECT_EQ(answer.Asked[0].Text,
                  QStringLiteral("Noname\r\nThis Tavlo has been changed.\r\n\r\nDo you want to save the changes ?"));
        answer.Answer = mrNo;
        QTest::keyClick(w.lblPrompt, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
        EXPECT_FALSE(w.Modified());
    }
}

TEST(MainWindow, ExceptionsReachTheInformationBox)
{
    TMessageLog answer;
    answer.Answer = mrOk;
    QPushButton b;
    QObject::connect(&b, &QPushButton::clicked, [] { throw std::runtime_error("Invalid GIF data"); });
    b.show();
    QTest::mouseClick(&b, Qt::LeftButton);
    ASSERT_EQ(answer.Asked.size(), 1u);
    EXPECT_EQ(answer.Asked[0].Text, QStringLiteral("Invalid GIF data."));
    EXPECT_EQ(answer.Asked[0].Type, mtInformation);
}
