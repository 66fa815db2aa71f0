#pragma once
// The picture formats the loader knows, in registration order, and the open dialog's filter.

#include "imageio/PictureKind.h"

#include <QList>
#include <QString>

struct TPictureFormat {
    QString Extension;   // without the dot, lower case
    QString Description; // "Bitmaps", "GIF Image", ...
    PictureKind Kind;    // the picture object that reads it
};

class TPictureFormats {
public:
    void Register(const QString& extension, const QString& description, PictureKind kind);
    // Formats read through Qt's image plugins: listed in the filter after every registered format,
    // in the order added, and in the "All" entry.
    void AddModern(const QString& extension, const QString& description, PictureKind kind);
    // Removes every registration of the kind.
    void Unregister(PictureKind kind);
    // The format for an extension (without the dot, any ASCII case); nullptr when none.
    const TPictureFormat* Find(const QString& extension) const;
    const QList<TPictureFormat>& Formats() const { return FFormats; }
    // Every format the loader reads: the registered ones, then those read through Qt.
    QList<TPictureFormat> Readable() const { return FFormats + FModern; }
    // Built from the last registered format to the first, then the modern ones: "All
    // (patterns)|patterns|" followed by one "Description (*.ext)|*.ext" entry per format (just the
    // entry when there is one format).
    QString Filter() const;

private:
    QList<TPictureFormat> FFormats;
    QList<TPictureFormat> FModern;
};

// The formats as the program leaves them at start-up: the framework's own (wmf, emf, ico, bmp),
// the JPEG reader's registrations replaced by "jpeg" and "jpg", then "gif"; PNG, TIFF and WebP
// after them.
const TPictureFormats& PictureFormats();

// The decoder the loader picks for a file by its extension ("tiff" too); None when it knows none.
PictureKind LoaderKindOf(const QString& path);
