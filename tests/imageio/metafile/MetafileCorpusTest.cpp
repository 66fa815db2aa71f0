// Real metafiles from the shared corpus: each plays, and damaged copies of them never crash.
#include "imageio/metafile/TMetafile.h"
#include "raster/TBitmap32.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <gtest/gtest.h>
#include <map>
#include <stdexcept>

namespace {

QString CorpusDir() { return QStringLiteral(TAVLO_CORPUS_DIR); }

// Every .wmf and .emf below wmf/ and emf/, malformed/ included, relative to the corpus.
QStringList CorpusMetafiles()
{
    QStringList files;
    for (const QString folder : {"wmf", "emf", "wmf/malformed", "emf/malformed"}) {
        const QDir dir(CorpusDir() + "/" + folder);
        for (const QString& name : dir.entryList({"*.wmf", "*.emf", "*.WMF", "*.EMF"}, QDir::Files, QDir::Name))
            files << folder + "/" + name;
    }
    return files;
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int64_t PaintedPixels(const TBitmap32& b)
{
    int64_t n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            n += AlphaOf(b.Pixel(x, y)) != 0;
    return n;
}

// Loads and, when the header is accepted, plays onto a small image; anything but the loader's
// own message is a fault.
void LoadAndPlay(const QByteArray& bytes)
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

} // namespace

TEST(MetafileCorpus, EveryFilePlaysOrIsRefusedWithTheMessage)
{
    const QStringList files = CorpusMetafiles();
    if (files.isEmpty())
        GTEST_SKIP() << "no metafiles in " << CorpusDir().toStdString();

    // Natural sizes at 96 pixels per inch of a few files whose headers fix them.
    const std::map<QString, QSize> sizes = {
        {"wmf/lo-burger.wmf", QSize(220, 195)},                         // placeable, 1000 units an inch
        {"wmf/manchu-Object9.wmf", QSize(45, 48)},                      // placeable, 2540 units an inch
        {"wmf/coco-UserManual_Object2.wmf", QSize(1369, 519)},          // plain: its window in pixels
        {"emf/readxl-geometry_xls_thumbnail.emf", QSize(123, 84)},      // frame 3251 x 2235 hundredths of a mm
    };
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const QByteArray bytes = ReadFile(CorpusDir() + "/" + file);
        TMetafile m;
        if (file.contains("/malformed/")) {
            EXPECT_THROW(m.Load(bytes), std::runtime_error);
            continue;
        }
        ASSERT_NO_THROW(m.Load(bytes));
        if (auto it = sizes.find(file); it != sizes.end()) {
            EXPECT_EQ(m.Size(), it->second);
        }
        TBitmap32 layer;
        m.RenderTo(layer);
        EXPECT_EQ(layer.Size(), m.Size());
        EXPECT_GT(PaintedPixels(layer), int64_t(layer.Width()) * layer.Height() / 50) << "hardly anything drawn";
    }
}

TEST(MetafileCorpus, KnownPixelsOfRealFiles)
{
    const QByteArray vegetable = ReadFile(CorpusDir() + "/wmf/lo-vegetable.wmf");
    const QByteArray thumbnail = ReadFile(CorpusDir() + "/emf/readxl-geometry_xls_thumbnail.emf");
    if (vegetable.isEmpty() || thumbnail.isEmpty())
        GTEST_SKIP() << "corpus files missing";

    // Clip art on a light blue panel that leaves a margin left and right.
    TMetafile m;
    m.Load(vegetable);
    TBitmap32 b;
    m.RenderTo(b);
    ASSERT_EQ(b.Size(), QSize(899, 628));
    EXPECT_EQ(b.Pixel(450, 10), Color32(0, 204, 255));
    EXPECT_EQ(b.Pixel(20, 10), 0u);
    EXPECT_EQ(b.Pixel(880, 600), 0u);

    // An Office thumbnail is one bitmap covering the whole frame.
    m.Load(thumbnail);
    m.RenderTo(b);
    EXPECT_EQ(PaintedPixels(b), int64_t(b.Width()) * b.Height());
}

TEST(MetafileCorpus, TruncatedAndCorruptedCopiesNeverCrash)
{
    const QStringList files = CorpusMetafiles();
    if (files.isEmpty())
        GTEST_SKIP() << "no metafiles in " << CorpusDir().toStdString();
    uint32_t seed = 2463534242u;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const QByteArray bytes = ReadFile(CorpusDir() + "/" + file);
        for (int i = 1; i <= 12; ++i)
            LoadAndPlay(bytes.left(bytes.size() * i / 13));
        for (int i = 0; i < 24; ++i) {
            QByteArray damaged = bytes;
            // A few bytes overwritten, mostly in the first kilobyte where headers and sizes are.
            for (int k = 0; k < 4; ++k) {
                const qsizetype span = std::min<qsizetype>(damaged.size(), (k % 2) ? damaged.size() : 1024);
                if (span > 0)
                    damaged[qsizetype(next() % uint32_t(span))] = char(next());
            }
            LoadAndPlay(damaged);
        }
    }
}
