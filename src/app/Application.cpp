#include "app/Application.h"

#include "ui/MsgBox.h"
#include "ui/StringUtils.h"

#include <QHelpEvent>
#include <QSurfaceFormat>
#include <QToolTip>
#include <QWidget>
#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QString::fromLatin1(ProductName));
    setOrganizationName(QStringLiteral("Velsor"));
}

void TApplication::SetDefaultSurfaceFormat()
{
    QSurfaceFormat fmt;
    fmt.setProfile(QSurfaceFormat::CompatibilityProfile);
    fmt.setVersion(2, 1);
    fmt.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(fmt);
}

void TApplication::ShowException(const QString& message) { ShowInfo(WithFullStop(message)); }

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    // Hints are shown trimmed, with one leading space.
    if (event->type() == QEvent::ToolTip && receiver->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(receiver);
        if (!widget->toolTip().isEmpty()) {
            auto* help = static_cast<QHelpEvent*>(event);
            QToolTip::showText(help->globalPos(), FormatHint(widget->toolTip()), widget);
            return true;
        }
    }
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowException(QStringLiteral("Unexpected error"));
    }
    return false;
}
