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
