// Every real-world file of the shared corpus either loads or ends in a message: malformed ones must
// be refused. Where Qt reads the same file, its pixels serve as an independent reference.
#include "TestPictures.h"
#include "fuzz/FuzzTargets.h"
#include "imageio/GifReader.h"
#include "imageio/PictureDecode.h"
#include "imageio/PictureFormats.h"
#include "imageio/PictureLoader.h"
#include "imageio/metafile/TMetafile.h"

#include <QFile>
#include <QTextStream>
#include <gtest/gtest.h>
#include <map>
#include <stdexcept>

namespace {

const QString Corpus = QStringLiteral(TAVLO_CORPUS_DIR) + "/";

// Paths relative to the corpus folder, from its manifest.
QStringList CorpusFiles()
{
    QStringList files;
    QFile manifest(Corpus + "MANIFEST.tsv");
    if (!manifest.open(QIODevice::ReadOnly))
        return files;
    QTextStream in(&manifest);
    in.readLine(); // column names
    while (!in.atEnd())
        if (const QString path = in.readLine().section(u'\t', 0, 0); !path.isEmpty())
            files << path;
    return files;
}

// The decoder of a corpus folder; PNG, TIFF and the photos by their extension.
PictureKind KindOfFolder(const QString& path)
{
    static const std::map<QString, PictureKind> folders = {{"bmp", PictureKind::Bitmap}, {"ico", PictureKind::Icon}, {"gif", PictureKind::Gif},
        {"jpeg", PictureKind::Jpeg}, {"wmf", PictureKind::Metafile}, {"emf", PictureKind::Metafile}};
    const auto folder = folders.find(path.section(u'/', 0, 0));
    return folder != folders.end() ? folder->second : LoaderKindOf(path);
}

bool EndsWithOneOf(const QString& path, const QStringList& names)
{
    return std::any_of(names.begin(), names.end(), [&](const QString& name) { return path.endsWith("/" + name); });
}

// Valid files the program refuses, each with its message: 64-bit floating-point TIFF samples,
// which Qt's TIFF reader does not take.
const QStringList KnownRefusals = {"skimage-multipage_rgb.tif"};

// Damaged files every common viewer still shows, and so do we: the damage costs no pixel.
const QStringList ToleratedDamage = {
    "missing-pixels.gif",      // a complete 1x1 image on a 2x2 screen: only the uncovered screen is "missing"
    "invalid-background.gif",  // the background index is never painted
    "invalid-transparent.gif", // a transparent index no pixel can have
    "gdkpixbuf-bug775218.jpg", // stray bytes between markers: libjpeg warns and decodes it whole
    "go-invalid-noend.png",    // only the end chunk is missing
    "go-invalid-trunc.png",    // cut short: the rows that arrived show, as in every viewer
    "checkit-minimal_tag_points_outside_filesize.tif", // a tag the picture does not need
};

// Our pixels against Qt's where both are opaque; -1 when Qt cannot serve as a reference.
int DifferenceFromQt(const QByteArray& bytes, const TBitmap32& ours)
{
    TBitmap32 qt;
    try {
        qt = QtDecode(bytes);
    } catch (const std::runtime_error&) {
        return -1;
    }
    if (qt.Size() != ours.Size())
        return -1;
    TBitmap32 opaque = ours; // pixels not opaque in both take Qt's, so they add nothing
    for (int y = 0; y < ours.Height(); ++y)
        for (int x = 0; x < ours.Width(); ++x)
            if (AlphaOf(ours.Pixel(x, y)) != 255 || AlphaOf(qt.Pixel(x, y)) != 255)
                opaque.SetPixel(x, y, qt.Pixel(x, y));
    return MaxDifference(opaque, qt, false);
}

int64_t PaintedPixels(const TBitmap32& b)
{
    int64_t n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            n += AlphaOf(b.Pixel(x, y)) != 0;
    return n;
}

// Truncated copies and copies with a few bytes overwritten, mostly in the first kilobyte where
// headers and sizes are.
void PlayDamagedCopies(const QByteArray& bytes)
{
    // Loads and, when the header is accepted, plays each copy as the fuzzer does: a refusal is
    // normal, a fault the sanitizer build sees is not.
    auto play = [](const QByteArray& copy) {
        RunFuzzTarget(ImageFuzzTargets(), "metafile", reinterpret_cast<const uint8_t*>(copy.constData()), size_t(copy.size()));
    };
    uint32_t seed = 2463534242u;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        return seed ^= seed << 5;
    };
    for (int i = 1; i <= 12; ++i)
        play(bytes.left(bytes.size() * i / 13));
    for (int i = 0; i < 24; ++i) {
        QByteArray damaged = bytes;
        for (int k = 0; k < 4; ++k)
            if (const qsizetype span = std::min<qsizetype>(damaged.size(), (k % 2) ? damaged.size() : 1024); span > 0)
                damaged[qsizetype(next() % uint32_t(span))] = char(next());
        play(damaged);
    }
}

} // namespace

TEST(CorpusSweep, EveryFileLoadsOrEndsInAMessage)
{
    const QStringList files = CorpusFiles();
    if (files.empty())
        GTEST_SKIP() << "corpus not found at " TAVLO_CORPUS_DIR;
    int loaded = 0, refused = 0, compared = 0;
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        const bool malformed = path.contains("/malformed/");
        const QByteArray bytes = ReadFile(Corpus + path);
        const PictureKind kind = KindOfFolder(path);
        if (kind == PictureKind::Metafile)
            PlayDamagedCopies(bytes);
        std::string message;
        TBitmap32 face, layer;
        try {
            ASSERT_NE(kind, PictureKind::None);
            DecodePicture(kind, bytes, face);
            if (kind == PictureKind::Gif)
                DecodeGif(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), layer);
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
        if (!message.empty()) {
            EXPECT_TRUE(malformed || EndsWithOneOf(path, KnownRefusals)) << "refused: " << message;
            ++refused;
            continue;
        }
        ++loaded;
        EXPECT_TRUE(!malformed || EndsWithOneOf(path, ToleratedDamage)) << "a malformed file was accepted";
        if (kind == PictureKind::Metafile) {
            // Played as a layer: the natural size, and more than a trace drawn.
            TMetafile m;
            m.Load(bytes);
            m.RenderTo(layer);
            EXPECT_EQ(layer.Size(), m.Size());
            EXPECT_EQ(face.Size(), m.Size());
            EXPECT_GT(PaintedPixels(layer), int64_t(layer.Width()) * layer.Height() / 50) << "hardly anything drawn";
            continue;
        }
        ASSERT_FALSE(face.Empty());
        // PNG, TIFF and WebP go through Qt itself: no independent reference. BMPs whose stored size
        // disagrees with the file were damaged in transit (line ends rewritten inside RLE data):
        // readers may differ on them.
        const uint32_t declared = bytes.size() >= 6 ? uint32_t(uchar(bytes[2]) | (uchar(bytes[3]) << 8) | (uchar(bytes[4]) << 16) | (uint32_t(uchar(bytes[5])) << 24)) : 0;
        if (kind == PictureKind::Png || kind == PictureKind::Tiff || (kind == PictureKind::Bitmap && declared != uint32_t(bytes.size())))
            continue;
        // Qt as the independent reference: BMP 16-bit channels widen differently (up to 7 levels),
        // JPEG goes through the same library with other settings (a level or two).
        const int difference = DifferenceFromQt(bytes, kind == PictureKind::Gif ? layer : face);
        if (difference < 0)
            continue;
        ++compared;
        EXPECT_LE(difference, kind == PictureKind::Jpeg ? 3 : (kind == PictureKind::Bitmap ? 7 : 0));
    }
    EXPECT_GT(loaded, 60);
    EXPECT_GT(refused, 20);
    EXPECT_GT(compared, 30);
    std::cout << loaded << " loaded, " << refused << " refused, " << compared << " compared with Qt\n";
}

TEST(CorpusSweep, KnownFilesDecodeAsExpected)
{
    if (!QFile::exists(Corpus + "MANIFEST.tsv"))
        GTEST_SKIP() << "corpus not found";
    auto load = [&](const QString& name) {
        TBitmap32 b;
        DecodePicture(KindOfFolder(name), ReadFile(Corpus + name), b);
        return b;
    };
    // The largest icon entry, and a PNG entry's own size over its directory's; the longest sides a
    // GIF can declare; metafiles at 96 pixels per inch: placeable at 1000 and 2540 units an inch, a
    // plain one's window in pixels.
    const std::pair<const char*, QSize> sizes[] = {{"bmp/gentle-tick_rle4_11x11.bmp", {11, 11}}, {"bmp/wx-horse_rle8.bmp", {200, 200}},
        {"ico/im-favicon_5icons_png256.ico", {256, 256}}, {"ico/afl-not_kitty_png.ico", {32, 32}},
        {"jpeg/go-video-001.cmyk.jpeg", {150, 103}}, {"jpeg/gtk4-image-cmyk.jpeg", {32, 32}}, {"gif/lo-oo_smiley.gif", {794, 1124}},
        {"gif/max-width.gif", {65535, 1}}, {"gif/max-height.gif", {1, 65535}}, {"wmf/lo-burger.wmf", {220, 195}}, {"wmf/manchu-Object9.wmf", {45, 48}}, {"wmf/coco-UserManual_Object2.wmf", {1369, 519}}};
    for (const auto& [name, size] : sizes)
        EXPECT_EQ(load(name).Size(), size) << name;
    // An EMF's frame in hundredths of a millimetre, one bitmap over the whole of it; clip art on a
    // light blue panel that leaves a margin left and right.
    TMetafile m;
    TBitmap32 layer;
    m.Load(ReadFile(Corpus + "emf/readxl-geometry_xls_thumbnail.emf"));
    m.RenderTo(layer);
    EXPECT_EQ(layer.Size(), QSize(123, 84));
    EXPECT_EQ(PaintedPixels(layer), int64_t(layer.Width()) * layer.Height());
    m.Load(ReadFile(Corpus + "wmf/lo-vegetable.wmf"));
    m.RenderTo(layer);
    ASSERT_EQ(layer.Size(), QSize(899, 628));
    EXPECT_EQ(layer.Pixel(450, 10), Color32(0, 204, 255));
    EXPECT_EQ(layer.Pixel(20, 10), 0u);
    EXPECT_EQ(layer.Pixel(880, 600), 0u);
}
