#include "editor/UpDown.h"

#include "raster/TextRecord.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

TUpDown::TUpDown(QLineEdit* associate, QWidget* parent) : QWidget(parent), FEdit(associate)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FUp = new QToolButton(this);
    FDown = new QToolButton(this);
    for (QToolButton* b : {FUp, FDown}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus); // the edit keeps the focus; its arrow keys step too
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        layout->addWidget(b);
    }
    FUp->setArrowType(Qt::UpArrow);
    FDown->setArrowType(Qt::DownArrow);
    connect(FUp, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(FDown, &QToolButton::clicked, this, [this] { Step(-1); });
    FEdit->installEventFilter(this);
    SetPosition(0);
}

int TUpDown::Clamp(int v) const { return std::clamp(v, FMin, FMax); }

void TUpDown::SetRange(int minimum, int maximum)
{
    FMin = std::min(minimum, maximum);
    FMax = std::max(minimum, maximum);
}

int TUpDown::Position() const
{
    int typed = 0;
    if (ParseWholeNumber(FEdit->text(), typed))
        FPosition = typed;
    return FPosition;
}

void TUpDown::SetPosition(int position)
{
    FPosition = position;
    FEdit->setText(QString::number(FPosition));
}

// The arrows move within the range only; a value typed beyond it steps back into it.
void TUpDown::Step(int delta) { SetPosition(Clamp(Position() + delta)); }

bool TUpDown::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FEdit && event->type() == QEvent::KeyPress && isEnabled()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
