#include "ui/PathDrop.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>

namespace {

QString FirstLocalFile(const QMimeData* data)
{
    if (data)
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                return url.toLocalFile();
    return {};
}

class TPathDropFilter : public QObject {
public:
    explicit TPathDropFilter(QLineEdit* field) : QObject(field), FField(field) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != FField)
            return false;
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (FirstLocalFile(drag->mimeData()).isEmpty())
                return false; // text and the like: the field's own handling
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString path = FirstLocalFile(drop->mimeData());
            if (path.isEmpty())
                return false;
            FField->setFocus(Qt::OtherFocusReason);
            FField->setText(path);
            drop->acceptProposedAction();
            return true;
        }
        default:
            return false;
        }
    }

private:
    QLineEdit* FField;
};

} // namespace

void AcceptPathDrops(QLineEdit* field)
{
    field->setAcceptDrops(true);
    field->installEventFilter(new TPathDropFilter(field));
}
