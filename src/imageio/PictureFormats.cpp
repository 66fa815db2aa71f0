#include "imageio/PictureFormats.h"

void TPictureFormats::Register(const QString& extension, const QString& description, PictureKind kind)
{
    FFormats.append({extension.toLower(), description, kind});
}

void TPictureFormats::AddModern(const QString& extension, const QString& description, PictureKind kind)
{
    FModern.append({extension.toLower(), description, kind});
}

void TPictureFormats::Unregister(PictureKind kind)
{
    FFormats.removeIf([kind](const TPictureFormat& f) { return f.Kind == kind; });
}

const TPictureFormat* TPictureFormats::Find(const QString& extension) const
{
    for (const QList<TPictureFormat>* list : {&FFormats, &FModern})
        for (const TPictureFormat& format : *list)
            if (SameTextAscii(extension, QLatin1String(format.Extension.toLatin1())))
                return &format;
    return nullptr;
}

QString TPictureFormats::Filter() const
{
    QList<TPictureFormat> ordered(FFormats.crbegin(), FFormats.crend());
    ordered += FModern;
    QString entries, patterns;
    for (const TPictureFormat& f : ordered) {
        if (!entries.isEmpty())
            entries += u'|';
        entries += QStringLiteral("%1 (*.%2)|*.%2").arg(f.Description, f.Extension);
        if (!patterns.isEmpty())
            patterns += u';';
        patterns += QStringLiteral("*.%1").arg(f.Extension);
    }
    if (ordered.size() > 1)
        return QStringLiteral("All (%1)|%1|%2").arg(patterns, entries);
    return entries;
}

const TPictureFormats& PictureFormats()
{
    static const TPictureFormats formats = [] {
        TPictureFormats f;
        f.Register("wmf", "Metafiles", PictureKind::Metafile);
        f.Register("emf", "Enhanced Metafiles", PictureKind::Metafile);
        f.Register("ico", "Icons", PictureKind::Icon);
        f.Register("bmp", "Bitmaps", PictureKind::Bitmap);
        // The JPEG reader registers itself as "JPEG Image File"; the program replaces that.
        f.Register("jpg", "JPEG Image File", PictureKind::Jpeg);
        f.Register("jpeg", "JPEG Image File", PictureKind::Jpeg);
        f.Unregister(PictureKind::Jpeg);
        f.Register("jpeg", "JPEG Image", PictureKind::Jpeg);
        f.Register("jpg", "JPEG Image", PictureKind::Jpeg);
        f.Register("gif", "GIF Image", PictureKind::Gif);
        f.AddModern("png", "PNG Image", PictureKind::Png);
        f.AddModern("tif", "TIFF Image", PictureKind::Tiff);
        f.AddModern("tiff", "TIFF Image", PictureKind::Tiff);
        f.AddModern("webp", "WebP Image", PictureKind::WebP);
        return f;
    }();
    return formats;
}

PictureKind LoaderKindOf(const QString& path)
{
    const TPictureFormat* format = PictureFormats().Find(ExtractExtension(path));
    return format ? format->Kind : PictureKind::None;
}
