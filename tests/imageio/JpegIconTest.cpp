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

// An icon entry as a packed DIB: 40-byte header with doubled height, 32-bit BGRA or 8-bit with a
// grey palette, then the AND mask (1 = masked).
QByteArray IconDib(int size, int bpp, const std::function<TColor32(int, int)>& pixel, const std::function<bool(int, int)>& masked)
{
    QByteArray dib = U32s({40, size, size * 2}) + U16s({1, bpp}) + U32s({0, 0, 0, 0, 0, 0});
    for (int i = 0; bpp == 8 && i < 256; ++i)
        dib += U32s({Color32(i, i, i, 0)});
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x)
            dib += bpp == 32 ? U32s({pixel(x, y)}) : QByteArray(1, char(RedOf(pixel(x, y))));
        dib.append(QByteArray((4 - dib.size() % 4) % 4, '\0'));
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
    QByteArray out = U16s({0, 1, int64_t(entries.size())});
    int64_t offset = 6 + 16 * int64_t(entries.size());
    for (const auto& [size, data] : entries) {
        out += U16s({(size & 0xFF) * 0x101, 0, 1, 32}) + U32s({data.size(), offset});
        offset += data.size();
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
    const TBitmap32 back = Decoded(DecodeJpeg, bytes);
    EXPECT_GT(Psnr(source, back), 45.0) << "0 when the sizes differ";
    EXPECT_LE(MaxDifference(back, QtDecode(bytes, "JPEG")), 2) << "an independent decode agrees";
    EXPECT_EQ(AlphaOf(back.Pixel(5, 5)), 255);
    // Lower quality makes a smaller file: the quality really reaches libjpeg.
    EXPECT_LT(EncodeJpeg(source, 50).size(), bytes.size());
}

TEST(Jpeg, ErrorsAreNumberedAndNeverExit)
{
    const QByteArray bytes = EncodeJpeg(RampPicture(40, 30), 100);
    const std::regex numbered("JPEG error #[0-9]+ \\(.+\\)"); // libjpeg's number and its own words
    for (const QByteArray& bad : {QByteArray("\xFF\xD8\xFF\xE0garbage"), bytes.left(bytes.size() / 2), QByteArray("not a jpeg at all"), bytes.left(200)})
        EXPECT_TRUE(std::regex_match(Refusal(DecodeJpeg, bad), numbered)) << Refusal(DecodeJpeg, bad);
    // Stray bytes before a marker: libjpeg only warns, and the picture is whole.
    EXPECT_EQ(Decoded(DecodeJpeg, QByteArray(bytes).insert(2, "junk")).Size(), QSize(40, 30));
    // Every cut either decodes at the full size (libjpeg fills what is missing) or ends in the
    // numbered message.
    for (qsizetype n = 0; n < bytes.size(); n += 7) {
        try {
            EXPECT_EQ(Decoded(DecodeJpeg, bytes.left(n)).Size(), QSize(40, 30)) << "cut at " << n;
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(std::regex_match(e.what(), numbered)) << "cut at " << n << ": " << e.what();
        }
    }
}

TEST(Icon, PicksTheLargestThenDeepestEntryAndAppliesItsMask)
{
    auto ring = [](int x, int y) { return (x + y) % 5 == 0; };
    auto colour = [](int x, int y) { return Color32(x * 8, y * 8, 100, 255); };
    const QByteArray small8 = IconDib(16, 8, colour, ring), big8 = IconDib(32, 8, colour, ring);
    const QByteArray big32 = IconDib(32, 32, [](int x, int y) { return Color32(x * 8, y * 8, 50, x * 8); }, ring);

    const TBitmap32 chosen = Decoded(DecodeIcon, MakeIco({{16, small8}, {32, big8}, {32, big32}}));
    ASSERT_EQ(chosen.Size(), QSize(32, 32));
    EXPECT_EQ(chosen.Pixel(3, 4), Color32(24, 32, 50, 24)) << "the 32-bit entry wins and keeps its alpha";
    EXPECT_EQ(chosen.Pixel(5, 0), Color32(40, 0, 50, 40)) << "with alpha the mask is not used";

    const TBitmap32 masked = Decoded(DecodeIcon, MakeIco({{16, small8}, {32, big8}}));
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
    const TBitmap32 png = Decoded(DecodeIcon, MakeIco({{16, small}, {48, buffer.data()}}));
    ASSERT_EQ(png.Size(), QSize(48, 48));
    EXPECT_EQ(png.Pixel(7, 7), Color32(10, 200, 30, 128));

    // Cut inside the header or the directory, an entry offset far past the end, entry bytes missing.
    const QByteArray good = MakeIco({{16, small}});
    QByteArray outside = good;
    outside[6 + 12] = char(0xF0);
    for (const QByteArray& bad : {good.left(5), good.left(20), outside, good.left(good.size() - 100)})
        EXPECT_EQ(Refusal(DecodeIcon, bad), "Icon image is not valid");
    for (qsizetype n = 0; n < good.size(); n += 3)
        EXPECT_FALSE(Refusal(DecodeIcon, good.left(n)).empty());
}

TEST(Icon, HostileEntriesAndMasksAfterBitFields)
{
    // A 16-bit entry with bit-field colour masks (BI_BITFIELDS): its AND mask follows the masks and
    // the bits; only the bottom row is masked.
    QByteArray dib = U32s({40, 8, 16}) + U16s({1, 16}) + U32s({3, 0, 0, 0, 0, 0, 0x7C00, 0x03E0, 0x001F});
    for (int i = 0; i < 8 * 8; ++i)
        dib += U16s({0x7C00});
    dib += U32s({0xFF, 0, 0, 0, 0, 0, 0, 0});
    const TBitmap32 icon = Decoded(DecodeIcon, MakeIco({{8, dib}}));
    EXPECT_EQ(icon.Pixel(3, 7), 0u);
    EXPECT_EQ(icon.Pixel(3, 6), Color32(255, 0, 0));

    // PNG entries declaring 4-billion-pixel sides (their areas once overflowed), and a 52-byte
    // header (BI_ALPHABITFIELDS) whose alpha mask lies past the end of its entry.
    const QByteArray hugePng = QByteArray("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) + QByteArray(8, char(0xFF)) + QByteArray(5, '\0');
    EXPECT_THROW(Decoded(DecodeIcon, MakeIco({{0, hugePng}, {0, hugePng}})), std::runtime_error);
    QByteArray header52 = dib.left(40) + dib.mid(40, 12);
    header52[16] = 6;
    header52[14] = 32;
    header52[0] = 52;
    EXPECT_THROW(Decoded(DecodeIcon, MakeIco({{8, header52}})), std::runtime_error);
}
