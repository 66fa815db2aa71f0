#include "imageio/PictureKind.h"

QString ExtractExtension(const QString& path)
{
    // Only the file name counts: a dot in a folder name is not an extension.
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || dot < slash)
        return {};
    return path.mid(dot + 1);
}

bool SameTextAscii(QStringView a, QLatin1StringView b)
{
    if (a.size() != b.size())
        return false;
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    for (qsizetype i = 0; i < a.size(); ++i)
        if (lower(a[i].unicode()) != lower(b[i].unicode()))
            return false;
    return true;
}

PictureKind PictureKindOf(const QString& extension)
{
    struct TEntry {
        const char* Extension;
        PictureKind Kind;
    };
    static constexpr TEntry Table[] = {
        {"BMP", PictureKind::Bitmap}, {"ICO", PictureKind::Icon}, {"WMF", PictureKind::Metafile},
        {"EMF", PictureKind::Metafile}, {"GIF", PictureKind::Gif}, {"JPG", PictureKind::Jpeg},
        {"JPEG", PictureKind::Jpeg}, {"PNG", PictureKind::Png}, {"TIF", PictureKind::Tiff}, {"WEBP", PictureKind::WebP},
    };
    for (const TEntry& entry : Table)
        if (SameTextAscii(extension, QLatin1String(entry.Extension)))
            return entry.Kind;
    return PictureKind::None;
}
