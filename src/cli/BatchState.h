#pragma once
// Which output was made from which request: a journal beside the CSV file with one line per
// rendered row (the row's digest and the output's size and time as written). It serves every
// output format alike (a BMP has no room for a note) and checking a row costs a look at the
// output's size and time, not a read of the picture. Each shard keeps a journal of its own, so
// machines sharing a folder never write one file; all of them are read, so a run split another
// way still finds what is done.

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>

class TBatchState {
public:
    // Reads the journals of the CSV file and rewrites this shard's own, keeping only the latest
    // line per output. Problem() says when it cannot be kept.
    TBatchState(const QString& csvPath, int shard, int shards);

    static QString FileName(const QString& csvPath, int shard, int shards);

    // The output exists as it was written for this digest.
    bool IsUpToDate(const QString& output, const QByteArray& digest) const;
    // Notes that the output was just written for digest; the line is on disk when this returns.
    void Record(const QString& output, const QByteArray& digest);
    // Empty while the journal can be written; else why not (rows are still rendered, but a
    // rerun renders them again).
    QString Problem() const { return FProblem; }

private:
    struct TEntry {
        QByteArray Digest;
        qint64 Size = -1, Modified = 0;
    };
    static QByteArray Line(const QString& output, const TEntry& entry);
    void Load(const QString& path, QHash<QString, TEntry>& into) const;
    static bool Matches(const TEntry& entry, const QString& output, const QByteArray& digest);

    QMultiHash<QString, TEntry> FKnown; // from every journal of the CSV file
    QFile FJournal;
    QString FProblem;
};
