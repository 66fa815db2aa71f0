#include "TestPictures.h"
#include "imageio/BmpReader.h"
#include "imageio/GifImage.h"
#include "imageio/GifReader.h"
#include "imageio/ImageWriter.h"
#include "imageio/JpegReader.h"
#include "imageio/PictureLoader.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <stdexcept>

namespace {

TBitmap32 Noise(int w, int h, uint32_t seed)
{
    std::mt19937 rng(seed);
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32(int(rng() & 0xFF), int(rng() & 0xFF), int(rng() & 0xFF)));
    return b;
}

TBitmap32 OurGif(const QByteArray& bytes)
{
    TBitmap32 b;
    DecodeGif(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), b);
    return b;
}

std::string WriteMessage(const TBitmap32& picture, const QString& path)
{
    try {
        WriteImageFile(picture, path);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(written)";
}

class ImageWriterTest : public testing::Test {
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }
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
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(map[size_t(i)], statics[size_t(i)]) << i;
        EXPECT_EQ(map[size_t(246 + i)], statics[size_t(10 + i)]) << 246 + i;
    }
    EXPECT_EQ(map[0], Color32(0, 0, 0));
    EXPECT_EQ(map[9], Color32(166, 202, 240));
    EXPECT_EQ(map[246], Color32(255, 251, 240));
    EXPECT_EQ(map[255], Color32(255, 255, 255));
    std::set<TColor32> middle(map.begin() + 10, map.begin() + 246);
    EXPECT_GT(middle.size(), 200u) << "a picture with thousands of colours fills the octree slots";

    gif.Optimize(ooColorMap);
    const auto& reduced = gif.ColorMap();
    std::vector<bool> used(reduced.size(), false);
    for (uint8_t i : gif.Frames().first().Indices) {
        ASSERT_LT(i, reduced.size());
        used[i] = true;
    }
    EXPECT_TRUE(std::all_of(used.begin(), used.end(), [](bool u) { return u; })) << "every kept colour is used";
    EXPECT_EQ(std::set<TColor32>(reduced.begin(), reduced.end()).size(), reduced.size()) << "no colour twice";
}

TEST(GifPalette, FewColoursComeBackExactly)
{
    TBitmap32 flat(40, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            flat.SetPixel(x, y, x < 10 ? Color32(255, 0, 0) : (y < 15 ? Color32(12, 34, 56) : Color32(200, 100, 50)));
    TGIFImage gif;
    gif.Assign(flat);
    gif.Optimize(ooCrop | ooMerge | ooCleanup | ooColorMap);
    EXPECT_EQ(gif.ColorMap().size(), 3u);
    EXPECT_TRUE(OurGif(gif.Encode()).SamePixels(flat));
}

TEST(GifPalette, DitheringBeatsPlainMappingOnAGradient)
{
    // Error diffusion keeps the local average: a blurred dithered picture is closer to the source.
    TBitmap32 ramp(256, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 256; ++x)
            ramp.SetPixel(x, y, Color32(x, x / 2, 255 - x));
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

TEST_F(ImageWriterTest, GifRoundTripHasTheCommentAndAtMost256Colours)
{
    const TBitmap32 source = RampPicture(101, 67);
    WriteImageFile(source, Path("ramp.Gif"));
    const QByteArray bytes = ReadFile(Path("ramp.Gif"));
    EXPECT_TRUE(bytes.startsWith("GIF89a"));
    EXPECT_TRUE(bytes.contains("\x21\xFE\x21produced by Tavlo Generator v1.56\x00"));
    EXPECT_FALSE(bytes.contains("\x21\xF9")) << "no transparent colour";
    const TBitmap32 ours = OurGif(bytes);
    EXPECT_EQ(MaxDifference(ours, QtDecode(bytes, "GIF")), 0) << "an independent reader agrees";
    std::set<TColor32> colours;
    for (int y = 0; y < ours.Height(); ++y)
        for (int x = 0; x < ours.Width(); ++x)
            colours.insert(ours.Pixel(x, y));
    EXPECT_LE(colours.size(), 256u);
    EXPECT_GT(Psnr(source, ours), 30.0);
}

TEST_F(ImageWriterTest, NoisyGifFillsTheLzwTableManyTimes)
{
    const TBitmap32 noise = Noise(300, 200, 5);
    WriteImageFile(noise, Path("noise.gif"));
    const QByteArray bytes = ReadFile(Path("noise.gif"));
    EXPECT_EQ(MaxDifference(OurGif(bytes), QtDecode(bytes, "GIF")), 0);
}

TEST_F(ImageWriterTest, BmpIsExactWithTheFourthByte)
{
    const TBitmap32 source = RampPicture(33, 17, true);
    WriteImageFile(source, Path("exact.BMP"));
    const QByteArray bytes = ReadFile(Path("exact.BMP"));
    EXPECT_EQ(bytes.size(), 54 + 33 * 17 * 4);
    TBitmap32 back;
    const TDibInfo info = DecodeBmpFile(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), back);
    EXPECT_EQ(info.BitsPerPixel, 32);
    EXPECT_TRUE(back.SamePixels(source));
    EXPECT_EQ(MaxDifference(back, QtDecode(bytes, "BMP"), false), 0);
}

TEST_F(ImageWriterTest, JpegAtQualityHundredInAnyCase)
{
    const TBitmap32 source = RampPicture(80, 60, true);
    for (const char* name : {"a.JPEG", "b.jpg", "c.Jpeg"}) {
        WriteImageFile(source, Path(name));
        const QByteArray bytes = ReadFile(Path(name));
        TBitmap32 back;
        DecodeJpeg(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), back);
        EXPECT_GT(Psnr(source, back), 45.0) << name;
        EXPECT_FALSE(bytes.contains("\xFF\xC2")) << "sequential, not progressive";
        // Quality 100 makes every quantisation step 1.
        const qsizetype dqt = bytes.indexOf("\xFF\xDB");
        ASSERT_GE(dqt, 0);
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(uchar(bytes[dqt + 5 + i]), 1) << name;
    }
}

TEST_F(ImageWriterTest, PngAndTiffThroughQtWritersKeepTheFourthByte)
{
    TBitmap32 source = RampPicture(21, 13, true);
    for (int y = 0; y < 13; ++y) // fully transparent pixels have no colour to compare
        source.SetPixel(0, y, Color32(0, 0, 0, 0));
    for (const char* name : {"p.png", "t.TIF"}) {
        WriteImageFile(source, Path(name));
        const TBitmap32 back = QtDecode(ReadFile(Path(name)));
        // Qt's TIFF writer stores premultiplied colours: faint pixels lose some colour precision.
        const bool tiff = QString(name).endsWith("TIF");
        EXPECT_LE(MaxDifference(back, source), tiff ? 12 : 0) << name;
        for (int x = 0; x < 21; ++x)
            ASSERT_EQ(AlphaOf(back.Pixel(x, 5)), AlphaOf(source.Pixel(x, 5))) << name;
    }
    EXPECT_FALSE(FindEncoderByMime("IMAGE/PNG").isEmpty());
    EXPECT_TRUE(FindEncoderByMime("image/x-nothing").isEmpty());
}

TEST_F(ImageWriterTest, FailuresAreReportedAndNeverDestroyTheExistingFile)
{
    const TBitmap32 source = RampPicture(10, 10);
    WriteFile(Path("keep.tiff"), "precious");
    EXPECT_NE(WriteMessage(source, Path("keep.tiff")), "(written)") << "\"tiff\" has no writer";
    EXPECT_EQ(ReadFile(Path("keep.tiff")), "precious");
    EXPECT_NE(WriteMessage(source, Path("keep.ico")), "(written)");
    EXPECT_NE(WriteMessage(source, Path("noextension")), "(written)");
    EXPECT_EQ(WriteMessage(TBitmap32(), Path("empty.gif")), "Image is empty");
    EXPECT_FALSE(QFile::exists(Path("empty.gif")));
    const QString nowhere = Path("missing/x.gif");
    EXPECT_EQ(WriteMessage(source, nowhere), "Cannot create file " + nowhere.toStdString());

    // A successful save replaces the file and leaves no temporary file behind.
    WriteFile(Path("over.bmp"), "old");
    WriteImageFile(source, Path("over.bmp"));
    TBitmap32 back;
    LoadPictureFromFile(back, Path("over.bmp"));
    EXPECT_TRUE(back.SamePixels(source));
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files).size(), 2) << QDir(FDir.path()).entryList(QDir::Files).join(", ").toStdString();
}
