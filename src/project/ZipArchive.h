#pragma once
// A thin layer over libzip: reading entries of an archive file with size checks, and building an
// archive in memory.

#include <QByteArray>
#include <QString>
#include <list>
#include <memory>

struct zip;

class TZipReader {
public:
    // Throws TProjectError when path is no zip archive.
    explicit TZipReader(const QString& path);
    ~TZipReader();
    TZipReader(const TZipReader&) = delete;
    TZipReader& operator=(const TZipReader&) = delete;

    bool Contains(const QString& name) const;
    // The entry's bytes; throws TProjectError when it is missing, declares more than maxBytes,
    // or does not read back whole and intact.
    QByteArray Read(const QString& name, qint64 maxBytes) const;

private:
    zip* FArchive = nullptr;
};

class TZipWriter {
public:
    TZipWriter();
    ~TZipWriter();
    TZipWriter(const TZipWriter&) = delete;
    TZipWriter& operator=(const TZipWriter&) = delete;

    // compress: deflate the entry; pictures that are compressed already are stored as they are.
    void Add(const QString& name, QByteArray data, bool compress);
    // The finished archive; the writer is spent afterwards.
    QByteArray Finish();

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};
