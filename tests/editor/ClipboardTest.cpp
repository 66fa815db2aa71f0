#include "editor/FontDlg.h"
#include "editor/LayerClipboard.h"
#include "editor/TextLayer.h"
#include "raster/TextRecord.h"
#include "common/WhenModal.h"

#include <QtWidgets>
#include <gtest/gtest.h>

namespace {

// The face editor as the clipboard commands see it, recording what they ask of it.
class TFakeFace : public ILayerClipboardHost {
public:
    TLayerCollection Layers;
    TBitmapLayer* Selected = nullptr;
    bool HasImage = true;
    int Placed = 0, ToolUpdates = 0, PasteEnabled = -1;

    TBitmapLayer* SelectedLayer() const override { return Selected; }
    TLayerCollection& ViewLayers() override { return Layers; }
    bool EnsureFaceImage() override { return HasImage; }
    void PlaceLayer(TBitmapLayer& layer, bool) override
    {
        layer.Bitmap().SetDrawMode(TDrawMode::dmBlend);
        layer.SetScaled(true);
        ++Placed;
        Selected = &layer;
    }
    void AddImageLayer(const TBitmap32& bitmap) override
    {
        auto* layer = Layers.Add<TBitmapLayer>();
        layer->Bitmap() = bitmap;
        PlaceLayer(*layer, true);
    }
    void DeleteLayer() override { delete std::exchange(Selected, nullptr); }
    void UpdateLayerTools() override { ++ToolUpdates; }
    void SetPasteEnabled(bool enabled) override { PasteEnabled = enabled; }

    TBitmapLayer* Top() const { return Layers.Count() ? static_cast<TBitmapLayer*>(Layers.Items(Layers.Count() - 1)) : nullptr; }
    // A selected image layer holding the semi-transparent picture.
    TBitmapLayer* SelectPicture();
};

// The picture the tests put on the clipboard, or the same colours all opaque.
TBitmap32 SemiTransparentPicture(bool opaque = false)
{
    TBitmap32 b(7, 5);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.SetPixel(x, y, Color32(x * 30, y * 50, 200, opaque ? 255 : (x * 37 + y * 11) % 256));
    return b;
}

TBitmapLayer* TFakeFace::SelectPicture()
{
    Selected = Layers.Add<TBitmapLayer>();
    Selected->Bitmap() = SemiTransparentPicture();
    return Selected;
}

// Puts the picture on the clipboard, with the own block beside it unless it is null.
void PutOnClipboard(const QByteArray& block)
{
    auto* content = new QMimeData;
    content->setImageData(SemiTransparentPicture().ToImage());
    if (!block.isNull())
        content->setData(LayerClipboardMimeType(), block);
    QGuiApplication::clipboard()->setMimeData(content);
}

} // namespace

TEST(Clipboard, BlockIsTheRecordThenTheSignatureInUtf8WithCrLfAndAZero)
{
    TLayerCollection layers;
    auto* text = layers.Add<TTextLayer>();
    text->Lines = {QString::fromUtf8("Zoë 日本")};
    const QByteArray block = LayerClipboardBlock(*text);
    QStringList record;
    WriteRecord(*text, record);
    EXPECT_EQ(block, (record.join("\r\n") + "\r\nTavlo Generator v1.56\r\n").toUtf8() + QByteArray(1, '\0'));
    EXPECT_EQ(LayerClipboardBlock(*layers.Add<TBitmapLayer>()), QByteArray("Tavlo Generator v1.56\r\n", 24));
    // Lines split at CR, LF or both; a block without its 0 byte is read to its end.
    EXPECT_EQ(LinesOfBlock(QByteArray("a\rb\nc\r\nd")), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(LinesOfBlock(QByteArray("a\r\n\0garbage", 11)), QStringList{"a"});
}

TEST(Clipboard, CutPastesBackWithItsAlphaButNothingIsPastedWithoutAPictureOrAFaceImage)
{
    TFakeFace face;
    face.SelectPicture();
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(CanPaste());
    TLayerClipboard clipboard(face);
    clipboard.CutSelected();
    EXPECT_TRUE(face.Layers.Count() == 0 && CanPaste());
    clipboard.PasteLayer(); // an image layer again, its alpha kept
    ASSERT_EQ(face.Layers.Count(), 1);
    EXPECT_EQ(dynamic_cast<TTextLayer*>(face.Top()), nullptr);
    EXPECT_TRUE(face.Top()->Bitmap().SamePixels(SemiTransparentPicture()));

    // Without a selection, copy and cut do nothing.
    face.Selected = nullptr;
    QGuiApplication::clipboard()->clear();
    clipboard.CutSelected();
    EXPECT_FALSE(CanPaste() || face.ToolUpdates != 1);

    // A paste of it lands 10 pixels right and down, kept inside the face.
    EXPECT_EQ(PastedLocation({10, 20, 30, 40}, {20, 20}, {100, 100}), (TFloatRect{20, 30, 40, 50}));
    EXPECT_EQ(PastedLocation({85, 90, 105, 110}, {20, 20}, {100, 100}), (TFloatRect{80, 80, 100, 100}));

    // Nothing is pasted without a picture or a face image.
    auto* ownOnly = new QMimeData;
    ownOnly->setData(LayerClipboardMimeType(), QByteArray("ClassName=TTextLayer\r\nCount=0\r\nLine0=x\r\n") + '\0');
    QGuiApplication::clipboard()->setMimeData(ownOnly);
    EXPECT_FALSE(CanPaste()); // the own format alone does not count
    clipboard.PasteLayer();
    EXPECT_EQ(std::pair(face.PasteEnabled, face.Layers.Count()), std::pair(0, 1));

    PutOnClipboard(QByteArray("ClassName=TTextLayer\r\nCount=0\r\nLine0=x\r\n") + '\0');
    face.HasImage = false; // the new image dialog was cancelled
    clipboard.PasteLayer();
    EXPECT_EQ(std::tuple(face.PasteEnabled, face.Layers.Count(), face.Placed), std::tuple(1, 1, 1));
}

TEST(Clipboard, ForeignAndDamagedBlocksPasteAsPicturesOrSaneTextLayers)
{
    struct Case { QByteArray block; bool text; };
    const Case cases[] = {
        {QByteArray(), false}, // a picture another program put there: arrives opaque
        {QByteArray("ClassName=TBitmapLayer\r\nCount=0\r\nLine0=x\r\n") + '\0', false},
        {QByteArray("\xff\xfe garbage \x01\x02 no equals", 21), false},
        {QByteArray(""), false},
        {QByteArray("Tavlo Generator v1.56\r\n") + '\0', false},
        {QByteArray("classname=TTEXTLAYER\r\nAlpha=-40\r\nQuality=9\r\nFontPitch=5\r\nFontPPI=zz"), true}, // no Count, no 0
        {QByteArray("ClassName=TTextLayer\r\nCount=99999999\r\nLine0=only\r\nFontHeight=-2147483648") + '\0', true},
    };
    for (const Case& c : cases) {
        TFakeFace face;
        PutOnClipboard(c.block);
        TLayerClipboard(face).PasteLayer();
        ASSERT_EQ(face.Layers.Count(), 1);
        auto* text = dynamic_cast<TTextLayer*>(face.Top());
        EXPECT_EQ(text != nullptr, c.text) << c.block.constData();
        EXPECT_TRUE(face.Top()->Bitmap().SamePixels(SemiTransparentPicture(c.block.isNull())));
        if (!text)
            continue;
        // The dialog brings the reader's values into range (see its own test): confirming draws.
        WhenModal<TFontDlgFrm>([](TFontDlgFrm* dlg) {
            dlg->btnOK->setEnabled(true);
            dlg->btnOK->click();
        });
        EXPECT_NO_THROW(EditTextLayer(text));
    }
    EXPECT_FALSE(EditTextLayer(nullptr));
}
