#include "printcover/CoverPicture.h"

#include "imageio/PictureLoader.h"
#include "printcover/PictureDpi.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <poppler-qt6.h>
#include <stdexcept>

namespace {

[[noreturn]] void Fail(const QString& path, const QString& why)
{
    throw std::runtime_error(QStringLiteral("Cannot read \"%1\": %2").arg(QFileInfo(path).fileName(), why).toStdString());
}

// measures, when given, checks the page's size before anything is drawn.
TCoverPicture ReadPdf(const QString& path, double dpi, const TCoverMeasures* measures)
{
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document)
        Fail(path, QStringLiteral("it is no PDF Poppler can open"));
    if (document->isLocked())
        Fail(path, QStringLiteral("the PDF is protected by a password"));
    const std::unique_ptr<Poppler::Page> page = document->numPages() > 0 ? document->page(0) : nullptr;
    if (!page)
        Fail(path, QStringLiteral("the PDF has no pages"));
    TCoverPicture cover;
    cover.Source = TCoverPicture::Rendered;
    cover.Dpi = dpi;
    cover.PageInches = page->pageSizeF() / 72.0; // points
    if (measures)
        CheckWrapSize(*measures, cover.PageInches, cover.SizeDetail());
    CheckBitmapSize(std::llround(cover.PageInches.width() * dpi), std::llround(cover.PageInches.height() * dpi));
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    const QImage image = page->renderToImage(dpi, dpi);
    if (image.isNull())
        Fail(path, QStringLiteral("Poppler could not draw its first page"));
    cover.Pixels.Assign(image.convertToFormat(QImage::Format_ARGB32));
    return cover;
}

TCoverPicture ReadPicture(const QString& path, double wrapHeight)
{
    TCoverPicture cover;
    LoadPictureFile(cover.Pixels, path);
    const std::optional<double> declared = DeclaredDpi(ReadPictureFileBytes(path));
    cover.Source = declared ? TCoverPicture::Declared : TCoverPicture::FromHeight;
    if (declared) {
        cover.Dpi = *declared;
        cover.PageInches = QSizeF(cover.Pixels.Size()) / cover.Dpi;
    } else {
        cover.FitHeight(wrapHeight);
    }
    return cover;
}

} // namespace

QString TCoverPicture::SizeDetail() const
{
    if (Source == Rendered)
        return QStringLiteral("the PDF's first page");
    return QStringLiteral("%1 x %2 pixels at %3 dpi %4")
        .arg(Pixels.Width())
        .arg(Pixels.Height())
        .arg(QString::number(Dpi, 'f', Dpi == std::round(Dpi) ? 0 : 1),
             Source == Declared ? QStringLiteral("from the file") : QStringLiteral("from its height"));
}

void TCoverPicture::FitHeight(double wrapHeight)
{
    Dpi = Pixels.Height() / wrapHeight;
    PageInches = QSizeF(Pixels.Size()) / Dpi;
}

bool IsPdfFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

namespace {

// By content; a file named .pdf that is none is still one for the messages' sake.
bool TreatAsPdf(const QString& path)
{
    if (!QFileInfo(path).isFile())
        Fail(path, QStringLiteral("there is no such file"));
    return IsPdfFile(path) || QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
}

} // namespace

TCoverPicture ReadCoverPicture(const QString& path, double dpi, double wrapHeight)
{
    return TreatAsPdf(path) ? ReadPdf(path, dpi, nullptr) : ReadPicture(path, wrapHeight);
}

TCoverPicture ReadCheckedCover(const QString& path, const TCoverMeasures& measures, double dpi)
{
    if (TreatAsPdf(path))
        return ReadPdf(path, dpi, &measures);
    TCoverPicture cover = ReadPicture(path, measures.WrapInches().height());
    CheckWrapSize(measures, cover.PageInches, cover.SizeDetail());
    return cover;
}
