#include "editor/LayerClipboard.h"

#include "editor/TextLayer.h"
#include "raster/TextRecord.h"
#include "imageio/ProductName.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QMimeData* ClipboardContent()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->mimeData() : nullptr;
}

} // namespace

QString LayerClipboardMimeType()
{
    // "Tavlo Generator v1.56" -> "application/x-tavlo-generator-v1.56"
    return QStringLiteral("application/x-") + QString::fromLatin1(ProductNameVersion).toLower().replace(u' ', u'-');
}

QByteArray LayerClipboardBlock(const TBitmapLayer& layer)
{
    QStringList lines;
    if (const auto* text = dynamic_cast<const TTextLayer*>(&layer))
        WriteRecord(*text, lines);
    lines.append(QString::fromLatin1(ProductNameVersion));
    QByteArray block;
    for (const QString& line : lines)
        block += line.toUtf8() + "\r\n";
    block += '\0';
    return block;
}

QStringList LinesOfBlock(const QByteArray& block)
{
    const qsizetype end = block.indexOf('\0');
    const QString text = QString::fromUtf8(end >= 0 ? block.left(end) : block);
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineBreak);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the break after the last line ends it; it starts no new one
    return lines;
}

void CopyLayer(const TBitmapLayer& layer)
{
    auto* content = new QMimeData;
    content->setImageData(layer.Bitmap().ToImage());
    content->setData(LayerClipboardMimeType(), LayerClipboardBlock(layer));
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setMimeData(content); // the clipboard owns it from here
    else
        delete content;
}

bool CanPaste()
{
    const QMimeData* content = ClipboardContent();
    return content && content->hasImage();
}

bool ClipboardBitmap(TBitmap32& bitmap)
{
    const QMimeData* content = ClipboardContent();
    if (!content || !content->hasImage())
        return false;
    const QImage image = qvariant_cast<QImage>(content->imageData());
    if (image.isNull())
        return false;
    bitmap.Assign(image);
    // Only a layer copied by this program brings an alpha worth keeping.
    if (!content->hasFormat(LayerClipboardMimeType()))
        bitmap.ResetAlpha(255);
    return !bitmap.Empty();
}

TFloatRect PastedLocation(const TFloatRect& copied, QSize size, QSize face)
{
    const float w = float(size.width()), h = float(size.height());
    const float left = std::max(0.0f, std::min(copied.Left + 10, float(face.width()) - w));
    const float top = std::max(0.0f, std::min(copied.Top + 10, float(face.height()) - h));
    return {left, top, left + w, top + h};
}

void TLayerClipboard::CopySelected()
{
    if (TBitmapLayer* layer = FHost.SelectedLayer()) {
        CopyLayer(*layer);
        FCopiedFrom = layer->Location();
        FHost.UpdateLayerTools();
    }
}

void TLayerClipboard::CutSelected()
{
    CopySelected();
    FHost.DeleteLayer();
}

void TLayerClipboard::PasteLayer()
{
    const bool enabled = CanPaste();
    FHost.SetPasteEnabled(enabled);
    if (!enabled || !FHost.EnsureFaceImage())
        return;
    TBitmap32 bitmap;
    if (!ClipboardBitmap(bitmap))
        return;
    if (!PasteTextLayer(bitmap))
        FHost.AddImageLayer(bitmap);
    // A copy of a layer of ours lands beside the original, where it can be seen, not on it.
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (!FCopiedFrom || !clipboard || !clipboard->ownsClipboard()) {
        FCopiedFrom.reset();
        return;
    }
    if (TBitmapLayer* pasted = FHost.SelectedLayer()) {
        FCopiedFrom = PastedLocation(*FCopiedFrom, pasted->Bitmap().Size(), FHost.FaceSize());
        FHost.MoveLayer(*pasted, *FCopiedFrom);
    }
}

bool TLayerClipboard::PasteTextLayer(const TBitmap32& bitmap)
{
    const QMimeData* content = ClipboardContent();
    if (!content || !content->hasFormat(LayerClipboardMimeType()))
        return false;
    const QStringList lines = LinesOfBlock(content->data(LayerClipboardMimeType()));
    TTextParams params;
    if (!ReadRecord(params, &lines))
        return false;
    auto* layer = FHost.ViewLayers().Add<TTextLayer>();
    static_cast<TTextParams&>(*layer) = std::move(params);
    // The copied pixels, not a new drawing: the text is drawn again when next confirmed.
    layer->Bitmap() = bitmap;
    FHost.PlaceLayer(*layer, true);
    return true;
}
