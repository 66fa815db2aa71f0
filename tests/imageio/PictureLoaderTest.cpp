#include "TestPictures.h"
#include "imageio/BmpWriter.h"
#include "imageio/GifLzw.h"
#include "imageio/JpegError.h"
#include "imageio/JpegWriter.h"
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

std::string LoadMessage(void (*load)(TBitmap32&, const QString&), TBitmap32& target, const QString& path)
{
    try {
        load(target, path);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(loaded)";
}

// 3 x 2 GIF: index 1 transparent, the rest red (0) and blue (2).
QByteArray TransparentGif()
{
    QByteArray out("GIF89a");
    Put16(out, 3);
    Put16(out, 2);
    out += QByteArray::fromHex("81" "00" "00" "FF0000" "00FF00" "0000FF" "000000");
    out += QByteArray::fromHex("21F904" "01" "0000" "01" "00");
    out += QByteArray::fromHex("2C" "0000" "0000" "0300" "0200" "00");
    const uchar indices[6] = {0, 1, 2, 1, 0, 2};
    const std::vector<uchar> lzw = LzwEncode(indices, 6, 2);
    out.append('\x02');
    out.append(char(lzw.size()));
    out.append(reinterpret_cast<const char*>(lzw.data()), qsizetype(lzw.size()));
    out += QByteArray::fromHex("00" "3B");
    return out;
}

class PictureLoaderTest : public testing::Test {
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) const
    {
        WriteFile(Path(name), bytes);
        return Path(name);
    }
    QTemporaryDir FDir;
};

} // namespace

TEST(PictureFormats, OpenDialogFilterIsBuiltFromTheRegistrations)
{
    EXPECT_EQ(PictureFormats().Filter(),
              "All (*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf;*.png;*.tif;*.tiff;*.webp)|"
              "*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf;*.png;*.tif;*.tiff;*.webp|GIF Image (*.gif)|"
              "*.gif|JPEG Image (*.jpg)|*.jpg|JPEG Image (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|"
              "Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf|PNG Image (*.png)|*.png|TIFF Image (*.tif)|*.tif|"
              "TIFF Image (*.tiff)|*.tiff|WebP Image (*.webp)|*.webp");
    TPictureFormats one;
    one.Register("bmp", "Bitmaps", PictureKind::Bitmap);
    EXPECT_EQ(one.Filter(), "Bitmaps (*.bmp)|*.bmp");
    ASSERT_NE(PictureFormats().Find("JpEg"), nullptr);
    EXPECT_EQ(PictureFormats().Find("JpEg")->Description, "JPEG Image");
    EXPECT_EQ(LoaderKindOf("/a/b.TIFF"), PictureKind::Tiff);
    EXPECT_EQ(LoaderKindOf("/a/b.webp"), PictureKind::WebP);
    EXPECT_EQ(LoaderKindOf("/a/b.xcf"), PictureKind::None);
}

TEST(PictureKindTest, ExtensionsAndKinds)
{
    EXPECT_EQ(ExtractExtension("/a.b/c.Jpeg"), "Jpeg");
    EXPECT_EQ(ExtractExtension("/a.b/noext"), "");
    EXPECT_EQ(ExtractExtension("x."), "");
    EXPECT_EQ(PictureKindOf("JPG"), PictureKind::Jpeg);
    EXPECT_EQ(PictureKindOf("jPeG"), PictureKind::Jpeg);
    EXPECT_EQ(PictureKindOf("Gif"), PictureKind::Gif);
    EXPECT_EQ(PictureKindOf("wmf"), PictureKind::Metafile);
    EXPECT_EQ(PictureKindOf("EMF"), PictureKind::Metafile);
    EXPECT_EQ(PictureKindOf("tif"), PictureKind::Tiff);
    EXPECT_EQ(PictureKindOf("tiff"), PictureKind::None);
    EXPECT_EQ(PictureKindOf(""), PictureKind::None);
    EXPECT_EQ(PictureKindOf(QString::fromUtf8("\u212Ag")), PictureKind::None) << "only ASCII letters fold";
}

TEST_F(PictureLoaderTest, JpegExtensionsInAnyCase)
{
    const QByteArray jpeg = EncodeJpeg(RampPicture(20, 10), 100);
    for (const char* name : {"a.JPG", "b.jpeg", "c.Jpg", "d.JPEG"}) {
        TBitmap32 face, layer;
        LoadPictureFromFile(face, Write(name, jpeg));
        LoadPictureFile(layer, Path(name));
        EXPECT_EQ(face.Size(), QSize(20, 10)) << name;
        EXPECT_TRUE(face.SamePixels(layer)) << name;
    }
}

TEST_F(PictureLoaderTest, PngTiffAndWebPKeepTheirAlphaAsFaceAndLayer)
{
    const TBitmap32 source = RampPicture(21, 13, true);
    for (const char* format : {"png", "tif", "tiff", "webp"}) {
        SCOPED_TRACE(format);
        const QString path = Path(QStringLiteral("alpha.") + format);
        QImageWriter writer(path, QByteArray(format) == "tif" ? "tiff" : format);
        writer.setQuality(100); // lossless WebP
        ASSERT_TRUE(writer.write(source.ToImage())) << writer.errorString().toStdString();
        // Alpha exactly; colours where they show (TIFF keeps them premultiplied, WebP drops the
        // colour of invisible pixels).
        auto keptAlpha = [&](const TBitmap32& b) {
            if (b.Size() != source.Size())
                return false;
            for (int y = 0; y < b.Height(); ++y)
                for (int x = 0; x < b.Width(); ++x) {
                    const TColor32 p = b.Pixel(x, y), q = source.Pixel(x, y);
                    if (AlphaOf(p) != AlphaOf(q) || (AlphaOf(q) >= 128 && std::abs(RedOf(p) - RedOf(q)) + std::abs(BlueOf(p) - BlueOf(q)) > 2))
                        return false;
                }
            return true;
        };
        TBitmap32 face, layer, fromBytes;
        LoadPictureFromFile(face, path);
        LoadPictureFile(layer, path);
        EXPECT_TRUE(keptAlpha(face));
        EXPECT_TRUE(keptAlpha(layer));
        // A template stored by an earlier version holds the file's bytes.
        EXPECT_TRUE(DecodePicture(LoaderKindOf(path), ReadFile(path), fromBytes));
        EXPECT_TRUE(keptAlpha(fromBytes));
    }
}

TEST_F(PictureLoaderTest, FailuresNameTheFileAndChangeNothing)
{
    TBitmap32 target(4, 4);
    target.Clear(Color32(7, 8, 9));
    EXPECT_EQ(LoadMessage(LoadPictureFile, target, Write("pic.xcf", "x")), "Unknown picture file extension (.xcf)");
    EXPECT_EQ(LoadMessage(LoadPictureFile, target, Write("broken.bmp", "BMxx")), "broken.bmp\r\nBitmap image is not valid");
    EXPECT_EQ(LoadMessage(LoadPictureFile, target, Write("broken.gif", "GIF89a")), "broken.gif\r\nInvalid GIF data")
        << "a GIF the layer path cannot read reports the framework reader's message";
    const std::string png = LoadMessage(LoadPictureFromFile, target, Write("cut.png", QByteArray("\x89PNG\r\n\x1A\n", 8)));
    EXPECT_EQ(png.rfind("cut.png\r\nPNG image is not valid", 0), 0u) << png;
    const std::string jpeg = LoadMessage(LoadPictureFromFile, target, Write("text.jpg", "not a jpeg at all"));
    EXPECT_EQ(jpeg, "text.jpg\r\nJPEG error #" + std::to_string(JERR_NO_SOI) + " (Not a JPEG file: starts with 0x6e 0x6f)")
        << "libjpeg's number and its own words";
    EXPECT_EQ(target.Size(), QSize(4, 4));
    EXPECT_EQ(target.Pixel(3, 3), Color32(7, 8, 9));
    const std::string missing = LoadMessage(LoadPictureFile, target, Path("missing.bmp"));
    EXPECT_EQ(missing.rfind("Cannot open file \"", 0), 0u) << missing;
}

TEST_F(PictureLoaderTest, BitmapAlphaAsFaceAndLayer)
{
    TBitmap32 withAlpha = RampPicture(9, 5, true);
    const QString bmp32 = Write("alpha.bmp", EncodeBmp(withAlpha));
    TBitmap32 face, layer;
    LoadPictureFromFile(face, bmp32);
    LoadPictureFile(layer, bmp32);
    EXPECT_TRUE(face.SamePixels(withAlpha)) << "32-bit BMPs keep their alpha";
    EXPECT_TRUE(layer.SamePixels(withAlpha));

    // A 24-bit BMP comes out fully opaque.
    QByteArray bmp24("BM");
    Put32(bmp24, 14 + 40 + 8);
    Put32(bmp24, 0);
    Put32(bmp24, 54);
    for (uint32_t v : {40u, 2u, 1u})
        Put32(bmp24, v);
    Put16(bmp24, 1);
    Put16(bmp24, 24);
    for (int i = 0; i < 6; ++i)
        Put32(bmp24, 0);
    bmp24 += QByteArray::fromHex("0000FF" "00FF00" "0000");
    LoadPictureFile(layer, Write("opaque.bmp", bmp24));
    EXPECT_EQ(layer.Pixel(0, 0), Color32(255, 0, 0, 255));
    EXPECT_EQ(layer.Pixel(1, 0), Color32(0, 255, 0, 255));
}

TEST_F(PictureLoaderTest, TransparentGifIsOpaqueBlackAsFaceAndTransparentAsLayer)
{
    const QString gif = Write("t.Gif", TransparentGif());
    TBitmap32 face, layer;
    LoadPictureFromFile(face, gif);
    LoadPictureFile(layer, gif);
    ASSERT_EQ(face.Size(), QSize(3, 2));
    EXPECT_EQ(face.Pixel(0, 0), Color32(255, 0, 0));
    EXPECT_EQ(face.Pixel(1, 0), Color32(0, 0, 0, 255));
    EXPECT_EQ(layer.Pixel(0, 0), Color32(255, 0, 0));
    EXPECT_EQ(layer.Pixel(1, 0), 0u);
    EXPECT_EQ(layer.Pixel(0, 1), 0u);
    EXPECT_EQ(layer.Pixel(2, 1), Color32(0, 0, 255));

    // The cover document's bytes decode like a face image; kinds without a reader decode to nothing.
    TBitmap32 fromBytes;
    EXPECT_TRUE(DecodePicture(PictureKind::Gif, TransparentGif(), fromBytes));
    EXPECT_TRUE(fromBytes.SamePixels(face));
    TBitmap32 untouched(1, 1);
    EXPECT_THROW(DecodePicture(PictureKind::Png, QByteArray("\x89PNG"), untouched), std::runtime_error);
    EXPECT_FALSE(DecodePicture(PictureKind::None, QByteArray(), untouched));
    EXPECT_THROW(DecodePicture(PictureKind::Jpeg, QByteArray("nope"), untouched), std::runtime_error);
    EXPECT_THROW(DecodePicture(PictureKind::Metafile, QByteArray("nope"), untouched), std::runtime_error);
    EXPECT_EQ(untouched.Size(), QSize(1, 1));
}

TEST_F(PictureLoaderTest, RememberFolderKeepsExistingOrCreatableFolders)
{
    SetLastFolder("");
    EXPECT_EQ(LastFolder(), "");
    RememberFolder(Path("pic.bmp"));
    EXPECT_EQ(LastFolder(), FDir.path() + "/");
    RememberFolder(Path("new/pic.bmp"));
    EXPECT_EQ(LastFolder(), FDir.path() + "/new/");
    EXPECT_TRUE(QDir(Path("new")).exists()) << "one level is created";
    RememberFolder(Path("a/b/pic.bmp"));
    EXPECT_EQ(LastFolder(), FDir.path() + "/new/") << "two missing levels: unchanged";
    RememberFolder("pic.bmp");
    EXPECT_EQ(LastFolder(), FDir.path() + "/new/");
    SetLastFolder("/tmp///");
    EXPECT_EQ(LastFolder(), "/tmp/");
}
