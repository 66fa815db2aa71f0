#include "editor/FontDlg.h"
#include "editor/LayerClipboard.h"
#include "editor/TextLayer.h"
#include "raster/TextRecord.h"

#include <QtWidgets>
#include <gtest/gtest.h>

namespace {

// The face editor as the clipboard commands see it, recording what they ask of it.
class TFakeFace : public ILayerClipboardHost {
public:
    TLayerCollection Layers;
    TBitmapLayer* Selected = nullptr;
    bool HasImage = true;
    int Placed = 0;
    bool PlacedCentred = false;
    int ToolUpdates = 0;
    int PasteEnabled = -1;

    TBitmapLayer* SelectedLayer() const override { return Selected; }
    TLayerCollection& ViewLayers() override { return Layers; }
    bool EnsureFaceImage() override { return HasImage; }
    void PlaceLayer(TBitmapLayer& layer, bool center) override
    {
        layer.Bitmap().SetDrawMode(TDrawMode::dmBlend);
        layer.SetScaled(true);
        ++Placed;
        PlacedCentred = center;
        Selected = &layer;
    }
    void AddImageLayer(const TBitmap32& bitmap) override
    {
        auto* layer = Layers.Add<TBitmapLayer>();
        layer->Bitmap() = bitmap;
        PlaceLayer(*layer, true);
    }
    void DeleteLayer() override
    {
        delete Selected;
        Selected = nullptr;
    }
    void UpdateLayerTools() override { ++ToolUpdates; }
    void SetPasteEnabled(bool enabled) override { PasteEnabled = enabled; }

    TBitmapLayer* Top() const { return Layers.Count() ? static_cast<TBitmapLayer*>(Layers.Items(Layers.Count() - 1)) : nullptr; }
};

TBitmap32 SemiTransparentPicture()
{
    TBitmap32 b(7, 5);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.SetPixel(x, y, Color32(x * 30, y * 50, 200, (x * 37 + y * 11) % 256));
    return b;
}

void PutOnClipboard(QMimeData* content) { QGuiApplication::clipboard()->setMimeData(content); }

QMimeData* OwnBlockWithPicture(const QByteArray& block)
{
    auto* content = new QMimeData;
    content->setImageData(SemiTransparentPicture().ToImage());
    content->setData(LayerClipboardMimeType(), block);
    return content;
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
    EXPECT_EQ(LinesOfBlock(block), record + QStringList{"Tavlo Generator v1.56"});

    auto* image = layers.Add<TBitmapLayer>();
    EXPECT_EQ(LayerClipboardBlock(*image), QByteArray("Tavlo Generator v1.56\r\n", 24));

    // Lines split at CR, LF or both; a block without its 0 byte is read to its end.
    EXPECT_EQ(LinesOfBlock(QByteArray("a\rb\nc\r\nd")), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(LinesOfBlock(QByteArray("a\r\n\0garbage", 11)), QStringList{"a"});
    EXPECT_EQ(LayerClipboardMimeType(), "application/x-tavlo-generator-v1.56");
}

TEST(Clipboard, TextLayerCopiedAndPastedEditsAsTheSameText)
{
    TFakeFace face;
    auto* original = face.Layers.Add<TTextLayer>();
    original->Lines = {QString::fromUtf8("Grüße"), QString::fromUtf8("Καλημέρα")};
    original->Shadow = true;
    original->Bevel = true;
    original->Alpha = 180;
    original->Rotation = 1;
    original->Font.Color = 0x000080FF;
    original->Font.Italic = true;
    RenderTextBitmap(*original, original->Bitmap());
    original->ApplyRotationAndSize();
    face.Selected = original;

    TLayerClipboard clipboard(face);
    clipboard.CopySelected();
    EXPECT_EQ(face.ToolUpdates, 1);
    const QMimeData* content = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(content, nullptr);
    EXPECT_TRUE(content->hasImage());
    EXPECT_TRUE(content->hasFormat(LayerClipboardMimeType()));
    EXPECT_TRUE(CanPaste());

    clipboard.PasteLayer();
    EXPECT_EQ(face.PasteEnabled, 1);
    ASSERT_EQ(face.Layers.Count(), 2);
    auto* pasted = dynamic_cast<TTextLayer*>(face.Top());
    ASSERT_NE(pasted, nullptr);
    EXPECT_NE(pasted, original);
    EXPECT_TRUE(face.PlacedCentred);
    EXPECT_EQ(face.Selected, pasted);
    EXPECT_EQ(static_cast<const TTextParams&>(*pasted), static_cast<const TTextParams&>(*original));
    EXPECT_TRUE(pasted->Bitmap().SamePixels(original->Bitmap())); // alpha included, still turned

    // "Edit Text..." on the pasted layer opens with the same text, font, colour and effects.
    TTextParams shown;
    QTimer::singleShot(0, [&shown] {
        auto* dlg = qobject_cast<TFontDlgFrm*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        shown = dlg->CurrentParams();
        dlg->reject();
    });
    EXPECT_FALSE(EditTextLayer(pasted));
    EXPECT_EQ(shown, static_cast<const TTextParams&>(*original));
}

TEST(Clipboard, ImageLayerKeepsItsAlphaAndForeignPicturesArriveOpaque)
{
    TFakeFace face;
    auto* image = face.Layers.Add<TBitmapLayer>();
    image->Bitmap() = SemiTransparentPicture();
    face.Selected = image;
    TLayerClipboard clipboard(face);
    clipboard.CopySelected();
    clipboard.PasteLayer();
    ASSERT_EQ(face.Layers.Count(), 2);
    EXPECT_EQ(dynamic_cast<TTextLayer*>(face.Top()), nullptr);
    EXPECT_TRUE(face.Top()->Bitmap().SamePixels(SemiTransparentPicture()));

    // A picture another program put there: same colours, every pixel opaque.
    auto* foreign = new QMimeData;
    foreign->setImageData(SemiTransparentPicture().ToImage());
    PutOnClipboard(foreign);
    clipboard.PasteLayer();
    ASSERT_EQ(face.Layers.Count(), 3);
    const TBitmap32& opaque = face.Top()->Bitmap();
    ASSERT_EQ(opaque.Size(), QSize(7, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            EXPECT_EQ(AlphaOf(opaque.Pixel(x, y)), 255);
            EXPECT_EQ(opaque.Pixel(x, y) & 0xFFFFFF, SemiTransparentPicture().Pixel(x, y) & 0xFFFFFF);
        }
}

TEST(Clipboard, CutRemovesTheLayerAndLeavesItPasteable)
{
    TFakeFace face;
    auto* image = face.Layers.Add<TBitmapLayer>();
    image->Bitmap() = SemiTransparentPicture();
    face.Selected = image;
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(CanPaste());
    TLayerClipboard(face).CutSelected();
    EXPECT_EQ(face.Layers.Count(), 0);
    EXPECT_TRUE(CanPaste());

    // Without a selection, copy and cut do nothing.
    QGuiApplication::clipboard()->clear();
    TLayerClipboard(face).CutSelected();
    EXPECT_FALSE(CanPaste());
    EXPECT_EQ(face.ToolUpdates, 1);

    // A paste of it lands 10 pixels right and down, kept inside the face.
    EXPECT_EQ(PastedLocation({10, 20, 30, 40}, {20, 20}, {100, 100}), (TFloatRect{20, 30, 40, 50}));
    EXPECT_EQ(PastedLocation({85, 90, 105, 110}, {20, 20}, {100, 100}), (TFloatRect{80, 80, 100, 100}));
}

TEST(Clipboard, NothingIsPastedWithoutAPictureOrAFaceImage)
{
    TFakeFace face;
    TLayerClipboard clipboard(face);
    auto* ownOnly = new QMimeData;
    QStringList record;
    TTextParams p;
    p.Lines = {"x"};
    WriteRecord(p, record);
    ownOnly->setData(LayerClipboardMimeType(), (record.join("\r\n") + "\r\n").toUtf8() + QByteArray(1, '\0'));
    PutOnClipboard(ownOnly);
    EXPECT_FALSE(CanPaste()); // the own format alone does not count
    clipboard.PasteLayer();
    EXPECT_EQ(face.PasteEnabled, 0);
    EXPECT_EQ(face.Layers.Count(), 0);

    PutOnClipboard(OwnBlockWithPicture(QByteArray("ClassName=TTextLayer\r\nCount=0\r\nLine0=x\r\n", 40) + '\0'));
    face.HasImage = false; // the new image dialog was cancelled
    clipboard.PasteLayer();
    EXPECT_EQ(face.PasteEnabled, 1);
    EXPECT_EQ(face.Layers.Count(), 0);
    EXPECT_EQ(face.Placed, 0);
}

TEST(Clipboard, DamagedOwnBlocksPasteAsPicturesOrSaneTextLayers)
{
    struct Case { QByteArray block; bool text; };
    const Case cases[] = {
        {QByteArray("ClassName=TBitmapLayer\r\nCount=0\r\nLine0=x\r\n") + '\0', false},
        {QByteArray("\xff\xfe garbage \x01\x02 no equals", 21), false},
        {QByteArray(), false},
        {QByteArray("Tavlo Generator v1.56\r\n") + '\0', false},
        {QByteArray("classname=TTEXTLAYER\r\nAlpha=-40\r\nQuality=9\r\nFontPitch=5\r\nFontPPI=zz"), true}, // no Count, no 0
        {QByteArray("ClassName=TTextLayer\r\nCount=99999999\r\nLine0=only\r\nFontHeight=-2147483648") + '\0', true},
    };
    for (const Case& c : cases) {
        TFakeFace face;
        PutOnClipboard(OwnBlockWithPicture(c.block));
        TLayerClipboard(face).PasteLayer();
        ASSERT_EQ(face.Layers.Count(), 1);
        auto* text = dynamic_cast<TTextLayer*>(face.Top());
        EXPECT_EQ(text != nullptr, c.text) << c.block.constData();
        EXPECT_TRUE(face.Top()->Bitmap().SamePixels(SemiTransparentPicture()));
        if (!text)
            continue;
        // The dialog brings the reader's values into range, and confirming draws a sane layer.
        QTimer::singleShot(0, [] {
            auto* dlg = qobject_cast<TFontDlgFrm*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            const TTextParams p = dlg->CurrentParams();
            EXPECT_GE(p.Alpha, 0);
            EXPECT_GE(p.Quality, 0);
            EXPECT_LE(p.Quality, 2);
            EXPECT_GE(p.Font.Pitch, 0);
            EXPECT_LE(p.Font.Pitch, 2);
            EXPECT_GT(p.Font.PixelsPerInch, 0);
            dlg->btnOK->setEnabled(true);
            dlg->btnOK->click();
        });
        EXPECT_NO_THROW(EditTextLayer(text));
    }
}
