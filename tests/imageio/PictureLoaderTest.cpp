#include "TestPictures.h"
#include "imageio/BmpWriter.h"
#include "imageio/GifLzw.h"
#include "imageio/JpegError.h"
#include "imageio/LastFolder.h"
#include "imageio/PictureDecode.h"
#include "imageio/PictureFormats.h"
#include "imageio/PictureLoader.h"

#include <QDir>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// 3 x 2 GIF: index 1 transparent, the rest red (0) and blue (2).
QByteArray TransparentGif()
{
    const uchar indices[6] = {0, 1, 2, 1, 0, 2};
    const std::vector<uchar> lzw = LzwEncode(indices, 6, 2);
    return "GIF89a" + U16s({3, 2})
           + QByteArray::fromHex("81" "00" "00" "FF0000" "00FF00" "0000FF" "000000" "21F904" "01" "0000" "01" "00" "2C" "0000" "0000" "0300" "0200" "00" "02")
           + char(lzw.size()) + QByteArray(reinterpret_cast<const char*>(lzw.data()), qsizetype(lzw.size())) + QByteArray::fromHex("00" "3B");
}

class PictureLoaderTest : public testing::Test {
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) const { return WriteFile(Path(name), bytes); }
    // The file as a face image and as a layer.
    std::pair<TBitmap32, TBitmap32> Load(const QString& path) const
    {
        TBitmap32 face, layer;
        LoadPictureFromFile(face, path);
        LoadPictureFile(layer, path);
        return {face, layer};
    }
    QTemporaryDir FDir;
};

} // namespace

TEST(PictureFormats, OpenDialogFilterExtensionsAndKinds)
{
    // The registry's whole filter reaches the open dialog, whose test checks it in Qt's form.
    TPictureFormats one;
    one.Register("bmp", "Bitmaps", PictureKind::Bitmap);
    EXPECT_EQ(one.Filter(), "Bitmaps (*.bmp)|*.bmp");
    ASSERT_NE(PictureFormats().Find("JpEg"), nullptr);
    EXPECT_EQ(PictureFormats().Find("JpEg")->Description, "JPEG Image");

    for (const auto& [path, loader] : {std::pair{"/a/b.TIFF", PictureKind::Tiff}, {"/a/b.webp", PictureKind::WebP}, {"/a/b.xcf", PictureKind::None}})
        EXPECT_EQ(LoaderKindOf(path), loader) << path;
    for (const auto& [path, extension] : {std::pair{"/a.b/c.Jpeg", "Jpeg"}, {"/a.b/noext", ""}, {"x.", ""}})
        EXPECT_EQ(ExtractExtension(path), extension) << path;
    // Only ASCII letters fold; "tiff" is the loader's, not the picture kind's.
    for (const auto& [extension, kind] : {std::pair{QString("JPG"), PictureKind::Jpeg}, {"jPeG", PictureKind::Jpeg}, {"Gif", PictureKind::Gif},
                                          {"wmf", PictureKind::Metafile}, {"EMF", PictureKind::Metafile}, {"tif", PictureKind::Tiff},
                                          {"tiff", PictureKind::None}, {"", PictureKind::None}, {QString::fromUtf8("\u212Ag"), PictureKind::None}})
        EXPECT_EQ(PictureKindOf(extension), kind) << extension.toStdString();
}

// (BMP, JPEG, PNG, TIFF and WebP files are read the same way as a face and as a layer.)
TEST_F(PictureLoaderTest, BitmapAndGifAsFaceAndLayer)
{
    // 32-bit BMPs keep their alpha (lower depths come out opaque from the reader itself).
    const TBitmap32 withAlpha = RampPicture(9, 5, true);
    EXPECT_TRUE(Load(Write("alpha.bmp", EncodeBmp(withAlpha))).first.SamePixels(withAlpha));

    // A transparent GIF is opaque black as a face image and transparent as a layer.
    const auto [face, layer] = Load(Write("t.Gif", TransparentGif()));
    ASSERT_EQ(face.Size(), QSize(3, 2));
    EXPECT_EQ(face.Pixel(0, 0), Color32(255, 0, 0));
    EXPECT_EQ(face.Pixel(1, 0), Color32(0, 0, 0, 255));
    const TColor32 layerPixels[] = {Color32(255, 0, 0), 0, Color32(0, 0, 255), 0, Color32(255, 0, 0), Color32(0, 0, 255)};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(layer.Pixel(i % 3, i / 3), layerPixels[i]) << i;

    // The cover document's bytes decode like a face image; kinds without a reader decode to nothing.
    TBitmap32 fromBytes, untouched(1, 1);
    EXPECT_TRUE(DecodePicture(PictureKind::Gif, TransparentGif(), fromBytes));
    EXPECT_TRUE(fromBytes.SamePixels(face));
    EXPECT_FALSE(DecodePicture(PictureKind::None, QByteArray(), untouched));
    for (PictureKind kind : {PictureKind::Png, PictureKind::Jpeg, PictureKind::Metafile})
        EXPECT_THROW(DecodePicture(kind, QByteArray("\x89PNG"), untouched), std::runtime_error);
    EXPECT_EQ(untouched.Size(), QSize(1, 1));
}

TEST_F(PictureLoaderTest, PngTiffAndWebPKeepTheirAlphaAsFaceAndLayer)
{
    const TBitmap32 source = RampPicture(21, 13, true);
    // Alpha exactly; colours where they show (TIFF keeps them premultiplied, WebP drops the
    // colour of invisible pixels).
    auto keptAlpha = [&](const TBitmap32& b) {
        for (int i = 0; b.Size() == source.Size() && i < b.Width() * b.Height(); ++i) {
            const TColor32 p = b.Pixel(i % b.Width(), i / b.Width()), q = source.Pixel(i % b.Width(), i / b.Width());
            if (AlphaOf(p) != AlphaOf(q) || (AlphaOf(q) >= 128 && std::abs(RedOf(p) - RedOf(q)) + std::abs(BlueOf(p) - BlueOf(q)) > 2))
                return false;
        }
        return b.Size() == source.Size();
    };
    for (const char* format : {"png", "tif", "tiff", "webp"}) {
        SCOPED_TRACE(format);
        const QString path = Path(QStringLiteral("alpha.") + format);
        QImageWriter writer(path, QByteArray(format) == "tif" ? "tiff" : format);
        writer.setQuality(100); // lossless WebP
        ASSERT_TRUE(writer.write(source.ToImage())) << writer.errorString().toStdString();
        EXPECT_TRUE(keptAlpha(Load(path).first));
        // A template stored by an earlier version holds the file's bytes.
        TBitmap32 fromBytes;
        EXPECT_TRUE(DecodePicture(LoaderKindOf(path), ReadFile(path), fromBytes));
        EXPECT_TRUE(keptAlpha(fromBytes));
    }
}

TEST_F(PictureLoaderTest, FailuresNameTheFileAndChangeNothing)
{
    TBitmap32 target(4, 4);
    target.Clear(Color32(7, 8, 9));
    auto message = [&](void (*load)(TBitmap32&, const QString&), const QString& path) {
        return ThrownMessage([&] { load(target, path); }, "(loaded)");
    };
    EXPECT_EQ(message(LoadPictureFile, Write("pic.xcf", "x")), "Unknown picture file extension (.xcf)");
    EXPECT_EQ(message(LoadPictureFile, Write("broken.bmp", "BMxx")), "broken.bmp\r\nBitmap image is not valid");
    EXPECT_EQ(message(LoadPictureFromFile, Write("fake.emf", "not a metafile")), "fake.emf\r\nMetafile is not valid");
    EXPECT_EQ(message(LoadPictureFile, Write("broken.gif", "GIF89a")), "broken.gif\r\nInvalid GIF data")
        << "a GIF the layer path cannot read reports the framework reader's message";
    const std::string png = message(LoadPictureFromFile, Write("cut.png", QByteArray("\x89PNG\r\n\x1A\n", 8)));
    EXPECT_EQ(png.rfind("cut.png\r\nPNG image is not valid", 0), 0u) << png;
    EXPECT_EQ(message(LoadPictureFromFile, Write("text.jpg", "not a jpeg at all")),
              "text.jpg\r\nJPEG error #" + std::to_string(JERR_NO_SOI) + " (Not a JPEG file: starts with 0x6e 0x6f)")
        << "libjpeg's number and its own words";
    EXPECT_EQ(target.Size(), QSize(4, 4));
    EXPECT_EQ(target.Pixel(3, 3), Color32(7, 8, 9));
    const std::string missing = message(LoadPictureFile, Path("missing.bmp"));
    EXPECT_EQ(missing.rfind("Cannot open file \"", 0), 0u) << missing;
}

TEST_F(PictureLoaderTest, RememberFolderKeepsExistingOrCreatableFolders)
{
    SetLastFolder("");
    // One missing level is created; two missing levels or no folder at all leave it unchanged.
    const std::pair<QString, QString> steps[] = {{Path("pic.bmp"), FDir.path() + "/"}, {Path("new/pic.bmp"), FDir.path() + "/new/"},
                                                 {Path("a/b/pic.bmp"), FDir.path() + "/new/"}, {"pic.bmp", FDir.path() + "/new/"}};
    for (const auto& [path, folder] : steps) {
        RememberFolder(path);
        EXPECT_EQ(LastFolder(), folder) << path.toStdString();
    }
    EXPECT_TRUE(QDir(Path("new")).exists());
    SetLastFolder("/tmp///");
    EXPECT_EQ(LastFolder(), "/tmp/");
}
