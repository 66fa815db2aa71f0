// Every real-world file of the shared corpus either loads or ends in a message: malformed ones must
// be refused. Where Qt reads the same file, its pixels serve as an independent reference.
#include "TestPictures.h"
#include "imageio/GifReader.h"
#include "imageio/PictureDecode.h"
#include "imageio/PictureFormats.h"
#include "imageio/PictureLoader.h"
#include "imageio/metafile/TMetafile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTextStream>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct TCorpusFile {
    QString Path; // relative to the corpus folder
    bool Malformed;
};

std::vector<TCorpusFile> CorpusFiles()
{
    std::vector<TCorpusFile> files;
    QFile manifest(QStringLiteral(TAVLO_CORPUS_DIR) + "/MANIFEST.tsv");
    if (!manifest.open(QIODevice::ReadOnly))
        return files;
    QTextStream in(&manifest);
    in.readLine(); // column names
    while (!in.atEnd()) {
        const QString path = in.readLine().section(u'\t', 0, 0);
        if (!path.isEmpty())
            files.push_back({path, path.contains("/malformed/")});
    }
    return files;
}

// The decoder of a corpus folder; None for formats the program does not read.
PictureKind KindOfFolder(const QString& path)
{
    const QString folder = path.section(u'/', 0, 0);
    if (folder == "bmp")
        return PictureKind::Bitmap;
    if (folder == "ico")
        return PictureKind::Icon;
    if (folder == "gif")
        return PictureKind::Gif;
    if (folder == "jpeg")
        return PictureKind::Jpeg;
    if (folder == "wmf" || folder == "emf")
        return PictureKind::Metafile;
    return LoaderKindOf(path); // PNG, TIFF and the photos
}

// Valid files the program refuses, each with its message: sides beyond the canvas's 16384-pixel
// limit, and 64-bit floating-point TIFF samples, which Qt's TIFF reader does not take.
bool KnownRefusal(const QString& path)
{
    return path.endsWith("/max-width.gif") || path.endsWith("/max-height.gif") || path.endsWith("/skimage-multipage_rgb.tif");
}

// Damaged files every common viewer still shows, and so do we: the damage costs no pixel.
bool ToleratedDamage(const QString& path)
{
    static const QStringList tolerated = {
        "/missing-pixels.gif",       // a complete 1x1 image on a 2x2 screen: only the uncovered screen is "missing"
        "/invalid-background.gif",   // the background index is never painted
        "/invalid-transparent.gif",  // a transparent index no pixel can have
        "/gdkpixbuf-bug775218.jpg",  // stray bytes between markers: libjpeg warns and decodes it whole
        "/go-invalid-noend.png",     // only the end chunk is missing
        "/go-invalid-trunc.png",     // cut short: the rows that arrived show, as in every viewer
        "/checkit-minimal_tag_points_outside_filesize.tif", // a tag the picture does not need
    };
    for (const QString& name : tolerated)
        if (path.endsWith(name))
            return true;
    return false;
}

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
    int worst = 0;
    for (int y = 0; y < ours.Height(); ++y)
        for (int x = 0; x < ours.Width(); ++x) {
            const TColor32 p = ours.Pixel(x, y), q = qt.Pixel(x, y);
            if (AlphaOf(p) != 255 || AlphaOf(q) != 255)
                continue;
            worst = std::max({worst, std::abs(RedOf(p) - RedOf(q)), std::abs(GreenOf(p) - GreenOf(q)), std::abs(BlueOf(p) - BlueOf(q))});
        }
    return worst;
}

int64_t PaintedPixels(const TBitmap32& b)
{
    int64_t n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            n += AlphaOf(b.Pixel(x, y)) != 0;
    return n;
}

// Loads and, when the header is accepted, plays a metafile; anything but the loader's own message
// is a fault (the sanitizer build checks the reads).
void LoadAndPlayMetafile(const QByteArray& bytes)
{
    TMetafile m;
    try {
        m.Load(bytes);
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Metafile is not valid");
        return;
    }
    QImage image(96, 96, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    m.Draw(painter, QRectF(0, 0, 96, 96));
}

// Truncated copies and copies with a few bytes overwritten, mostly in the first kilobyte where
// headers and sizes are.
void PlayDamagedCopies(const QByteArray& bytes)
{
    uint32_t seed = 2463534242u;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    for (int i = 1; i <= 12; ++i)
        LoadAndPlayMetafile(bytes.left(bytes.size() * i / 13));
    for (int i = 0; i < 24; ++i) {
        QByteArray damaged = bytes;
        for (int k = 0; k < 4; ++k) {
            const qsizetype span = std::min<qsizetype>(damaged.size(), (k % 2) ? damaged.size() : 1024);
            if (span > 0)
                damaged[qsizetype(next() % uint32_t(span))] = char(next());
        }
        LoadAndPlayMetafile(damaged);
    }
}

} // namespace

TEST(CorpusSweep, EveryFileLoadsOrEndsInAMessage)
{
    const std::vector<TCorpusFile> files = CorpusFiles();
    if (files.empty())
        GTEST_SKIP() << "corpus not found at " TAVLO_CORPUS_DIR;
    int loaded = 0, refused = 0, compared = 0;
    for (const TCorpusFile& file : files) {
        SCOPED_TRACE(file.Path.toStdString());
        const QString full = QStringLiteral(TAVLO_CORPUS_DIR) + "/" + file.Path;
        const QByteArray bytes = ReadFile(full);
        const PictureKind kind = KindOfFolder(file.Path);
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
            EXPECT_TRUE(file.Malformed || KnownRefusal(file.Path)) << "refused: " << message;
            ++refused;
            continue;
        }
        ++loaded;
        if (!ToleratedDamage(file.Path)) {
            EXPECT_FALSE(file.Malformed) << "a malformed file was accepted";
        }
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
        // PNG, TIFF and WebP go through Qt itself: no independent reference.
        if (kind == PictureKind::Png || kind == PictureKind::Tiff)
            continue;
        // Qt as the independent reference: BMP 16-bit channels widen differently (up to 7 levels),
        // JPEG goes through the same library with other settings (a level or two).
        const TBitmap32& ours = kind == PictureKind::Gif ? layer : face;
        // BMPs whose stored size disagrees with the file were damaged in transit (line ends
        // rewritten inside RLE data): readers may differ on them.
        const uint32_t declared = bytes.size() >= 6 ? uint32_t(uchar(bytes[2]) | (uchar(bytes[3]) << 8) | (uchar(bytes[4]) << 16) | (uint32_t(uchar(bytes[5])) << 24)) : 0;
        if (kind == PictureKind::Bitmap && declared != uint32_t(bytes.size()))
            continue;
        const int difference = DifferenceFromQt(bytes, ours);
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
    const QString dir = QStringLiteral(TAVLO_CORPUS_DIR);
    if (!QFileInfo(dir + "/MANIFEST.tsv").exists())
        GTEST_SKIP() << "corpus not found";
    auto load = [&](const QString& name, PictureKind kind) {
        TBitmap32 b;
        DecodePicture(kind, ReadFile(dir + "/" + name), b);
        return b;
    };
    EXPECT_EQ(load("bmp/gentle-tick_rle4_11x11.bmp", PictureKind::Bitmap).Size(), QSize(11, 11));
    EXPECT_EQ(load("bmp/wx-horse_rle8.bmp", PictureKind::Bitmap).Size(), QSize(200, 200));
    const TBitmap32 alpha = load("bmp/python-python_v5_32bpp_alpha.bmp", PictureKind::Bitmap);
    bool someTransparent = false;
    for (int y = 0; y < alpha.Height(); ++y)
        for (int x = 0; x < alpha.Width(); ++x)
            someTransparent |= AlphaOf(alpha.Pixel(x, y)) < 255;
    EXPECT_TRUE(someTransparent) << "a 32-bit V5 bitmap keeps its alpha";
    EXPECT_EQ(load("ico/im-favicon_5icons_png256.ico", PictureKind::Icon).Size(), QSize(256, 256)) << "the largest entry";
    EXPECT_EQ(load("ico/afl-not_kitty_png.ico", PictureKind::Icon).Size(), QSize(32, 32)) << "the PNG's own size wins";
    EXPECT_EQ(load("jpeg/go-video-001.cmyk.jpeg", PictureKind::Jpeg).Size(), QSize(150, 103));
    EXPECT_EQ(load("jpeg/gtk4-image-cmyk.jpeg", PictureKind::Jpeg).Size(), QSize(32, 32));
    EXPECT_EQ(load("jpeg/go-video-005.gray.jpeg", PictureKind::Jpeg).Pixel(10, 10) & 0xFF,
              (load("jpeg/go-video-005.gray.jpeg", PictureKind::Jpeg).Pixel(10, 10) >> 8) & 0xFF) << "grey stays grey";
    EXPECT_EQ(load("gif/lo-oo_smiley.gif", PictureKind::Gif).Size(), QSize(794, 1124));
    // Metafiles at 96 pixels per inch: placeable at 1000 and 2540 units an inch, a plain one's
    // window taken in pixels, an EMF frame in hundredths of a millimetre.
    EXPECT_EQ(load("wmf/lo-burger.wmf", PictureKind::Metafile).Size(), QSize(220, 195));
    EXPECT_EQ(load("wmf/manchu-Object9.wmf", PictureKind::Metafile).Size(), QSize(45, 48));
    EXPECT_EQ(load("wmf/coco-UserManual_Object2.wmf", PictureKind::Metafile).Size(), QSize(1369, 519));
    TMetafile m;
    m.Load(ReadFile(dir + "/emf/readxl-geometry_xls_thumbnail.emf"));
    TBitmap32 layer;
    m.RenderTo(layer);
    EXPECT_EQ(layer.Size(), QSize(123, 84));
    EXPECT_EQ(PaintedPixels(layer), int64_t(layer.Width()) * layer.Height()) << "one bitmap over the whole frame";
    // Clip art on a light blue panel that leaves a margin left and right.
    m.Load(ReadFile(dir + "/wmf/lo-vegetable.wmf"));
    m.RenderTo(layer);
    ASSERT_EQ(layer.Size(), QSize(899, 628));
    EXPECT_EQ(layer.Pixel(450, 10), Color32(0, 204, 255));
    EXPECT_EQ(layer.Pixel(20, 10), 0u);
    EXPECT_EQ(layer.Pixel(880, 600), 0u);
    try {
        load("gif/max-width.gif", PictureKind::Gif);
        ADD_FAILURE() << "a 65535-pixel-wide picture is beyond the limit";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    }
}
