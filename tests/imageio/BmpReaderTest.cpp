#include "TestPictures.h"
#include "imageio/BmpReader.h"

#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

namespace {

struct TBmpSpec {
    int Bpp;
    bool TopDown = false;
    int HeaderSize = 40;
    uint32_t Compression = 0;
    std::vector<uint32_t> Masks = {}; // written after a 40-byte header, or inside a larger one
};
constexpr int W = 13, H = 7;

// A 13 x 7 BMP file with random pixel bytes (and a random colour table for indexed depths).
QByteArray MakeBmp(const TBmpSpec& s, uint32_t seed, QByteArray* dibOut = nullptr)
{
    std::mt19937 rng(seed);
    const bool core = s.HeaderSize == 12;
    QByteArray dib = core ? U32s({12}) + U16s({W, H, 1, s.Bpp})
                          : U32s({s.HeaderSize, W, s.TopDown ? -H : H}) + U16s({1, s.Bpp}) + U32s({s.Compression, 0, 2835, 2835, 0, 0});
    for (size_t i = 0; i < s.Masks.size() && s.HeaderSize > 40; ++i)
        dib += U32s({s.Masks[i]});
    dib.append(QByteArray(std::max<qsizetype>(0, s.HeaderSize - dib.size()), '\0'));
    if (s.HeaderSize == 40)
        for (uint32_t m : s.Masks)
            dib += U32s({m});
    if (s.Bpp <= 8)
        for (int i = 0; i < (1 << s.Bpp); ++i)
            for (int c = 0; c < (core ? 3 : 4); ++c)
                dib.append(char(c == 3 ? 0 : rng() & 0xFF));
    const qsizetype pixelsAt = dib.size();
    for (int i = 0; i < ((W * s.Bpp + 31) / 32) * 4 * H; ++i)
        dib.append(char(rng() & 0xFF));
    if (dibOut)
        *dibOut = dib;
    return "BM" + U32s({14 + dib.size(), 0, 14 + pixelsAt}) + dib;
}

TBitmap32 Ours(const QByteArray& file) { return Decoded(DecodeBmpFile, file); }

} // namespace

TEST(BmpReader, EveryDepthAndRowOrderMatchesQtsReader)
{
    for (int bpp : {1, 4, 8, 16, 24, 32})
        for (bool topDown : {false, true})
            for (int header : {40, 124}) {
                SCOPED_TRACE(testing::Message() << bpp << " bpp, top-down " << topDown << ", header " << header);
                QByteArray file = MakeBmp({bpp, topDown, header}, uint32_t(bpp * 10 + topDown + header));
                const TBitmap32 ours = Ours(file);
                ASSERT_EQ(ours.Size(), QSize(W, H));
                // Qt widens 5-bit channels by shifting (31 -> 248), we scale them (31 -> 255).
                EXPECT_LE(MaxDifference(ours, QtDecode(file, "BMP"), false), bpp == 16 ? 7 : 0);
                if (bpp != 32) {
                    for (int i = 0; i < W * H; ++i)
                        ASSERT_EQ(AlphaOf(ours.Pixel(i % W, i / W)), 255);
                    continue;
                }
                // The fourth byte is kept as alpha, byte for byte; when it is empty everywhere,
                // the picture is opaque.
                const qsizetype bits = file.size() - W * 4 * H;
                EXPECT_EQ(AlphaOf(ours.Pixel(5, 2)), uchar(file[bits + (topDown ? 2 : H - 1 - 2) * W * 4 + 5 * 4 + 3]));
                for (qsizetype i = bits + 3; i < file.size(); i += 4)
                    file[i] = 0;
                const TBitmap32 opaque = Ours(file);
                EXPECT_EQ(AlphaOf(opaque.Pixel(0, 0)), 255);
                EXPECT_EQ(AlphaOf(opaque.Pixel(12, 6)), 255);
            }
}

TEST(BmpReader, Os2CoreHeaderBitFieldsAndPackedDib)
{
    const QByteArray coreFile = MakeBmp({8, false, 12}, 7);
    EXPECT_EQ(MaxDifference(Ours(coreFile), QtDecode(coreFile, "BMP"), false), 0);

    // 16-bit 5-6-5 after a 40-byte header, and 32-bit with an alpha mask inside a V4 header.
    const QByteArray file565 = MakeBmp({16, false, 40, 3, {0xF800, 0x07E0, 0x001F}}, 8);
    EXPECT_LE(MaxDifference(Ours(file565), QtDecode(file565, "BMP"), false), 7);
    QByteArray white = file565;
    white[white.size() - 4] = char(0xFF); // last pixel of the file's last row (the picture's top row);
    white[white.size() - 3] = char(0xFF); // the row's last two bytes are padding
    EXPECT_EQ(Ours(white).Pixel(12, 0), Color32(255, 255, 255)) << "full-scale channels reach 255";

    const QByteArray fileArgb = MakeBmp({32, false, 108, 3, {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF}}, 9); // unusual order: R G B A
    const uchar* p = reinterpret_cast<const uchar*>(fileArgb.constData()) + fileArgb.size() - W * 4; // row 0 is last
    EXPECT_EQ(Ours(fileArgb).Pixel(0, 0), Color32(p[1], p[2], p[3], p[0]));

    // A packed DIB has no file header.
    QByteArray dib;
    const QByteArray file = MakeBmp({4}, 11, &dib);
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
        QByteArray dib = U32s({40, 6, 3}) + U16s({1, bpp}) + U32s({bpp == 8 ? 1 : 2, data.size(), 0, 0, 16, 0});
        for (int i = 0; i < 16; ++i)
            dib += U32s({Color32(10 * i, 10 * i, 10 * i, 0)});
        return Ours("BM" + U32s({14 + dib.size() + data.size(), 0, 14 + 40 + 64}) + dib + data);
    };
    auto grey = [](int i) { return Color32(10 * i, 10 * i, 10 * i); };
    const TColor32 black = Color32(0, 0, 0);
    // Bottom row: run of 3 x index 2, absolute 3 pixels 5,6,7 (padded); end of line.
    // Middle row: delta (2, 1) skips to the top row at x = 2, run 2 x index 9 (clipped at 10 x 1).
    // Then end of bitmap. Skipped pixels are black.
    const TBitmap32 b8 = make(8, QByteArray::fromHex("0302" "0003050607" "00" "0000" "00020201" "0209" "0001"));
    // RLE4: a run of 5 alternating 1,2; absolute 3 nibbles 3,4,5 (two bytes, word aligned); EOL;
    // a run of 8 (clipped to 6) of 6,7; end of bitmap.
    const TBitmap32 b4 = make(4, QByteArray::fromHex("0512" "00033450" "0000" "0867" "0001"));
    const struct {
        const TBitmap32& B;
        int X, Y;
        TColor32 Colour;
    } pixels[] = {{b8, 0, 2, grey(2)}, {b8, 2, 2, grey(2)}, {b8, 3, 2, grey(5)}, {b8, 5, 2, grey(7)}, {b8, 0, 1, black}, {b8, 2, 0, grey(9)},
                  {b8, 3, 0, grey(9)}, {b8, 4, 0, black},  {b4, 0, 2, grey(1)}, {b4, 1, 2, grey(2)}, {b4, 4, 2, grey(1)}, {b4, 5, 2, grey(3)},
                  {b4, 0, 1, grey(6)}, {b4, 5, 1, grey(7)}, {b4, 0, 0, black}};
    for (const auto& p : pixels)
        EXPECT_EQ(p.B.Pixel(p.X, p.Y), p.Colour) << (&p.B == &b8 ? "RLE8 " : "RLE4 ") << p.X << ", " << p.Y;
}

TEST(BmpReader, MalformedHeadersAreRefusedWithTheBitmapMessage)
{
    const QByteArray good = MakeBmp({8}, 5);
    auto patched = [&](qsizetype at, uint32_t value, int bytes = 4) {
        QByteArray f = good;
        for (int i = 0; i < bytes; ++i)
            f[at + i] = char((value >> (8 * i)) & 0xFF);
        return f;
    };
    for (const QByteArray& bad : {QByteArray("BM"), QByteArray("XX") + good.mid(2),
                                  patched(14 + 4, 0),            // width 0
                                  patched(14 + 14, 3, 2),        // 3 bits per pixel
                                  patched(14 + 12, 2, 2),        // 2 planes
                                  patched(14 + 16, 77),          // unknown compression
                                  patched(14 + 32, 0x40000000),  // colours used
                                  patched(14, 80),               // no such header size
                                  patched(14, 124).left(14 + 100), // header past the end
                                  good.left(good.size() - 20)})  // truncated bits
        EXPECT_EQ(Refusal(DecodeBmpFile, bad), "Bitmap image is not valid");
    const std::string huge = Refusal(DecodeBmpFile, patched(14 + 4, 1u << 30));
    EXPECT_NE(huge.find("too large"), std::string::npos) << "a picture a billion pixels wide: " << huge;
}

TEST(BmpReader, EveryTruncationEndsInAMessageOrAPicture)
{
    for (int bpp : {4, 8, 32}) {
        const QByteArray good = MakeBmp({bpp}, 21);
        for (qsizetype n = 0; n < good.size(); ++n) {
            // A buffer of exactly n bytes, so the sanitizer build sees any read past the cut.
            const std::vector<uchar> cut(good.begin(), good.begin() + n);
            TBitmap32 b;
            try {
                DecodeBmpFile(cut.data(), n, b);
                EXPECT_EQ(b.Size(), QSize(W, H)) << "cut at " << n;
            } catch (const std::runtime_error& e) {
                EXPECT_STRNE(e.what(), "") << "cut at " << n;
            }
        }
    }
}
