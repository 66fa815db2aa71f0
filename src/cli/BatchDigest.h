#pragma once
// What a batch row asks for, as one digest: its render arguments and the bytes of every input
// they name (face files, the project, a stored template's values and face files). A row whose
// digest equals the one its output was made from would make the same picture again.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

class TTemplateStore;

class TBatchDigest {
public:
    TBatchDigest();
    ~TBatchDigest();

    // Hex SHA-256 of the request; a missing or unreadable input counts as such, so it changes
    // the digest when it appears.
    QByteArray Of(const QStringList& renderArgs);

private:
    QByteArray FileHash(const QString& path);
    QByteArray TemplateHash(const QString& name);

    struct TCachedHash {
        qint64 Size = -1, Modified = 0;
        QByteArray Hash;
    };
    QHash<QString, TCachedHash> FFiles; // rows of a catalogue share their face files
    std::unique_ptr<TTemplateStore> FStore;
};
