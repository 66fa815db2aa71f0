#include "printcover/CoverSplit.h"

#include "imageio/ImageWriter.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

TBitmap32 CutFace(const TCoverPicture& cover, const QRectF& place, QSize size)
{
    TBitmap32 face(size.width(), size.height());
    // Kept inside the picture: without bleed a rounded corner could reach one pixel past its edge.
    const QPoint corner(std::clamp(int(std::lround(place.left())), 0, std::max(0, cover.Pixels.Width() - size.width())),
                        std::clamp(int(std::lround(place.top())), 0, std::max(0, cover.Pixels.Height() - size.height())));
    // At the print resolution already (a PDF rendered at it, a picture made at it): the face's
    // own size from its rounded corner, so nothing is resampled.
    const bool sameScale = std::abs(place.width() - size.width()) < 1 && std::abs(place.height() - size.height()) < 1;
    const QRect source = sameScale ? QRect(corner, size)
                                   : QRect(corner, QPoint(int(std::lround(place.right())) - 1,
                                                          int(std::lround(place.bottom())) - 1));
    face.StretchCopy(QRect(QPoint(0, 0), size), cover.Pixels, source, true);
    return face;
}

} // namespace

TBitmap32& TCoverFaces::Face(TCoverFace face)
{
    return face == TCoverFace::Front ? Front : face == TCoverFace::Spine ? Spine : Back;
}

TCoverFaces SplitCover(const TCoverPicture& cover, const TCoverMeasures& measures, double dpi)
{
    const TWrapLayout layout = WrapLayout(measures, QSizeF(cover.Pixels.Size()));
    TCoverFaces faces;
    for (TCoverFace f : {TCoverFace::Front, TCoverFace::Spine, TCoverFace::Back}) {
        const QSize size = FacePixels(measures, f, dpi);
        CheckBitmapSize(size.width(), size.height());
        if (size.isEmpty())
            throw std::runtime_error("the spine is narrower than one pixel at this resolution");
        faces.Face(f) = CutFace(cover, layout.Face(f), size);
    }
    return faces;
}

void WriteCoverFaces(const TCoverFaces& faces, const QString& folder)
{
    if (!QDir().mkpath(folder))
        throw std::runtime_error(QStringLiteral("Cannot make the folder \"%1\"").arg(folder).toStdString());
    const QDir dir(folder);
    WriteImageFile(faces.Front, dir.filePath(QStringLiteral("front.png")));
    WriteImageFile(faces.Spine, dir.filePath(QStringLiteral("spine.png")));
    WriteImageFile(faces.Back, dir.filePath(QStringLiteral("back.png")));
}
