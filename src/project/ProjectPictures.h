#pragma once
// The pictures of a project file, read under one budget before any of them is decoded: each entry
// is inflated once, all of them together inflate to a bounded size, each picture's declared size
// must be paid for by its picture data as for a file of its own (the pixels a file may use
// without data are shared by the whole project), and all of them together decode to a size
// bounded by the file's. A small file cannot cost what its headers claim.

#include "imageio/QtImageReader.h"
#include "raster/TBitmap32.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <vector>

class TZipReader;

class TProjectPictures {
public:
    // archiveBytes: the project file's size, which bounds what its entries may inflate to.
    TProjectPictures(const TZipReader& zip, qint64 archiveBytes);

    // A picture the manifest refers to: its entry is read (once, whatever the number of
    // references) and its header examined. Answers the handle Take gives it back by. Throws
    // TProjectError for an entry that is missing, damaged, too large or no PNG.
    int Refer(const QString& name);
    // Checks every referred picture against the budget, then decodes each entry once. Throws
    // TProjectError naming the first picture refused; nothing is decoded when the budget refuses.
    void Decode();
    // The decoded picture of a reference; the last reference of an entry takes it without a copy.
    TBitmap32 Take(int handle);

private:
    struct TEntry {
        QString Name;
        QByteArray Bytes; // freed once decoded
        TQtPictureClaim Claim;
        TBitmap32 Picture;
        int References = 0;
    };
    void CheckBudget() const;

    const TZipReader& FZip;
    qint64 FArchiveBytes;
    qint64 FInflateLeft; // what the entries still read may inflate to
    std::vector<TEntry> FEntries;
    QHash<QString, int> FByName;
    std::vector<int> FReferences; // entry of each handle
};
