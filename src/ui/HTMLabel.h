#pragma once
// A label that shows the wizard's help texts: a small HTML subset (bold, anchors, inline pictures
// from an image list, line breaks, rules) aligned to the top, with clickable anchors.

#include <QImage>
#include <QLabel>
#include <QVector>

class THTMLabel : public QLabel {
    Q_OBJECT
public:
    explicit THTMLabel(QWidget* parent = nullptr);

    // Pictures referred to as "idx:N" in the text.
    void SetImageList(const QVector<QImage>& images);
    void SetBorderWidth(int pixels);
    // Loads a help text: split into lines, trailing lines that are blank after trimming dropped.
    void SetHtml(const QString& html);
    QString Html() const { return FSource; }

    // The rich text handed to the label (exposed for tests).
    QString RichText() const { return text(); }
    static QString ToRichText(const QString& html, const QVector<QImage>& images);

signals:
    // An anchor whose target is not a web or mail address was clicked.
    void AnchorClick(const QString& target);

private:
    void OnLinkActivated(const QString& target);

    QString FSource;
    QVector<QImage> FImages;
};
