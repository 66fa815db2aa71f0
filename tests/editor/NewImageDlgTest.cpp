#include "editor/NewImageDlg.h"
#include "ui/MsgBox.h"

#include <QtWidgets>
#include <QTest>
#include <gtest/gtest.h>

TEST(NewImageDlg, OkFollowsWholeNumbers)
{
    TNewImageFrm dlg(0);
    EXPECT_TRUE(dlg.btnOK->isEnabled());
    for (auto [field, text, ok] : {std::tuple{dlg.txtWidth, "", false}, {dlg.txtWidth, " 12\t", true}, {dlg.txtHeight, "1.5", false}}) {
        field->setText(QString::fromLatin1(text));
        EXPECT_EQ(dlg.btnOK->isEnabled(), ok) << text;
    }
}

TEST(NewImageDlg, RefusesEmptyAndOversizedFacesButAcceptsPrintSizes)
{
    for (auto [w, h] : {std::pair{"0", "400"}, {"350", "-5"}, {"abc", "5"}, {"70000", "5"}})
        EXPECT_FALSE(CheckNewImageSize(w, h).Ok) << w << " x " << h;
    EXPECT_FALSE(CheckNewImageSize("70000", "5").Message.isEmpty());
    EXPECT_FALSE(NewImageDialog(nullptr, 0)); // nowhere to put the picture
    const TSizeCheck print = CheckNewImageSize("3500", "4000");
    EXPECT_TRUE(print.Ok);
    EXPECT_EQ(print.Size, QSize(3500, 4000));

    // In the dialog a refused size leaves it open with a message.
    QStringList messages;
    SetMessageHandler([&](const TMessageRequest& r) {
        messages << r.Text;
        return int(mrOk);
    });
    TNewImageFrm dlg(2);
    dlg.txtWidth->setText(QStringLiteral("0"));
    dlg.show();
    QTest::mouseClick(dlg.btnOK, Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("at least 1 pixel")));
    SetMessageHandler(nullptr);
}
