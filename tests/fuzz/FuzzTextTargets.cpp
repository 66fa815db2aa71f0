#include "FuzzTargets.h"

#include "editor/LayerClipboard.h"
#include "raster/TextRecord.h"
#include "templates/TemplateStore.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <stdexcept>

namespace {

QByteArray Bytes(const uint8_t* data, size_t size) { return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)); }

void ReadTextRecord(const QStringList& lines)
{
    TTextParams params;
    ReadRecord(params, &lines);
}

// The settings file the template store reads at start-up, with these bytes.
void ReadTemplates(const uint8_t* data, size_t size)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Velsor";
    QDir().mkpath(folder);
    QFile file(folder + "/Tavlo Generator.conf");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::logic_error("cannot write the settings file");
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    TTemplateStore store;
    store.Open(QDir::tempPath() + "/");
    // Every name goes through the same code; reading them all made an input cost the square of its size.
    for (const QString& name : store.ListNames().mid(0, 16))
        for (const char* value : {"FrontImage", "SideImage", "TopImage"})
            store.ReadValue(name, value);
}

} // namespace

const TFuzzTargets& TextFuzzTargets()
{
    static const TFuzzTargets targets = {
        {"textrecord", [](const uint8_t* d, size_t n) { ReadTextRecord(QString::fromUtf8(Bytes(d, n)).split(u'\n')); }},
        {"clipboard", [](const uint8_t* d, size_t n) { ReadTextRecord(LinesOfBlock(Bytes(d, n))); }},
        {"templates", ReadTemplates},
    };
    return targets;
}
