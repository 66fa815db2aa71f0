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

TEST(HTMLabel, PicturesComeFromTheImageListAndAnchorsAreBlue)
{
    QImage red(8, 8, QImage::Format_ARGB32);
    red.fill(Qt::red);
    const QString rich = THTMLabel::ToRichText(
        QStringLiteral("see <img src=\"idx:0\" align=\"middle\"> and <a href=\"next\">Next</a>"), {red});
    EXPECT_TRUE(rich.contains(QStringLiteral("color:#0000ff")));

    // The image list's picture is really drawn, in the middle of the line.
    THTMLabel label;
    label.SetImageList({red});
    label.SetHtml(QStringLiteral("x <img src=\"idx:0\" align=\"middle\"> y"));
    label.resize(200, 40);
    QImage out(200, 40, QImage::Format_ARGB32);
    out.fill(Qt::white);
    label.render(&out);
    const QRgb* pixels = reinterpret_cast<const QRgb*>(out.constBits());
    EXPECT_EQ(std::count(pixels, pixels + 200 * 40, qRgb(255, 0, 0)), 64);
}
