#include "app/CoverCutView.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>

TCoverCutView::TCoverCutView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 200);
}

void TCoverCutView::SetCover(const QImage& picture, const std::optional<TCoverMeasures>& measures)
{
    FPicture = picture;
    FMeasures = measures;
    update();
}

QRectF TCoverCutView::PictureRect() const
{
    if (FPicture.isNull())
        return {};
    const QSizeF room = QSizeF(size()) - QSizeF(16, 16);
    const QSizeF shown = QSizeF(FPicture.size()).scaled(room, Qt::KeepAspectRatio);
    return {QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown};
}

TWrapLayout TCoverCutView::ShownLayout() const
{
    const QRectF picture = PictureRect();
    if (picture.isEmpty() || !FMeasures)
        return {};
    TWrapLayout layout = WrapLayout(*FMeasures, picture.size());
    for (QRectF* r : {&layout.Back, &layout.Spine, &layout.Front})
        r->translate(picture.topLeft());
    return layout;
}

void TCoverCutView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    const QRectF picture = PictureRect();
    if (picture.isEmpty())
        return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(picture, FPicture);
    if (!FMeasures)
        return;
    const TWrapLayout layout = ShownLayout();
    const QRectF trim = layout.Trim();
    // The bleed, cut away, shaded; then the trim and the folds in colours that show on any cover.
    QPainterPath bleed;
    bleed.addRect(picture);
    bleed.addRect(trim);
    p.fillPath(bleed, QColor(0, 0, 0, 110));
    // Each cut dashed in its colour over a black line, so it shows on any cover.
    const auto drawCut = [&p](const QColor& colour, const std::function<void()>& draw) {
        p.setPen(QPen(Qt::black, 4));
        draw();
        p.setPen(QPen(colour, 2, Qt::DashLine));
        draw();
    };
    drawCut(TrimColour, [&] { p.drawRect(trim); });
    drawCut(FoldColour, [&] {
        p.drawLine(QPointF(layout.Spine.left(), trim.top()), QPointF(layout.Spine.left(), trim.bottom()));
        p.drawLine(QPointF(layout.Spine.right(), trim.top()), QPointF(layout.Spine.right(), trim.bottom()));
    });
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    for (const auto& [name, place] : {std::pair{QStringLiteral("Back"), layout.Back}, {QStringLiteral("Front"), layout.Front}}) {
        const QSizeF box(p.fontMetrics().horizontalAdvance(name) + 12, p.fontMetrics().height() + 4);
        const QRectF label(QPointF(place.center().x() - box.width() / 2, place.top() + 6), box);
        p.fillRect(label, QColor(0, 0, 0, 150));
        p.setPen(Qt::white);
        p.drawText(label, Qt::AlignCenter, name);
    }
}
