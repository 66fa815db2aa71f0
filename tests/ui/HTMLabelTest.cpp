#include "ui/HTMLabel.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(HTMLabel, DropsTrailingBlankLinesAndTheLeadingClosingTagAndFiresLocalAnchors)
{
    THTMLabel label;
    label.SetHtml(QStringLiteral("</b>First <b>bold</b>\r\nsecond\r\n   \r\n\t\r\n"));
    EXPECT_EQ(label.Html(), QStringLiteral("</b>First <b>bold</b>\nsecond"));
    EXPECT_FALSE(label.RichText().contains(QStringLiteral("</b>First")));
    EXPECT_TRUE(label.RichText().contains(QStringLiteral("<b>bold</b>")));
    // Local anchors fire the anchor event.
    QSignalSpy spy(&label, &THTMLabel::AnchorClick);
    label.SetHtml(QStringLiteral("<a href=\"store\">Save As button</a>"));
    emit label.linkActivated(QStringLiteral("store"));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].toString(), QStringLiteral("store"));
}
