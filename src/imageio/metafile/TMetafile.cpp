#include "imageio/metafile/TMetafile.h"

#include "imageio/DecodeBudget.h"
#include "imageio/metafile/MetaHeader.h"
#include "imageio/metafile/MetaPlayers.h"
#include "raster/TBitmap32.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <stdexcept>

struct TMetafile::TData {
    QByteArray Bytes;
    TMetaHeader Header;
};

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

void TMetafile::Load(const QByteArray& bytes)
{
    TMetaHeader header;
    if (!ReadEmfHeader(bytes, header) && !ReadWmfHeader(bytes, header))
        throw std::runtime_error("Metafile is not valid");
    FData = std::make_unique<TData>(TData{bytes, header});
}

bool TMetafile::Empty() const { return !FData; }

QSize TMetafile::Size() const
{
    if (!FData)
        return {};
    // A few records may declare any size; a picture beyond the budget is drawn smaller instead.
    QSize size = FData->Header.Size;
    const double bytes = double(size.width()) * size.height() * 4;
    if (bytes > double(MetafilePictureBytes)) {
        const double scale = std::sqrt(double(MetafilePictureBytes) / bytes);
        size = QSize(std::max(1, int(size.width() * scale)), std::max(1, int(size.height() * scale)));
    }
    return size;
}

void TMetafile::Draw(QPainter& painter, const QRectF& target) const
{
    if (!FData || target.isEmpty())
        return;
    if (FData->Header.Format == TMetaFormat::Emf)
        PlayEmf(FData->Bytes, FData->Header, painter, target);
    else
        PlayWmf(FData->Bytes, FData->Header, painter, target);
}

void TMetafile::RenderTo(TBitmap32& target) const
{
    const QSize size = Size();
    target.SetSize(size.width(), size.height());
    if (target.Empty())
        return;
    QImage view = target.ImageView();
    QPainter painter(&view);
    Draw(painter, QRectF(0, 0, size.width(), size.height()));
}
