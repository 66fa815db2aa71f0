#include "ReadFormats.h"

#include "imageio/PictureFormats.h"

#include <QStringList>
#include <algorithm>

QString ReadFormatsLine()
{
    QList<TPictureFormat> formats = PictureFormats().Readable();
    std::stable_sort(formats.begin(), formats.end(),
                     [](const TPictureFormat& a, const TPictureFormat& b) { return a.Kind < b.Kind; });
    QStringList extensions;
    for (const TPictureFormat& f : formats)
        if (!extensions.contains(QLatin1Char('.') + f.Extension))
            extensions << QLatin1Char('.') + f.Extension;
    return QStringLiteral("Pictures are read by their extension (any case): %1").arg(extensions.join(QLatin1Char(' ')));
}
