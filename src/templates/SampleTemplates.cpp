#include "templates/SampleTemplates.h"

#include "templates/TemplateStore.h"

#include <QDir>
#include <stdexcept>

namespace {
const char* const OfferedNote = "SamplesOffered";

QString FaceFile(const QDir& sample, const char* face)
{
    const QStringList files = sample.entryList({QString::fromLatin1(face) + QStringLiteral(".*")}, QDir::Files);
    return files.isEmpty() ? QString() : sample.filePath(files.first());
}
} // namespace

QStringList AddSampleTemplatesOnce(TTemplateStore& store, const QString& samplesFolder)
{
    // A settings file that could not be read is left alone.
    if (!store.IsOpen() || !store.Problem().isEmpty() || store.HasNote(QString::fromLatin1(OfferedNote)))
        return {};
    if (samplesFolder.isEmpty())
        return {}; // asked again when a later installation brings them
    const QDir folder(samplesFolder);
    QStringList samples = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    if (samples.isEmpty())
        return {};
    QStringList added;
    try {
        if (!store.ListNames().isEmpty())
            samples.clear(); // the user's own templates: no samples, now or later
        for (const QString& name : std::as_const(samples)) {
            const QDir sample(folder.filePath(name));
            const QString front = FaceFile(sample, "front"), side = FaceFile(sample, "side");
            if (front.isEmpty() || side.isEmpty())
                continue;
            store.WriteValue(name, QStringLiteral("FrontImage"), front);
            store.WriteValue(name, QStringLiteral("SideImage"), side);
            store.WriteValue(name, QStringLiteral("TopImage"), FaceFile(sample, "top"));
            added << name;
        }
        store.WriteNote(QString::fromLatin1(OfferedNote), QStringLiteral("1"));
    } catch (const std::exception&) {
        // Samples are a welcome, not a need: the store's own write at exit reports the problem.
    }
    return added;
}
