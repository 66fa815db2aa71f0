#include "BatchState.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>
#include <algorithm>

namespace {

const QByteArray Header = "tavlo batch state 1\n";
const QString Suffix = QStringLiteral(".tavlo-state");

bool IsHexDigest(const QByteArray& text)
{
    if (text.size() != 64)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

} // namespace

QString TBatchState::FileName(const QString& csvPath, int shard, int shards)
{
    const QString base = QFileInfo(csvPath).absoluteFilePath();
    return shards == 1 ? base + Suffix : QStringLiteral("%1.shard-%2-of-%3%4").arg(base).arg(shard).arg(shards).arg(Suffix);
}

TBatchState::TBatchState(const QString& csvPath, int shard, int shards)
{
    const QFileInfo csv(csvPath);
    const QString own = FileName(csvPath, shard, shards);
    QHash<QString, TEntry> mine;
    const QStringList names = csv.absoluteDir().entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        if (!name.startsWith(csv.fileName() + u'.') || !name.endsWith(Suffix))
            continue;
        const QString path = csv.absoluteDir().filePath(name);
        QHash<QString, TEntry> entries;
        Load(path, entries);
        for (auto e = entries.cbegin(); e != entries.cend(); ++e)
            FKnown.insert(e.key(), e.value());
        if (path == own)
            mine = entries;
    }

    // A journal only grows; rewritten here it keeps one line per output.
    QSaveFile compacted(own);
    if (compacted.open(QIODevice::WriteOnly)) {
        compacted.write(Header);
        for (auto e = mine.cbegin(); e != mine.cend(); ++e)
            compacted.write(Line(e.key(), e.value()));
        if (compacted.commit()) {
            FJournal.setFileName(own);
            if (FJournal.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
                return;
        }
    }
    FProblem = QStringLiteral("the resume state %1 cannot be written (%2)")
                   .arg(own, compacted.error() != QFileDevice::NoError ? compacted.errorString() : FJournal.errorString());
}

void TBatchState::Load(const QString& path, QHash<QString, TEntry>& into) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.readLine() != Header)
        return;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        // A line cut short by a machine going down has no line break and is left out.
        if (!line.endsWith('\n'))
            break;
        const QList<QByteArray> fields = line.chopped(1).split('\t');
        bool sizeOk = false, timeOk = false;
        TEntry entry;
        if (fields.size() == 4 && IsHexDigest(fields[0])) {
            entry.Digest = fields[0];
            entry.Size = fields[1].toLongLong(&sizeOk);
            entry.Modified = fields[2].toLongLong(&timeOk);
        }
        if (sizeOk && timeOk)
            into.insert(QUrl::fromPercentEncoding(fields[3]), entry);
    }
}

QByteArray TBatchState::Line(const QString& output, const TEntry& entry)
{
    return entry.Digest + '\t' + QByteArray::number(entry.Size) + '\t' + QByteArray::number(entry.Modified) + '\t'
        + QUrl::toPercentEncoding(output, "/") + '\n';
}

bool TBatchState::Matches(const TEntry& entry, const QString& output, const QByteArray& digest)
{
    if (entry.Digest != digest)
        return false;
    const QFileInfo info(output);
    return info.isFile() && info.size() == entry.Size && info.lastModified().toMSecsSinceEpoch() == entry.Modified;
}

bool TBatchState::IsUpToDate(const QString& output, const QByteArray& digest) const
{
    const QList<TEntry> entries = FKnown.values(output);
    return std::any_of(entries.cbegin(), entries.cend(), [&](const TEntry& e) { return Matches(e, output, digest); });
}

void TBatchState::Record(const QString& output, const QByteArray& digest)
{
    const QFileInfo info(output);
    const TEntry entry{digest, info.size(), info.lastModified().toMSecsSinceEpoch()};
    FKnown.insert(output, entry);
    if (!FJournal.isOpen())
        return;
    // One write of a whole line: a journal cut short loses at most that line.
    const QByteArray line = Line(output, entry);
    if (FJournal.write(line) != line.size())
        FProblem = QStringLiteral("the resume state %1 cannot be written (%2)").arg(FJournal.fileName(), FJournal.errorString());
}
