#include "BatchDigest.h"

#include "RenderOptions.h"
#include "cover/BookCover.h"
#include "templates/SampleTemplates.h"
#include "templates/TemplateStore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace {

// Changes whenever what goes into the digest changes, so older records stop matching.
const QByteArray Recipe = "tavlo batch digest 1";

void AddText(QCryptographicHash& hash, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const qint64 size = bytes.size();
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&size), sizeof size));
    hash.addData(bytes);
}

} // namespace

TBatchDigest::TBatchDigest() = default;
TBatchDigest::~TBatchDigest() = default;

QByteArray TBatchDigest::Of(const QStringList& renderArgs)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(Recipe);
    for (qsizetype i = 0; i < renderArgs.size(); ++i) {
        AddText(hash, renderArgs[i]);
        const TRenderOption* option = FindRenderOption(renderArgs[i].mid(2));
        if (!option || option->Kind == TRenderOptionKind::Flag || i + 1 >= renderArgs.size())
            continue;
        const QString& value = renderArgs[++i];
        AddText(hash, value);
        if (option->Kind == TRenderOptionKind::File)
            hash.addData(FileHash(value));
        else if (option->Kind == TRenderOptionKind::Template)
            hash.addData(TemplateHash(value));
    }
    return hash.result().toHex();
}

QByteArray TBatchDigest::FileHash(const QString& path)
{
    const QFileInfo info(path);
    // Only regular files are read: a FIFO or a device named by mistake must not hang the batch.
    if (!info.isFile())
        return QByteArrayLiteral("no file");
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    TCachedHash& cached = FFiles[info.absoluteFilePath()];
    if (cached.Size == info.size() && cached.Modified == modified)
        return cached.Hash;
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QByteArrayLiteral("unreadable");
    cached = {info.size(), modified, hash.result()};
    return cached.Hash;
}

// The template as `tavlo render` reads it from the program's settings: found without regard to
// case, its cover type and face files.
QByteArray TBatchDigest::TemplateHash(const QString& name)
{
    if (!FStore) {
        FStore = std::make_unique<TTemplateStore>();
        OpenWithSamples(*FStore); // as `tavlo render --template` finds them, samples and all
    }
    for (const QString& stored : FStore->ListNames()) {
        if (stored.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QCryptographicHash hash(QCryptographicHash::Sha256);
        AddText(hash, stored);
        AddText(hash, FStore->ReadValue(stored, BookTypeKey()));
        for (int face = 0; face < 3; ++face) {
            const QString file = FStore->ReadValue(stored, FaceKey(face));
            AddText(hash, file);
            hash.addData(FileHash(file));
        }
        return hash.result();
    }
    return QByteArrayLiteral("no stored template");
}
