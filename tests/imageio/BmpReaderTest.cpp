#include "TestPictures.h"
#include "imageio/BmpReader.h"

#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

namespace {

struct TBmpSpec {
    int Width = 13;
    int Height = 7;
    int Bpp = 8;
    bool TopDown = false;
    uint32_t Compression = 0;
    int HeaderSize = 40;
    std::vector<uint32_t> Masks; // written after a 40-byte header, or inside a larger one
};

// A BMP file with random pixel bytes (and a random colour table for indexed depths).
QByteArray MakeBmp(const TBmpSpec& s, uint32_t seed, QByteArray* dibOut = nullptr)
{
    std::mt19937 rng(seed);
    QByteArray dib;
    const bool core = s.HeaderSize == 12;
    Put32(dib, uint32_t(s.HeaderSize));
    if (core) {
        Put16(dib, s.Width);
        Put16(dib, s.Height);
        Put16(dib, 1);
        Put16(dib, s.Bpp);
    } else {
        Put32(dib, uint32_t(s.Width));
        Put32(dib, uint32_t(s.TopDown ? -s.Height : s.Height));
        Put16(dib, 1);
        Put16(dib, s.Bpp);
        Put32(dib, s.Compression);
        Put32(dib, 0);
        Put32(dib, 2835);
        Put32(dib, 2835);
        Put32(dib, 0);
        Put32(dib, 0);
        for (size_t i = 0; i < s.Masks.size() && s.HeaderSize > 40; ++i)
            Put32(dib, s.Masks[i]);
        while (dib.size() < s.HeaderSize)
            dib.append('\0');
        if (s.HeaderSize == 40)
            for (uint32_t m : s.Masks)
                Put32(dib, m);
    }
    if (s.Bpp <= 8)
        for (int i = 0; i < (1 << s.Bpp); ++i)
            for (int c = 0; c < (core ? 3 : 4); ++c)
                dib.append(char(c == 3 ? 0 : rng() & 0xFF));
    const qsizetype pixelsAt = dib.size();
    const int rowBytes = ((s.Width * s.Bpp + 31) / 32) * 4;
    for (int i = 0; i < rowBytes * s.Height; ++i)
        dib.append(char(rng() & 0xFF));
    if (dibOut)
        *dibOut = dib;
    QByteArray file("BM");
    Put32(file, uint32_t(14 + dib.size()));
    Put32(file, 0);
    Put32(file, uint32_t(14 + pixelsAt));
    return file + dib;
}

TBitmap32 Ours(const QByteArray& file)
{
    TBitmap32 b;
    DecodeBmpFile(reinterpret_cast<const uchar*>(file.constData()), file.size(), b);
    return b;
}

#define ExpectThrowsMessage(file, message)                                                                \
    do {                                                                                                   \
        SCOPED_TRACE(#file);                                                                               \
        ExpectRefused(file, message);                                                                      \
    } while (false)

void ExpectRefused(const QByteArray& file, const char* message)
{
    TBitmap32 target(2, 2);
    target.Clear(Color32(1, 2, 3));
    try {
        DecodeBmpFile(reinterpret_cast<const uchar*>(file.constData()), file.size(), target);
        ADD_FAILURE() << "expected \"" << message << "\"";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), message);
    }
    EXPECT_EQ(target.Width(), 2) << "target must stay untouched";
    EXPECT_EQ(target.Pixel(1, 1), Color32(1, 2, 3));
}

} // namespace

TEST(BmpReader, EveryDepthAndRowOrderMatchesQtsReader)
{
    for (int bpp : {1, 4, 8, 16, 24, 32})
        for (bool topDown : {false, true})
            for (int header : {40, 124}) {
                TBmpSpec s;
                s.Bpp = bpp;
                s.TopDown = topDown;
                s.HeaderSize = header;
                const QByteArray file = MakeBmp(s, uint32_t(bpp * 10 + topDown + header));
                const TBitmap32 ours = Ours(file);
                TBitmap32 reference = QtDecode(file, "BMP");
                SCOPED_TRACE(testing::Message() << bpp << " bpp, top-down " << topDown << ", header " << header);
                ASSERT_EQ(ours.Size(), QSize(13, 7));
                // Qt widens 5-bit channels by shifting (31 -> 248), we scale them (31 -> 255).
                EXPECT_LE(MaxDifference(ours, reference, false), bpp == 16 ? 7 : 0);
                if (bpp == 32) {
                    // The fourth byte is kept as alpha, byte for byte.
                    const int rowBytes = 13 * 4;
                    const qsizetype bits = file.size() - rowBytes * 7;
                    const int y = 2;
                    const int fileRow = topDown ? y : 6 - y;
                    EXPECT_EQ(AlphaOf(ours.Pixel(5, y)), uchar(file[bits + fileRow * rowBytes + 5 * 4 + 3]));
                } else {
                    for (int y = 0; y < 7; ++y)
                        for (int x = 0; x < 13; ++x)
                            ASSERT_EQ(AlphaOf(ours.Pixel(x, y)), 255);
                }
            }
}

TEST(BmpReader, Os2CoreHeaderAndBitFields)
{
    TBmpSpec core;
    core.HeaderSize = 12;
    core.Bpp = 8;
    const QByteArray coreFile = MakeBmp(core, 7);
    EXPECT_EQ(MaxDifference(Ours(coreFile), QtDecode(coreFile, "BMP"), false), 0);

    // 16-bit 5-6-5 after a 40-byte header, and 32-bit with an alpha mask inside a V4 header.
    TBmpSpec rgb565;
    rgb565.Bpp = 16;
    rgb565.Compression = 3;
    rgb565.Masks = {0xF800, 0x07E0, 0x001F};
    const QByteArray file565 = MakeBmp(rgb565, 8);
    EXPECT_LE(MaxDifference(Ours(file565), QtDecode(file565, "BMP"), false), 7);
    QByteArray white = file565;
    white[white.size() - 4] = char(0xFF); // last pixel of the file's last row (the picture's top row);
    white[white.size() - 3] = char(0xFF); // the row's last two bytes are padding
    EXPECT_EQ(Ours(white).Pixel(12, 0), Color32(255, 255, 255)) << "full-scale channels reach 255";

    TBmpSpec argb;
    argb.Bpp = 32;
    argb.Compression = 3;
    argb.HeaderSize = 108;
    argb.Masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF}; // unusual order: R G B A
    const QByteArray fileArgb = MakeBmp(argb, 9);
    const TBitmap32 ours = Ours(fileArgb);
    const qsizetype bits = fileArgb.size() - 13 * 4 * 7;
    const uchar* p = reinterpret_cast<const uchar*>(fileArgb.constData()) + bits + (6 - 0) * 13 * 4; // row 0 is last
    EXPECT_EQ(ours.Pixel(0, 0), Color32(p[1], p[2], p[3], p[0]));
}

TEST(BmpReader, ThirtyTwoBitsWithAnEmptyFourthByteIsOpaque)
{
    TBmpSpec s;
    s.Bpp = 32;
    QByteArray file = MakeBmp(s, 3);
    const qsizetype bits = file.size() - 13 * 4 * 7;
    for (qsizetype i = bits + 3; i < file.size(); i += 4)
        file[i] = 0;
    const TBitmap32 b = Ours(file);
    EXPECT_EQ(AlphaOf(b.Pixel(0, 0)), 255);
    EXPECT_EQ(AlphaOf(b.Pixel(12, 6)), 255);
}

TEST(BmpReader, PackedDibHasNoFileHeader)
{
    TBmpSpec s;
    s.Bpp = 4;
    QByteArray dib;
    const QByteArray file = MakeBmp(s, 11, &dib);
    TBitmap32 fromDib;
    const TDibInfo info = DecodeDib(reinterpret_cast<const uchar*>(dib.constData()), dib.size(), fromDib);
    EXPECT_EQ(info.BitsPerPixel, 4);
    EXPECT_FALSE(info.HasAlpha);
    EXPECT_TRUE(fromDib.SamePixels(Ours(file)));
}

TEST(BmpReader, Rle8AndRle4RunsDeltasAndAbsoluteRuns)
{
    // 6 x 3, bottom-up. Palette index i is the grey level 10 * i.
    auto make = [](int bpp, const QByteArray& data) {
        QByteArray dib;
        Put32(dib, 40);
        Put32(dib, 6);
        Put32(dib, 3);
        Put16(dib, 1);
        Put16(dib, bpp);
        Put32(dib, bpp == 8 ? 1 : 2);
        Put32(dib, uint32_t(data.size()));
        Put32(dib, 0);
        Put32(dib, 0);
        Put32(dib, 16);
        Put32(dib, 0);
        for (int i = 0; i < 16; ++i)
            Put32(dib, Color32(10 * i, 10 * i, 10 * i, 0));
        dib += data;
        QByteArray file("BM");
        Put32(file, uint32_t(14 + dib.size()));
        Put32(file, 0);
        Put32(file, uint32_t(14 + 40 + 64));
        return file + dib;
    };
    auto grey = [](int i) { return Color32(10 * i, 10 * i, 10 * i); };
    // Bottom row: run of 3 x index 2, absolute 3 pixels 5,6,7 (padded); end of line.
    // Middle row: delta (2, 1) skips to the top row at x = 2, run 2 x index 9 (clipped at 10 x 1).
    // Then end of bitmap.
    const QByteArray rle8 = QByteArray::fromHex("0302" "0003050607" "00" "0000" "00020201" "0209" "0001");
    const TBitmap32 b8 = Ours(make(8, rle8));
    EXPECT_EQ(b8.Pixel(0, 2), grey(2));
    EXPECT_EQ(b8.Pixel(2, 2), grey(2));
    EXPECT_EQ(b8.Pixel(3, 2), grey(5));
    EXPECT_EQ(b8.Pixel(5, 2), grey(7));
    EXPECT_EQ(b8.Pixel(0, 1), Color32(0, 0, 0)) << "skipped pixels are black";
    EXPECT_EQ(b8.Pixel(2, 0), grey(9));
    EXPECT_EQ(b8.Pixel(3, 0), grey(9));
    EXPECT_EQ(b8.Pixel(4, 0), Color32(0, 0, 0));

    // RLE4: a run of 5 alternating 1,2; absolute 3 nibbles 3,4,5 (two bytes, word aligned); EOL;
    // a run of 8 (clipped to 6) of 6,7; end of bitmap.
    const QByteArray rle4 = QByteArray::fromHex("0512" "00033450" "0000" "0867" "0001");
    const TBitmap32 b4 = Ours(make(4, rle4));
    EXPECT_EQ(b4.Pixel(0, 2), grey(1));
    EXPECT_EQ(b4.Pixel(1, 2), grey(2));
    EXPECT_EQ(b4.Pixel(4, 2), grey(1));
    EXPECT_EQ(b4.Pixel(5, 2), grey(3));
    EXPECT_EQ(b4.Pixel(0, 1), grey(6));
    EXPECT_EQ(b4.Pixel(5, 1), grey(7));
    EXPECT_EQ(b4.Pixel(0, 0), Color32(0, 0, 0));
}

TEST(BmpReader, MalformedHeadersAreRefusedWithTheBitmapMessage)
{
    TBmpSpec s;
    const QByteArray good = MakeBmp(s, 5);
    auto patched = [&](qsizetype at, uint32_t value, int bytes = 4) {
        QByteArray f = good;
        for (int i = 0; i < bytes; ++i)
            f[at + i] = char((value >> (8 * i)) & 0xFF);
        return f;
    };
    ExpectThrowsMessage(QByteArray("BM"), "Bitmap image is not valid");
    ExpectThrowsMessage(QByteArray("XX") + good.mid(2), "Bitmap image is not valid");
    ExpectThrowsMessage(patched(14 + 4, 0), "Bitmap image is not valid");          // width 0
    ExpectThrowsMessage(patched(14 + 14, 3, 2), "Bitmap image is not valid");       // 3 bits per pixel
    ExpectThrowsMessage(patched(14 + 12, 2, 2), "Bitmap image is not valid");       // 2 planes
    ExpectThrowsMessage(patched(14 + 16, 77), "Bitmap image is not valid");         // unknown compression
    ExpectThrowsMessage(patched(14 + 32, 0x40000000), "Bitmap image is not valid"); // colours used
    ExpectThrowsMessage(patched(14, 80), "Bitmap image is not valid");              // no such header size
    ExpectThrowsMessage(patched(14, 124).left(14 + 100), "Bitmap image is not valid"); // header past the end
    ExpectThrowsMessage(good.left(good.size() - 20), "Bitmap image is not valid");  // truncated bits
    try {
        Ours(patched(14 + 4, 1u << 30));
        ADD_FAILURE() << "a picture a billion pixels wide must be refused";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    }
}

TEST(BmpReader, EveryTruncationEndsInAMessageOrAPicture)
{
    for (int bpp : {4, 8, 32}) {
        TBmpSpec s;
        s.Bpp = bpp;
        const QByteArray good = MakeBmp(s, 21);
        for (qsizetype n = 0; n < good.size(); ++n) {
            // A buffer of exactly n bytes, so the sanitizer build sees any read past the cut.
            const std::vector<uchar> cut(good.begin(), good.begin() + n);
            TBitmap32 b;
            try {
                DecodeBmpFile(cut.data(), n, b);
                EXPECT_EQ(b.Size(), QSize(s.Width, s.Height)) << "cut at " << n;
            } catch (const std::runtime_error& e) {
                EXPECT_STRNE(e.what(), "") << "cut at " << n;
            }
        }
    }
}
