#include "TestPictures.h"
#include "imageio/GifLzw.h"
#include "imageio/GifReader.h"

#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

namespace {

struct TGifSpec {
    int Width = 5;
    int Height = 4;
    std::vector<TColor32> Palette{Color32(255, 0, 0), Color32(0, 255, 0), Color32(0, 0, 255), Color32(9, 9, 9)};
    std::vector<uchar> Indices; // row by row, top to bottom
    int Transparent = -1;
    bool Interlaced = false;
    bool LocalTable = false;
    const char* Version = "89a";
};

QByteArray MakeGif(const TGifSpec& s)
{
    int bits = 1;
    while ((1 << bits) < int(s.Palette.size()))
        ++bits;
    QByteArray table;
    for (int i = 0; i < (1 << bits); ++i) {
        const TColor32 c = i < int(s.Palette.size()) ? s.Palette[size_t(i)] : 0;
        table.append(char(RedOf(c))).append(char(GreenOf(c))).append(char(BlueOf(c)));
    }
    QByteArray out = "GIF" + QByteArray(s.Version) + U16s({s.Width, s.Height, s.LocalTable ? 0 : 0x80 | (bits - 1)}).left(5) + '\0' + '\0';
    if (!s.LocalTable)
        out += table;
    if (s.Transparent >= 0)
        out += QByteArray::fromHex("21F904010000") + char(s.Transparent) + '\0';
    out += ',' + U16s({0, 0, s.Width, s.Height}) + char((s.Interlaced ? 0x40 : 0) | (s.LocalTable ? 0x80 | (bits - 1) : 0));
    if (s.LocalTable)
        out += table;
    std::vector<uchar> order;
    if (s.Interlaced) {
        for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
            for (int y = start; y < s.Height; y += step)
                order.insert(order.end(), s.Indices.begin() + y * s.Width, s.Indices.begin() + (y + 1) * s.Width);
    } else {
        order = s.Indices;
    }
    const int minCode = std::max(2, bits);
    out.append(char(minCode));
    const std::vector<uchar> lzw = LzwEncode(order.data(), qsizetype(order.size()), minCode);
    for (size_t i = 0; i < lzw.size(); i += 255) {
        const size_t n = std::min<size_t>(255, lzw.size() - i);
        out.append(char(n)).append(reinterpret_cast<const char*>(lzw.data() + i), qsizetype(n));
    }
    return out + '\0' + ';';
}

std::vector<uchar> RandomIndices(int n, int colours, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uchar> v(size_t(n), 0);
    std::generate(v.begin(), v.end(), [&] { return uchar(rng() % colours); });
    return v;
}

TBitmap32 Ours(const QByteArray& file) { return Decoded(DecodeGif, file); }
std::string Message(const QByteArray& file) { return Refusal(DecodeGif, file); }

} // namespace

TEST(GifLzw, RoundTripsAtEveryCodeSizeThroughTableResetsAndRefusesDamage)
{
    for (int minCode = 2; minCode <= 8; ++minCode)
        for (int n : {1, 2, 100, 5000, 70000}) {
            // Few distinct runs fill the table slowly, random data fills it fast: both must reset.
            std::vector<uchar> data = RandomIndices(n, 1 << minCode, uint32_t(n + minCode));
            if (n == 5000)
                for (int i = 0; i < n; ++i)
                    data[size_t(i)] = uchar((i / 37) % (1 << minCode));
            const std::vector<uchar> coded = LzwEncode(data.data(), n, minCode);
            std::vector<uchar> back(size_t(n), 0xEE);
            ASSERT_TRUE(LzwDecode(coded.data(), qsizetype(coded.size()), minCode, back.data(), n)) << minCode << " " << n;
            ASSERT_EQ(back, data) << minCode << " " << n;
        }

    const std::vector<uchar> data = RandomIndices(300, 4, 1);
    const std::vector<uchar> coded = LzwEncode(data.data(), 300, 2);
    std::vector<uchar> out(300);
    EXPECT_FALSE(LzwDecode(coded.data(), qsizetype(coded.size()) / 2, 2, out.data(), 300)) << "too short";
    EXPECT_FALSE(LzwDecode(coded.data(), qsizetype(coded.size()), 0, out.data(), 300));
    EXPECT_FALSE(LzwDecode(coded.data(), qsizetype(coded.size()), 12, out.data(), 300));
    // Clear code (4) then code 7, which does not exist yet.
    const uchar bad[] = {uchar(4 | (7 << 3)), 0};
    EXPECT_FALSE(LzwDecode(bad, 2, 2, out.data(), 2));
}

TEST(GifReader, PixelsTransparencyInterlaceAndTablesMatchQt)
{
    TGifSpec s{.Width = 7, .Height = 11, .Indices = RandomIndices(7 * 11, 4, 3)};
    const QByteArray plain = MakeGif(s);
    const TBitmap32 reference = Ours(plain);
    EXPECT_EQ(MaxDifference(reference, QtDecode(plain, "GIF")), 0);
    EXPECT_TRUE(Ours(MakeGif({.Width = 7, .Height = 11, .Indices = s.Indices, .Interlaced = true})).SamePixels(reference))
        << "interlaced rows land where they belong";
    EXPECT_TRUE(Ours(MakeGif({.Width = 7, .Height = 11, .Indices = s.Indices, .LocalTable = true, .Version = "87a"})).SamePixels(reference))
        << "a local colour table works like the global one";

    s.Transparent = 1;
    const TBitmap32 transparent = Ours(MakeGif(s));
    for (int i = 0; i < 7 * 11; ++i) // transparent pixels stay transparent black
        ASSERT_EQ(transparent.Pixel(i % 7, i / 7), s.Indices[size_t(i)] == 1 ? 0u : s.Palette[s.Indices[size_t(i)]]) << i;
}

TEST(GifReader, MalformedFilesEndInTheReadersMessages)
{
    const TGifSpec s{.Indices = RandomIndices(20, 4, 4)};
    const QByteArray good = MakeGif(s);
    const std::pair<QByteArray, const char*> refusals[] = {
        {"PNG89a", "Invalid GIF signature"},
        {"GIF90a" + good.mid(6), "Unsupported GIF version"},
        {good.left(10), "Invalid GIF data"},
        {good.left(13 + 12) + "\x99", "Unknown GIF block type"},
        {good.left(13 + 12) + ";", "Image is empty"},
        // indices beyond the colour table
        {MakeGif({.Palette = {Color32(1, 1, 1), Color32(2, 2, 2)}, .Indices = {0, 1, 2, 3, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}}),
         "Invalid GIF data"},
    };
    for (const auto& [bytes, message] : refusals)
        EXPECT_EQ(Message(bytes), message);
    // A transparent or background index beyond the table names no pixel: it is ignored.
    TGifSpec ignored = s;
    ignored.Palette.resize(3);
    ignored.Transparent = 9;
    QByteArray outside = MakeGif(ignored);
    outside[11] = char(200); // background index
    EXPECT_EQ(Message(outside), "(decoded)");

    // A screen far larger than its image costs only the image: the picture is cut to it.
    QByteArray huge = good;
    huge.replace(6, 4, QByteArray(4, char(0xFF)));
    EXPECT_EQ(Ours(huge).Size(), QSize(s.Width, s.Height));
    huge.replace(13 + 12 + 5, 4, QByteArray(4, char(0xFF))); // the image as large as the screen
    EXPECT_NE(Message(huge).find("too large"), std::string::npos) << Message(huge);

    for (qsizetype n = 0; n < good.size() - 1; ++n) // only the trailer may be missing
        EXPECT_NE(Message(good.left(n)), "(decoded)") << "truncated at " << n;
}
