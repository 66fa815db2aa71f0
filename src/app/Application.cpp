#include "app/Application.h"

#include "app/ProgramFiles.h"
#include "ui/MsgBox.h"
#include "ui/StringUtils.h"

#include <QHelpEvent>
#include <QIcon>
#include <QSurfaceFormat>
#include <QToolTip>
#include <QWidget>
#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QString::fromLatin1(ProductName));
    setOrganizationName(QStringLiteral("Velsor"));
    // Ties the windows to the menu entry, so the desktop shows the program's name and icon.
    setDesktopFileName(ProgramAppId());
    QIcon icon = QIcon::fromTheme(ProgramAppId());
    if (icon.isNull())
        for (int size : {16, 32, 48, 64, 128, 256})
            if (const QString file = ProgramIconFile(size); !file.isEmpty())
                icon.addFile(file, QSize(size, size));
    setWindowIcon(icon);
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
