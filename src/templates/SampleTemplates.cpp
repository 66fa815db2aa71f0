#include "templates/SampleTemplates.h"

#include "cover/BookCover.h"
#include "templates/ProgramData.h"
#include "templates/TemplateStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <stdexcept>

namespace {
const char* const OfferedNote = "SamplesOffered";
const char* const TypesNote = "SampleTypesOffered"; // the types of samples added before they had one

struct TSample {
    QString Name, Front, Side, Top;
    std::optional<TBookType> Type;
};

QString FaceFile(const QDir& sample, const char* face)
{
    const QStringList files = sample.entryList({QString::fromLatin1(face) + QStringLiteral(".*")}, QDir::Files);
    return files.isEmpty() ? QString() : sample.filePath(files.first());
}

std::optional<TBookType> SampleType(const QDir& sample)
{
    QFile file(sample.filePath(QStringLiteral("type.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return BookTypeFromText(QString::fromUtf8(file.read(256)));
}

// The samples with a front and a side, in name order.
QList<TSample> ReadSamples(const QString& samplesFolder)
{
    QList<TSample> samples;
    if (samplesFolder.isEmpty())
        return samples;
    const QDir folder(samplesFolder);
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir sample(folder.filePath(name));
        TSample s{name, FaceFile(sample, "front"), FaceFile(sample, "side"), FaceFile(sample, "top"), SampleType(sample)};
        if (!s.Front.isEmpty() && !s.Side.isEmpty())
            samples << s;
    }
    return samples;
}

bool SameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (QDir::cleanPath(a) == QDir::cleanPath(b))
        return true;
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

// Samples added by a version that stored no types: a template without a type whose front and
// side are still a sample's files gets that sample's type, once.
void AddSampleTypes(TTemplateStore& store, const QList<TSample>& samples)
{
    for (const QString& name : store.ListNames()) {
        try {
            if (!store.ReadValue(name, BookTypeKey()).isEmpty())
                continue;
            const QString front = store.ReadValue(name, FaceKey(0)), side = store.ReadValue(name, FaceKey(1));
            for (const TSample& sample : samples)
                if (sample.Type && SameFile(front, sample.Front) && SameFile(side, sample.Side)) {
                    store.WriteValue(name, BookTypeKey(), BookTypeName(*sample.Type));
                    break;
                }
        } catch (const std::exception&) {
            // A value this version cannot read: the template is the user's, left as it is.
        }
    }
}
} // namespace

QStringList AddSampleTemplatesOnce(TTemplateStore& store, const QString& samplesFolder)
{
    // A settings file that could not be read is left alone.
    if (!store.IsOpen() || !store.Problem().isEmpty())
        return {};
    const bool offered = store.HasNote(QString::fromLatin1(OfferedNote));
    if (offered && store.HasNote(QString::fromLatin1(TypesNote)))
        return {};
    const QList<TSample> samples = ReadSamples(samplesFolder);
    if (samples.isEmpty())
        return {}; // asked again when a later installation brings them
    QStringList added;
    try {
        if (offered) {
            AddSampleTypes(store, samples);
        } else if (store.ListNames().isEmpty()) { // the user's own templates: no samples, now or later
            for (const TSample& sample : samples) {
                store.WriteValue(sample.Name, FaceKey(0), sample.Front);
                store.WriteValue(sample.Name, FaceKey(1), sample.Side);
                store.WriteValue(sample.Name, FaceKey(2), sample.Top);
                if (sample.Type)
                    store.WriteValue(sample.Name, BookTypeKey(), BookTypeName(*sample.Type));
                added << sample.Name;
            }
        }
        store.WriteNote(QString::fromLatin1(OfferedNote), QStringLiteral("1"));
        store.WriteNote(QString::fromLatin1(TypesNote), QStringLiteral("1"));
    } catch (const std::exception&) {
        // Samples are a welcome, not a need: the store's own write at exit reports the problem.
    }
    return added;
}

QStringList OpenWithSamples(TTemplateStore& store)
{
    store.Open(QString());
    return AddSampleTemplatesOnce(store, SampleTemplatesFolder());
}
