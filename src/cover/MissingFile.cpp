#include "cover/MissingFile.h"

#include <QFileInfo>
#include <QtGlobal>

namespace {
TMissingFileReporter& Reporter()
{
    static TMissingFileReporter reporter;
    return reporter;
}

QString UpperAscii(QString text)
{
    for (QChar& c : text)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return text;
}
} // namespace

QString MissingFileText(const QString& path)
{
    return UpperAscii(QFileInfo(path).fileName()) + QStringLiteral("\r\nThe required file cannot be found.");
}

TMissingFileReporter SetMissingFileReporter(TMissingFileReporter reporter)
{
    return std::exchange(Reporter(), std::move(reporter));
}

bool FaceFileExists(const QString& path, bool report)
{
    const QFileInfo info(path);
    if (!path.isEmpty() && info.exists() && !info.isDir())
        return true;
    if (report) {
        const QString text = MissingFileText(path);
        if (Reporter())
            Reporter()(text);
        else
            qWarning("%s", qPrintable(text));
    }
    return false;
}
