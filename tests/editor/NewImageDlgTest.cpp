#include "editor/NewImageDlg.h"
#include "common/MessageLog.h"

#include <QtWidgets>
#include <QTest>
#include <gtest/gtest.h>

TEST(NewImageDlg, RefusesEmptyAndOversizedFacesButAcceptsPrintSizes)
{
    for (auto [w, h] : {std::pair{"0", "400"}, {"350", "-5"}, {"abc", "5"}, {"70000", "5"}})
        EXPECT_FALSE(CheckNewImageSize(w, h).Ok) << w << " x " << h;
    EXPECT_FALSE(CheckNewImageSize("70000", "5").Message.isEmpty());
    EXPECT_FALSE(NewImageDialog(nullptr, 0)); // nowhere to put the picture
    const TSizeCheck print = CheckNewImageSize(" 3500\t", "4000"); // blanks around the number are no fault
    EXPECT_TRUE(print.Ok);
    EXPECT_EQ(print.Size, QSize(3500, 4000));

    // In the dialog a refused size leaves it open with a message.
    TMessageLog messages;
    TNewImageFrm dlg(2);
    dlg.txtWidth->setText(QStringLiteral("0"));
    dlg.show();
    QTest::mouseClick(dlg.btnOK, Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    ASSERT_EQ(messages.Asked.size(), 1u);
    EXPECT_TRUE(messages.Asked[0].Text.contains(QStringLiteral("at least 1 pixel")));
}
