#include "ui/HTMLabel.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QRegularExpression>
#include <QUrl>

namespace {
QString ImageDataUrl(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(bytes.toBase64());
}
} // namespace

THTMLabel::THTMLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::RichText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setOpenExternalLinks(false);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(this, &QLabel::linkActivated, this, &THTMLabel::OnLinkActivated);
}

void THTMLabel::SetImageList(const QVector<QImage>& images)
{
    FImages = images;
    if (!FSource.isEmpty())
        setText(ToRichText(FSource, FImages));
}

// The label's own margin: its frame resets the contents margins whenever the style polishes it.
void THTMLabel::SetBorderWidth(int pixels) { setMargin(pixels); }

void THTMLabel::SetHtml(const QString& html)
{
    QStringList lines = QString(html).replace(QLatin1String("\r\n"), QLatin1String("\n")).split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    FSource = lines.join(QLatin1Char('\n'));
    setText(ToRichText(FSource, FImages));
}

QString THTMLabel::ToRichText(const QString& html, const QVector<QImage>& images)
{
    QString s = html;
    // A closing tag before any opening one (the texts start with "</b>") is ignored.
    static const QRegularExpression leadingClose(QStringLiteral("^\\s*</[A-Za-z]+>"));
    s.remove(leadingClose);
    // Anchors are blue whatever the palette says.
    static const QRegularExpression anchor(QStringLiteral("<a\\s"), QRegularExpression::CaseInsensitiveOption);
    s.replace(anchor, QStringLiteral("<a style=\"color:#0000ff\" "));
    // "idx:N" pictures come from the image list.
    static const QRegularExpression idx(QStringLiteral("src=\"idx:(\\d+)\""), QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype last = 0;
    for (auto it = idx.globalMatch(s); it.hasNext();) {
        const auto m = it.next();
        out += s.mid(last, m.capturedStart() - last);
        const int index = m.captured(1).toInt();
        out += QStringLiteral("src=\"%1\"").arg(index < images.size() ? ImageDataUrl(images[index]) : QString());
        last = m.capturedEnd();
    }
    out += s.mid(last);
    return QStringLiteral("<html><body>") + out + QStringLiteral("</body></html>");
}

void THTMLabel::OnLinkActivated(const QString& target)
{
    if (target.contains(QLatin1String("://")) || target.contains(QLatin1String("mailto:")))
        QDesktopServices::openUrl(QUrl(target));
    else
        emit AnchorClick(target);
}
