#include "templates/ProgramData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString DataFolderBeside(const QString& programFolder)
{
    return QDir::cleanPath(programFolder + QLatin1Char('/') + QStringLiteral(TAVLO_RELATIVE_DATA_DIR));
}

QString ProgramDataFolder()
{
    const QString forced = qEnvironmentVariable("TAVLO_DATA_DIR");
    if (!forced.isEmpty())
        return QFileInfo(forced).isDir() ? QDir::cleanPath(forced) : QString();
    const QString beside = DataFolderBeside(QCoreApplication::applicationDirPath());
    return QFileInfo(beside).isDir() ? beside : QString();
}

QString SampleTemplatesFolder()
{
    const QString data = ProgramDataFolder();
    return data.isEmpty() ? QString() : data + QStringLiteral("/samples");
}
