#include "TestPictures.h"
#include "imageio/BmpReader.h"
#include "imageio/GifAnimation.h"
#include "imageio/GifImage.h"
#include "imageio/GifReader.h"
#include "imageio/ImageWriter.h"
#include "imageio/JpegReader.h"
#include "imageio/PictureLoader.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <stdexcept>

namespace {

class ImageWriterTest : public testing::Test {
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    // Writes the picture and reads the file's bytes back.
    QByteArray Written(const TBitmap32& picture, const QString& name) const
    {
        WriteImageFile(picture, Path(name));
        return ReadFile(Path(name));
    }
    QTemporaryDir FDir;
};

} // namespace

TEST(GifPalette, StaticColoursFrameTheOctreeColoursBeforeTheColourMapPass)
{
    TGIFImage gif;
    gif.Assign(RampPicture(120, 80));
    const auto& map = gif.ColorMap();
    ASSERT_EQ(map.size(), 256u);
    const auto& statics = StaticPaletteColors();
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(map[i], statics[i]) << i;
        EXPECT_EQ(map[246 + i], statics[10 + i]) << 246 + i;
    }
    EXPECT_GT(std::set<TColor32>(map.begin() + 10, map.begin() + 246).size(), 200u) << "a picture with thousands of colours fills the octree slots";

    gif.Optimize(ooColorMap);
    const auto& reduced = gif.ColorMap();
    const std::set<uint8_t> used(gif.Frames().first().Indices.begin(), gif.Frames().first().Indices.end());
    EXPECT_LT(size_t(*used.rbegin()), reduced.size());
    EXPECT_EQ(used.size(), reduced.size()) << "every kept colour is used";
    EXPECT_EQ(std::set<TColor32>(reduced.begin(), reduced.end()).size(), reduced.size()) << "no colour twice";

    // Few colours come back exactly.
    TBitmap32 flat(40, 30);
    for (int i = 0; i < 40 * 30; ++i)
        flat.SetPixel(i % 40, i / 40, i % 40 < 10 ? Color32(255, 0, 0) : (i / 40 < 15 ? Color32(12, 34, 56) : Color32(200, 100, 50)));
    TGIFImage few;
    few.Assign(flat);
    few.Optimize(ooCrop | ooMerge | ooCleanup | ooColorMap);
    EXPECT_EQ(few.ColorMap().size(), 3u);
    EXPECT_TRUE(Decoded(DecodeGif, few.Encode()).SamePixels(flat));
}

TEST(GifPalette, DitheringBeatsPlainMappingOnAGradient)
{
    // Error diffusion keeps the local average: a blurred dithered picture is closer to the source.
    TBitmap32 ramp(256, 16);
    for (int i = 0; i < 256 * 16; ++i)
        ramp.SetPixel(i % 256, i / 256, Color32(i % 256, i % 256 / 2, 255 - i % 256));
    const std::vector<TColor32> palette(StaticPaletteColors().begin(), StaticPaletteColors().end());
    const std::vector<uint8_t> dithered = DitherToPalette(ramp, palette);
    TNearestColor nearest(palette);
    double ditherError = 0, plainError = 0;
    for (int x = 0; x + 8 <= 256; x += 8) {
        double want = 0, gotDither = 0, gotPlain = 0;
        for (int y = 0; y < 16; ++y)
            for (int i = 0; i < 8; ++i) {
                const TColor32 p = ramp.Pixel(x + i, y);
                want += RedOf(p);
                gotDither += RedOf(palette[dithered[size_t(y) * 256 + x + i]]);
                gotPlain += RedOf(palette[size_t(nearest.Find(RedOf(p), GreenOf(p), BlueOf(p)))]);
            }
        ditherError += std::abs(want - gotDither);
        plainError += std::abs(want - gotPlain);
    }
    EXPECT_LT(ditherError, plainError / 3);
}

TEST_F(ImageWriterTest, GifHasTheCommentAndAgreesWithQt)
{
    // A ramp, and noise that fills the LZW table many times.
    std::mt19937 rng(5);
    TBitmap32 noise(300, 200);
    for (int i = 0; i < 300 * 200; ++i)
        noise.SetPixel(i % 300, i / 300, Color32(int(rng() & 0xFF), int(rng() & 0xFF), int(rng() & 0xFF)));
    const QByteArray noisy = Written(noise, "noise.gif");
    EXPECT_EQ(MaxDifference(Decoded(DecodeGif, noisy), QtDecode(noisy, "GIF")), 0);

    const TBitmap32 source = RampPicture(101, 67);
    const QByteArray bytes = Written(source, "ramp.Gif");
    EXPECT_TRUE(bytes.startsWith("GIF89a"));
    EXPECT_TRUE(bytes.contains("\x21\xFE\x21produced by Tavlo Generator v1.56\x00"));
    EXPECT_FALSE(bytes.contains("\x21\xF9")) << "no transparent colour";
    const TBitmap32 ours = Decoded(DecodeGif, bytes);
    EXPECT_EQ(MaxDifference(ours, QtDecode(bytes, "GIF")), 0) << "an independent reader agrees";
    EXPECT_GT(Psnr(source, ours), 30.0);
}

TEST(GifWriter, ClearPixelsStayInTheirFrameAndRowAndTheLongestSidesFit)
{
    // Frame two clears its top rows: a clear mask out of step with the frames shows in row two.
    const TColor32 blue = Color32(0, 0, 255), red = Color32(255, 0, 0);
    TBitmap32 second = Filled(4, 4, red);
    for (int i = 0; i < 8; ++i)
        second.SetPixel(i % 4, i / 4, 0);
    TGifAnimation animation;
    animation.SetTransparentBackground(Color32(0, 255, 0));
    animation.AddFrame(Filled(4, 4, blue), 10);
    animation.AddFrame(second, 20);
    QByteArray bytes = animation.Encode();
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "gif");
    const QImage one = reader.read(), two = reader.read();
    ASSERT_EQ(reader.imageCount(), 2);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(one.pixel(1, y), 0xFF0000FFu) << y;
        if (y < 2)
            EXPECT_EQ(qAlpha(two.pixel(1, y)), 0) << y;
        else
            EXPECT_EQ(two.pixel(1, y), 0xFFFF0000u) << y;
    }

    // A picture with nothing to show keeps its whole screen, clear.
    TGIFImage clear;
    clear.AssignWithTransparency(Filled(5, 3, 0));
    clear.Optimize(ooCrop);
    EXPECT_TRUE(Decoded(DecodeGif, clear.Encode()).SamePixels(Filled(5, 3, 0)));

    // 65535 pixels, the longest side a picture can have, is also the longest a GIF can name.
    for (const QSize side : {QSize(65535, 1), QSize(1, 65535)}) {
        TGifAnimation animation;
        animation.AddFrame(Filled(side.width(), side.height(), blue), 10);
        TGIFImage still;
        still.Assign(Filled(side.width(), side.height(), blue));
        for (const QByteArray& file : {animation.Encode(), still.Encode()})
            EXPECT_EQ(file.mid(6, 4), U16s({side.width(), side.height()}));
    }
}

TEST_F(ImageWriterTest, BmpIsExactAndJpegIsSequentialAtQualityHundredInAnyCase)
{
    const TBitmap32 alpha = RampPicture(33, 17, true);
    const QByteArray bmp = Written(alpha, "exact.BMP");
    EXPECT_EQ(bmp.size(), 54 + 33 * 17 * 4);
    TBitmap32 back;
    EXPECT_EQ(DecodeBmpFile(reinterpret_cast<const uchar*>(bmp.constData()), bmp.size(), back).BitsPerPixel, 32);
    EXPECT_TRUE(back.SamePixels(alpha)) << "the fourth byte kept";
    EXPECT_EQ(MaxDifference(back, QtDecode(bmp, "BMP"), false), 0);

    const TBitmap32 source = RampPicture(80, 60, true);
    for (const char* name : {"a.JPEG", "b.jpg", "c.Jpeg"}) {
        const QByteArray bytes = Written(source, name);
        DecodeJpeg(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), back);
        EXPECT_GT(Psnr(source, back), 45.0) << name;
        EXPECT_FALSE(bytes.contains("\xFF\xC2")) << "sequential, not progressive";
        // Quality 100 makes every quantisation step 1.
        const qsizetype dqt = bytes.indexOf("\xFF\xDB");
        ASSERT_GE(dqt, 0);
        EXPECT_EQ(bytes.mid(dqt + 5, 64), QByteArray(64, 1)) << name;
    }
}

TEST_F(ImageWriterTest, PngAndTiffThroughQtWritersKeepTheFourthByte)
{
    TBitmap32 source = RampPicture(21, 13, true);
    for (int y = 0; y < 13; ++y) // fully transparent pixels have no colour to compare
        source.SetPixel(0, y, Color32(0, 0, 0, 0));
    // Qt's TIFF writer stores premultiplied colours: faint pixels lose some colour precision.
    for (const auto& [name, tolerance] : {std::pair{"p.png", 0}, {"t.TIF", 12}}) {
        const TBitmap32 back = QtDecode(Written(source, name));
        EXPECT_LE(MaxDifference(back, source), tolerance) << name;
        for (int x = 0; x < 21; ++x)
            ASSERT_EQ(AlphaOf(back.Pixel(x, 5)), AlphaOf(source.Pixel(x, 5))) << name;
    }
    EXPECT_FALSE(FindEncoderByMime("IMAGE/PNG").isEmpty());
    EXPECT_TRUE(FindEncoderByMime("image/x-nothing").isEmpty());
}

TEST_F(ImageWriterTest, FailuresAreReportedAndNeverDestroyTheExistingFile)
{
    const TBitmap32 source = RampPicture(10, 10);
    auto message = [&](const TBitmap32& picture, const QString& name) {
        return ThrownMessage([&] { WriteImageFile(picture, Path(name)); }, "(written)");
    };
    WriteFile(Path("keep.tiff"), "precious");
    for (const char* name : {"keep.tiff", "keep.ico", "noextension"}) // "tiff" has no writer
        EXPECT_NE(message(source, name), "(written)") << name;
    EXPECT_EQ(ReadFile(Path("keep.tiff")), "precious");
    EXPECT_EQ(message(TBitmap32(), "empty.gif"), "Image is empty");
    EXPECT_FALSE(QFile::exists(Path("empty.gif")));
    EXPECT_EQ(message(source, "missing/x.gif"), "Cannot create file " + Path("missing/x.gif").toStdString());

    // A successful save replaces the file and leaves no temporary file behind.
    WriteFile(Path("over.bmp"), "old");
    WriteImageFile(source, Path("over.bmp"));
    TBitmap32 back;
    LoadPictureFromFile(back, Path("over.bmp"));
    EXPECT_TRUE(back.SamePixels(source));
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files), QStringList({"keep.tiff", "over.bmp"}));
}
