#include "common/WhenModal.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// Runs `act` on the box once it is shown, then answers with what the box returned.
int ShowAndAct(std::function<void(TMessageDlg*)> act, const QString& text, TMsgDlgButtons buttons)
{
    WhenModal<TMessageDlg>(act);
    return ShowMessageBox(text, QString(), mtConfirmation, 0, buttons);
}
} // namespace

TEST(MsgBox, EscapeAnswersCancelButNotWithCtrl)
{
    const int plain = ShowAndAct([](TMessageDlg* box) { QTest::keyClick(box, Qt::Key_Escape); },
                                 QStringLiteral("Delete?"), mbYes | mbNo);
    EXPECT_EQ(plain, mrCancel);

    const int withCtrl = ShowAndAct(
        [](TMessageDlg* box) {
            QTest::keyClick(box, Qt::Key_Escape, Qt::ControlModifier);
            QTest::mouseClick(box->Buttons()[1], Qt::LeftButton);
        },
        QStringLiteral("Delete?"), mbYes | mbNo);
    EXPECT_EQ(withCtrl, mrNo); // still open after Ctrl+Escape, answered with No
}

TEST(MsgBox, BoxHasOneRowOfButtonsAndWrapsLongText)
{
    const QString longText = QString(QStringLiteral("word ")).repeated(400);
    ShowAndAct(
        [&](TMessageDlg* box) {
            ASSERT_EQ(box->Buttons().size(), 3);
            // One row of buttons; the text wraps within half the screen's width.
            EXPECT_EQ(box->Buttons()[0]->y(), box->Buttons()[2]->y());
            auto* label = box->findChild<QLabel*>("Message");
            ASSERT_NE(label, nullptr);
            const int halfScreen = QGuiApplication::primaryScreen()->availableGeometry().width() / 2;
            EXPECT_LE(label->width(), halfScreen + 10);
            EXPECT_GT(label->height(), 3 * label->fontMetrics().height());
            QTest::mouseClick(box->Buttons()[0], Qt::LeftButton);
        },
        longText, mbYes | mbNo | mbCancel);

    const int ok = ShowAndAct([](TMessageDlg* box) { QTest::mouseClick(box->Buttons()[0], Qt::LeftButton); },
                              QStringLiteral("Info"), mbOK);
    EXPECT_EQ(ok, mrOk);
}
