#include "imageio/LastFolder.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString& Folder()
{
    static QString folder;
    return folder;
}

QString WithOneSlash(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder == u"/" ? folder : folder + u'/';
}
} // namespace

QString LastFolder() { return Folder(); }

void SetLastFolder(const QString& folder) { Folder() = folder.isEmpty() ? QString() : WithOneSlash(folder); }

void RememberFolder(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return;
    QString folder = path.left(slash + 1);
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    if (QFileInfo(folder).isDir() || QDir().mkdir(folder))
        Folder() = WithOneSlash(folder);
}
