// Pictures as the user sees them (turned as the camera says) and what reading them may cost: the
// budget counts the compressed picture data at the format's best packing, files that never end
// are refused unread, and a picture costs about twice its pixels at its peak.
#include "TestPictures.h"
#include "common/CraftedPng.h"
#include "common/PeakMemory.h"
#include "common/ThrownMessage.h"
#include "imageio/DecodeBudget.h"
#include "imageio/JpegWriter.h"
#include "imageio/PictureDecode.h"
#include "imageio/PictureLoader.h"
#include "imageio/PluginPictureData.h"
#include "imageio/QtImageReader.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A bilevel TIFF of one white page coded in CCITT Group 4: each row is the one above it, a single
// bit ("vertical, no change"), then the end-of-block code. h must be a multiple of 8.
QByteArray WhiteG4Tiff(int w, int h)
{
    const QByteArray data = QByteArray(h / 8, char(0xFF)) + QByteArray::fromHex("001001");
    const int entries = 9, dataAt = 8 + 2 + entries * 12 + 4;
    QByteArray t("II*\0", 4);
    PutU32(t, 8);
    PutU16(t, entries);
    const uint32_t tags[entries][3] = {{256, 4, uint32_t(w)}, {257, 4, uint32_t(h)}, {258, 3, 1}, {259, 3, 4}, {262, 3, 0},
                                        {273, 4, uint32_t(dataAt)}, {277, 3, 1}, {278, 4, uint32_t(h)}, {279, 4, uint32_t(data.size())}};
    for (const auto& [tag, type, value] : tags) {
        PutU16(t, uint16_t(tag));
        PutU16(t, uint16_t(type));
        PutU32(t, 1);
        PutU32(t, value); // a SHORT sits in the first two bytes, little-endian
    }
    PutU32(t, 0);
    return t + data;
}

// An EXIF block with the orientation tag alone, in either byte order.
QByteArray Exif(int orientation, bool bigEndian = false)
{
    const QByteArray tiff = bigEndian ? QByteArray::fromHex("4d4d002a00000008" "0001" "011200030000000100") + char(orientation) + QByteArray::fromHex("0000" "00000000")
                                      : QByteArray::fromHex("49492a0008000000" "0100" "1201030001000000") + char(orientation) + QByteArray::fromHex("000000" "00000000");
    return QByteArray("Exif\0\0", 6) + tiff;
}

QByteArray WithExif(const QByteArray& jpeg, const QByteArray& exif)
{
    QByteArray app1 = QByteArray::fromHex("ffe1");
    app1 += char((exif.size() + 2) >> 8);
    app1 += char((exif.size() + 2) & 0xFF);
    return jpeg.left(2) + app1 + exif + jpeg.mid(2);
}

QByteArray Encoded(const TBitmap32& picture, const char* format, int quality = -1,
                   QImageIOHandler::Transformations t = QImageIOHandler::TransformationNone)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setTransformation(t);
    EXPECT_TRUE(writer.write(picture.ToImage())) << writer.errorString().toStdString();
    return bytes;
}

// A lossless WebP turned into the extended form that carries an EXIF chunk.
QByteArray WebPWithExif(const QByteArray& simple, QSize size, const QByteArray& exif)
{
    auto chunk = [](const char* type, const QByteArray& data) {
        QByteArray c(type, 4);
        PutU32(c, uint32_t(data.size()));
        return c + data + (data.size() % 2 ? QByteArray(1, '\0') : QByteArray());
    };
    QByteArray vp8x(1, char(0x08)); // the EXIF flag
    vp8x += QByteArray(3, '\0');
    for (int side : {size.width() - 1, size.height() - 1})
        vp8x += QByteArray::fromRawData(reinterpret_cast<const char*>(&side), 3); // 24-bit, little-endian
    const QByteArray body = "WEBP" + chunk("VP8X", vp8x) + simple.mid(12) + chunk("EXIF", exif.mid(6));
    QByteArray riff("RIFF");
    PutU32(riff, uint32_t(body.size()));
    return riff + body;
}

std::string Refused(PictureKind kind, const QByteArray& bytes)
{
    TBitmap32 b;
    return ThrownMessage([&] { DecodePicture(kind, bytes, b); }, "(decoded)");
}

} // namespace

TEST(PictureInput, JpegTiffAndWebPAreTurnedAsTheirOrientationSays)
{
    // Every pixel differs, so any wrong turn or mirror shows; the reference is Qt turning its own.
    const TBitmap32 source = RampPicture(24, 16);
    const QByteArray jpeg = EncodeJpeg(source, 100);
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        const QSize shown = o >= 5 ? QSize(16, 24) : QSize(24, 16);
        for (bool bigEndian : {false, true}) {
            const QByteArray turned = WithExif(jpeg, Exif(o, bigEndian));
            TBitmap32 ours;
            DecodePicture(PictureKind::Jpeg, turned, ours);
            EXPECT_EQ(ours.Size(), shown);
            EXPECT_LE(MaxDifference(ours, QtDecode(turned, "jpeg")), 3);
        }
    }
    const QImageIOHandler::Transformations tiffTurns[] = {
        QImageIOHandler::TransformationMirror, QImageIOHandler::TransformationRotate180, QImageIOHandler::TransformationFlip,
        QImageIOHandler::TransformationFlipAndRotate90, QImageIOHandler::TransformationRotate90,
        QImageIOHandler::TransformationMirrorAndRotate90, QImageIOHandler::TransformationRotate270};
    for (const auto t : tiffTurns) {
        SCOPED_TRACE(int(t));
        const QByteArray tiff = Encoded(source, "tiff", -1, t);
        TBitmap32 ours;
        DecodePicture(PictureKind::Tiff, tiff, ours);
        EXPECT_EQ(ours.Size(), (t & QImageIOHandler::TransformationRotate90) ? QSize(16, 24) : QSize(24, 16));
        EXPECT_EQ(MaxDifference(ours, QtDecode(tiff, "tiff")), 0);
    }
    // Qt's WebP plugin leaves the EXIF chunk alone: the stored picture turned by the canvas's own
    // quarter and half turns is the reference.
    const QByteArray webp = Encoded(source, "webp", 100);
    ASSERT_EQ(webp.mid(12, 4), "VP8L");
    const TBitmap32 stored = QtDecode(webp, "webp");
    ASSERT_EQ(MaxDifference(stored, source), 0) << "lossless";
    for (const auto& [o, expected] : {std::pair{6, stored.QuarterTurn(+1)}, {8, stored.QuarterTurn(-1)}, {3, stored.HalfTurn()}}) {
        TBitmap32 ours;
        DecodePicture(PictureKind::WebP, WebPWithExif(webp, source.Size(), Exif(o)), ours);
        EXPECT_TRUE(ours.SamePixels(expected)) << o << ": " << ours.Width() << " x " << ours.Height();
    }
}

// Declared sizes beyond the free budget must be paid for by picture data, counted at the best
// packing of the format: the best-packed files of that size are read, a padded file is not.
TEST(PictureInput, BudgetCountsPictureDataAtTheFormatsBestPacking)
{
    constexpr int Big = 16000;
    const int64_t pixels = int64_t(Big) * Big;
    // 1-bit PNG: rows of zeros deflated as tightly as zlib can (a thousandfold) pass the budget.
    const QByteArray tight = TightOneBitPng(Big, Big);
    EXPECT_GE(PaintablePixels(tight, PictureKind::Png, Big), pixels) << tight.size() << " bytes";
    const TQtPictureClaim claim = ExamineWithQt(tight, "png");
    EXPECT_EQ(claim.Size, QSize(Big, Big));
    EXPECT_NO_THROW(CheckPaintable(Big, Big, claim.PaintablePixels, "refused"));
    // One row of data, padded to a quarter of a megabyte with text: the padding buys nothing.
    const QByteArray text = PngChunk("tEXt", "Comment" + QByteArray(1, '\0') + QByteArray(265 * 1024, 'x'));
    const QByteArray padded = CraftedPng(Big, Big, 1, 0, Deflated(QByteArray(1 + Big / 8, '\0'), 9), text);
    EXPECT_LT(PaintablePixels(padded, PictureKind::Png, Big), Big * 16);
    EXPECT_EQ(Refused(PictureKind::Png, padded), "PNG image is not valid");

    // G4 TIFF: a white page takes a bit a row. One of 4096 x 4200 (beyond the free budget, from
    // 528 bytes) is read white; 16000 x 16000 from 2003 bytes passes the budget.
    const QByteArray page = WhiteG4Tiff(4096, 4200);
    TBitmap32 white;
    DecodePicture(PictureKind::Tiff, page, white);
    ASSERT_EQ(white.Size(), QSize(4096, 4200));
    EXPECT_EQ(std::tuple(white.Pixel(0, 0), white.Pixel(4095, 4199), white.Pixel(2000, 3000)),
              std::tuple(Color32(255, 255, 255), Color32(255, 255, 255), Color32(255, 255, 255)));
    EXPECT_GE(PaintablePixels(WhiteG4Tiff(Big, Big), PictureKind::Tiff, Big), pixels);
    // The strips count only where they lie inside the file.
    QByteArray cut = page.left(page.size() - 400);
    EXPECT_LT(PaintablePixels(cut, PictureKind::Tiff, 4096), 4096 * 4200);
    EXPECT_EQ(Refused(PictureKind::Tiff, cut), "TIFF image is not valid");

    // WebP: a lossless picture of one colour needs no data per pixel; a lossy one a bit per
    // macroblock, so a VP8 key frame declaring 16000 x 16000 from ten bytes is refused, however
    // long the metadata after it.
    const QByteArray vp8 = QByteArray::fromHex("500000" "9d012a" "803e803e"); // key frame, start code, 16000 x 16000
    QByteArray riff = "WEBP" + QByteArray("VP8 ") + QByteArray::fromHex("0a000000") + vp8 + QByteArray("XMP ")
                      + QByteArray::fromHex("00000400") + QByteArray(256 * 1024, ' ');
    QByteArray lossy("RIFF");
    PutU32(lossy, uint32_t(riff.size()));
    lossy += riff;
    EXPECT_EQ(ExamineWithQt(lossy, "webp").Size, QSize(Big, Big));
    EXPECT_EQ(PaintablePixels(lossy, PictureKind::WebP, Big), 10 * 2048);
    EXPECT_EQ(Refused(PictureKind::WebP, lossy), "WebP image is not valid");
}

// A picture file that never ends (a pipe, a device) or is beyond the cap is refused unread.
TEST(PictureInput, PipesDevicesAndHugeFilesAreRefusedUnread)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath("pipe.png");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    auto load = [](const QString& path) {
        TBitmap32 b;
        return ThrownMessage([&] { LoadPictureFromFile(b, path); }, "(loaded)");
    };
    std::future<std::string> reading = std::async(std::launch::async, load, pipe);
    if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "still waiting for a writer to the pipe after 10 s";
        // A writer that leaves at once ends the wait, so the test ends too.
        ::close(::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK));
    }
    EXPECT_EQ(reading.get(), "Cannot open file \"" + pipe.toStdString() + "\". It is not a regular file.");
    // A device behind a link with a picture's name (/dev/null ends at once, so a fault cannot hang).
    ASSERT_TRUE(QFile::link("/dev/null", dir.filePath("null.bmp")));
    EXPECT_EQ(load(dir.filePath("null.bmp")), "Cannot open file \"" + dir.filePath("null.bmp").toStdString() + "\". It is not a regular file.");
    // A file one byte beyond the cap, sparse: refused by its size, not read.
    QFile huge(dir.filePath("huge.bmp"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(MaxPictureFileBytes + 1));
    huge.close();
    const TPeakMemory cost;
    EXPECT_EQ(load(huge.fileName()), "Cannot open file \"" + huge.fileName().toStdString() + "\". It is larger than 2 GiB.");
    EXPECT_LT(cost.RiseMiB(), 64);
}

// Padding costs no more than its own bytes: a text chunk of 32 MiB in a PNG of one pixel (Qt and
// libpng would hold it five times over while reading the header).
TEST(PictureInput, APaddedPictureCostsLittleMoreThanItsFile)
{
    if (SanitizedMemory)
        GTEST_SKIP() << "AddressSanitizer keeps freed memory resident: peaks are measured in the normal build";
    QTemporaryDir dir;
    const QString path = dir.filePath("dot.png");
    WriteFile(path, CraftedPng(1, 1, 8, 0, Deflated(QByteArray(2, '\0'), 9), PngChunk("tEXt", "Comment" + QByteArray(1, '\0') + QByteArray(32 << 20, 'p'))));
    TBitmap32 dot;
    const TPeakMemory cost;
    LoadPictureFromFile(dot, path);
    cost.Report("1-pixel PNG with 32 MiB of text");
    EXPECT_EQ(dot.Size(), QSize(1, 1));
    EXPECT_LT(cost.RiseMiB(), 2 * 32 + 8);
}

// A picture costs Qt's decoded picture plus the 32-bit result at its peak, never a converted
// whole or a second copy besides: a palette PNG of 16 megapixels (1 byte a pixel in Qt, 4 in the
// result) stays within a quarter above its result.
TEST(PictureInput, APictureCostsQtsPixelsPlusTheResultAtItsPeak)
{
    if (SanitizedMemory)
        GTEST_SKIP() << "AddressSanitizer keeps freed memory resident: peaks are measured in the normal build";
    QImage palette(4096, 4096, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours.append(qRgb(i, 255 - i, (i * 7) & 0xFF));
    palette.setColorTable(colours);
    for (int y = 0; y < palette.height(); ++y)
        std::memset(palette.scanLine(y), y & 0xFF, size_t(palette.width()));
    QTemporaryDir dir;
    const QString path = dir.filePath("palette.png");
    ASSERT_TRUE(palette.save(path, "png"));
    palette = QImage();
    const double pictureMiB = 4096.0 * 4096 * 4 / (1 << 20), fileMiB = double(QFileInfo(path).size()) / (1 << 20);
    TBitmap32 face;
    const TPeakMemory cost;
    LoadPictureFromFile(face, path);
    cost.Report("16-megapixel palette PNG");
    ASSERT_EQ(face.Size(), QSize(4096, 4096));
    EXPECT_EQ(face.Pixel(5, 300), colours[300 & 0xFF] | 0xFF000000u);
    EXPECT_LT(cost.RiseMiB(), 1.25 * pictureMiB + fileMiB + 8) << "a 64 MiB picture";
}
