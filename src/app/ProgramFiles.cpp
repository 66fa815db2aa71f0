#include "app/ProgramFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

bool RunsInstalled(const QString& programFolder)
{
    const QDir folder(programFolder);
    return folder.dirName() == QStringLiteral(TAVLO_INSTALL_BINDIR_NAME)
        && QFileInfo(DataFolderBeside(programFolder)).isDir();
}

QString TemplatesFolderFor(const QString& programFolder)
{
    // Running as root from /usr/bin must not make /usr/bin/Templates.
    if (!RunsInstalled(programFolder)) {
        const QString beside = QDir(programFolder).filePath(QStringLiteral("Templates"));
        if (QDir().mkpath(beside) && QFileInfo(beside).isWritable())
            return beside + QLatin1Char('/');
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data + QStringLiteral("/Templates")))
        return {};
    return data + QStringLiteral("/Templates/");
}

QString ProgramAppId() { return QStringLiteral(TAVLO_APP_ID); }

QString ProgramIconFile(int size)
{
    const QString data = ProgramDataFolder();
    if (data.isEmpty())
        return {};
    const QString file = QDir::cleanPath(data + QStringLiteral("/../icons/hicolor/%1x%1/apps/").arg(size)
                                         + ProgramAppId() + QStringLiteral(".png"));
    return QFileInfo::exists(file) ? file : QString();
}
