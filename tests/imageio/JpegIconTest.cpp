#include "TestPictures.h"
#include "imageio/IconReader.h"
#include "imageio/JpegReader.h"
#include "imageio/JpegWriter.h"

#include <QBuffer>
#include <QImageWriter>
#include <gtest/gtest.h>
#include <regex>
#include <stdexcept>

namespace {

TBitmap32 DecodeJpegBytes(const QByteArray& bytes)
{
    TBitmap32 b;
    DecodeJpeg(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), b);
    return b;
}

TBitmap32 DecodeIconBytes(const QByteArray& bytes)
{
    TBitmap32 b;
    DecodeIcon(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), b);
    return b;
}

// An icon entry as a packed DIB: 40-byte header with doubled height, 32-bit BGRA or 8-bit with a
// grey palette, then the AND mask (1 = masked).
QByteArray IconDib(int size, int bpp, const std::function<TColor32(int, int)>& pixel, const std::function<bool(int, int)>& masked)
{
    QByteArray dib;
    Put32(dib, 40);
    Put32(dib, uint32_t(size));
    Put32(dib, uint32_t(size * 2));
    Put16(dib, 1);
    Put16(dib, bpp);
    for (int i = 0; i < 6; ++i)
        Put32(dib, 0);
    if (bpp == 8)
        for (int i = 0; i < 256; ++i)
            Put32(dib, Color32(i, i, i, 0));
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            if (bpp == 32)
                Put32(dib, pixel(x, y));
            else
                dib.append(char(RedOf(pixel(x, y))));
        }
        while (dib.size() % 4)
            dib.append('\0');
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(((size + 31) / 32) * 4, '\0');
        for (int x = 0; x < size; ++x)
            if (masked(x, y))
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        dib += row;
    }
    return dib;
}

QByteArray MakeIco(const std::vector<std::pair<int, QByteArray>>& entries)
{
    QByteArray out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, int(entries.size()));
    uint32_t offset = uint32_t(6 + 16 * entries.size());
    for (const auto& [size, data] : entries) {
        out.append(char(size == 256 ? 0 : size));
        out.append(char(size == 256 ? 0 : size));
        out.append('\0');
        out.append('\0');
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, uint32_t(data.size()));
        Put32(out, offset);
        offset += uint32_t(data.size());
    }
    for (const auto& entry : entries)
        out += entry.second;
    return out;
}

} // namespace

TEST(Jpeg, QualityHundredRoundTripAndQtAgreement)
{
    const TBitmap32 source = RampPicture(97, 61);
    const QByteArray bytes = EncodeJpeg(source, 100);
    ASSERT_TRUE(bytes.startsWith("\xFF\xD8"));
    const TBitmap32 back = DecodeJpegBytes(bytes);
    ASSERT_EQ(back.Size(), source.Size());
    EXPECT_GT(Psnr(source, back), 45.0);
    EXPECT_LE(MaxDifference(back, QtDecode(bytes, "JPEG")), 2) << "an independent decode agrees";
    EXPECT_EQ(AlphaOf(back.Pixel(5, 5)), 255);

    // Lower quality makes a smaller file: the quality really reaches libjpeg.
    EXPECT_LT(EncodeJpeg(source, 50).size(), bytes.size());
}

TEST(Jpeg, ErrorsAreNumberedAndNeverExit)
{
    const QByteArray bytes = EncodeJpeg(RampPicture(40, 30), 100);
    const std::regex numbered("JPEG error #[0-9]+ \\(.+\\)"); // libjpeg's number and its own words
    for (const QByteArray& bad : {QByteArray("\xFF\xD8\xFF\xE0garbage"), bytes.left(bytes.size() / 2), QByteArray("not a jpeg at all"),
                                  bytes.left(200)}) {
        TBitmap32 target(3, 3);
        try {
            DecodeJpegBytes(bad);
            ADD_FAILURE() << "damaged JPEG decoded";
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(std::regex_match(e.what(), numbered)) << e.what();
        }
    }
    // Stray bytes before a marker: libjpeg only warns, and the picture is whole.
    EXPECT_EQ(DecodeJpegBytes(QByteArray(bytes).insert(2, "junk")).Size(), QSize(40, 30));
    // Every cut either decodes at the full size (libjpeg fills what is missing) or ends in the
    // numbered message.
    for (qsizetype n = 0; n < bytes.size(); n += 7) {
        try {
            EXPECT_EQ(DecodeJpegBytes(bytes.left(n)).Size(), QSize(40, 30)) << "cut at " << n;
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(std::regex_match(e.what(), numbered)) << "cut at " << n << ": " << e.what();
        }
    }
}

TEST(Icon, PicksTheLargestThenDeepestEntryAndAppliesItsMask)
{
    auto ring = [](int x, int y) { return (x + y) % 5 == 0; };
    auto colour = [](int x, int y) { return Color32(x * 8, y * 8, 100, 255); };
    const QByteArray small8 = IconDib(16, 8, colour, ring);
    const QByteArray big8 = IconDib(32, 8, colour, ring);
    const QByteArray big32 = IconDib(32, 32, [](int x, int y) { return Color32(x * 8, y * 8, 50, x * 8); }, ring);

    const TBitmap32 chosen = DecodeIconBytes(MakeIco({{16, small8}, {32, big8}, {32, big32}}));
    ASSERT_EQ(chosen.Size(), QSize(32, 32));
    EXPECT_EQ(chosen.Pixel(3, 4), Color32(24, 32, 50, 24)) << "the 32-bit entry wins and keeps its alpha";
    EXPECT_EQ(chosen.Pixel(5, 0), Color32(40, 0, 50, 40)) << "with alpha the mask is not used";

    const TBitmap32 masked = DecodeIconBytes(MakeIco({{16, small8}, {32, big8}}));
    ASSERT_EQ(masked.Size(), QSize(32, 32));
    EXPECT_EQ(masked.Pixel(5, 0), 0u) << "masked pixels are transparent";
    EXPECT_EQ(masked.Pixel(3, 4), Color32(24, 24, 24)) << "8-bit grey palette, opaque";
    EXPECT_EQ(MaxDifference(masked, QtDecode(MakeIco({{32, big8}}), "ICO")), 0);
}

TEST(Icon, PngEntriesAndBrokenDirectories)
{
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(qRgba(10, 200, 30, 128));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "PNG").write(image);
    const QByteArray small = IconDib(16, 8, [](int, int) { return Color32(1, 1, 1); }, [](int, int) { return false; });
    const TBitmap32 png = DecodeIconBytes(MakeIco({{16, small}, {48, buffer.data()}}));
    ASSERT_EQ(png.Size(), QSize(48, 48));
    EXPECT_EQ(png.Pixel(7, 7), Color32(10, 200, 30, 128));

    auto message = [](const QByteArray& bytes) -> std::string {
        try {
            DecodeIconBytes(bytes);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "(decoded)";
    };
    const QByteArray good = MakeIco({{16, small}});
    EXPECT_EQ(message(good.left(5)), "Icon image is not valid");
    EXPECT_EQ(message(good.left(20)), "Icon image is not valid") << "directory cut short";
    QByteArray outside = good;
    outside[6 + 12] = char(0xF0); // entry offset far past the end
    EXPECT_EQ(message(outside), "Icon image is not valid");
    EXPECT_EQ(message(good.left(good.size() - 100)), "Icon image is not valid") << "entry bytes missing";
    for (qsizetype n = 0; n < good.size(); n += 3)
        (void)message(good.left(n));
}

TEST(Icon, HostileEntriesAndMasksAfterBitFields)
{
    // A 16-bit entry with bit-field colour masks: its AND mask follows the masks and the bits.
    QByteArray dib;
    for (uint32_t v : {40u, 8u, 16u})
        Put32(dib, v);
    Put16(dib, 1);
    Put16(dib, 16);
    Put32(dib, 3); // BI_BITFIELDS
    for (int i = 0; i < 5; ++i)
        Put32(dib, 0);
    for (uint32_t mask : {0x7C00u, 0x03E0u, 0x001Fu})
        Put32(dib, mask);
    for (int i = 0; i < 8 * 8; ++i)
        Put16(dib, 0x7C00);
    for (int row = 0; row < 8; ++row)
        Put32(dib, row == 0 ? 0xFFu : 0u); // only the bottom row is masked
    const TBitmap32 icon = DecodeIconBytes(MakeIco({{8, dib}}));
    EXPECT_EQ(icon.Pixel(3, 7), 0u);
    EXPECT_EQ(icon.Pixel(3, 6), Color32(255, 0, 0));

    // PNG entries declaring 4-billion-pixel sides (their areas once overflowed), and a 52-byte
    // header whose alpha mask lies past the end of its entry.
    QByteArray hugePng = QByteArray("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) + QByteArray(8, char(0xFF)) + QByteArray(5, '\0');
    EXPECT_THROW(DecodeIconBytes(MakeIco({{0, hugePng}, {0, hugePng}})), std::runtime_error);
    QByteArray header52 = dib.left(40);
    header52[16] = 6; // BI_ALPHABITFIELDS
    header52[14] = 32;
    header52[0] = 52;
    header52 += dib.mid(40, 12);
    EXPECT_THROW(DecodeIconBytes(MakeIco({{8, header52}})), std::runtime_error);
}
