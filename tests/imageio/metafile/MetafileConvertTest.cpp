// `tavlo convert` on metafiles, headless: the command-line tool reads them as new image layers.
#include "imageio/BmpReader.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TRun {
    int ExitCode = -1;
    QString Output;
};

TRun Convert(const QString& input, const QString& output)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(TAVLO_EXE), {"convert", input, output});
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

} // namespace

TEST(MetafileConvert, CorpusMetafilesBecomeLayers)
{
    const QString corpus = QStringLiteral(TAVLO_CORPUS_DIR);
    const QString wmf = corpus + "/wmf/lo-burger.wmf";
    const QString emf = corpus + "/emf/readxl-geometry_xls_thumbnail.emf";
    if (!QFile::exists(wmf) || !QFile::exists(emf))
        GTEST_SKIP() << "corpus files missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    // A 32-bit BMP keeps the alpha byte, so it shows what the layer reading left transparent.
    const TRun burger = Convert(wmf, dir.filePath("burger.bmp"));
    ASSERT_EQ(burger.ExitCode, 0) << burger.Output.toStdString();
    QFile bmp(dir.filePath("burger.bmp"));
    ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
    const QByteArray bytes = bmp.readAll();
    TBitmap32 b;
    DecodeBmpFile(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), b);
    ASSERT_EQ(b.Size(), QSize(220, 195));
    // Read as a layer: the clip art is opaque, the corners it leaves unpainted transparent.
    EXPECT_EQ(AlphaOf(b.Pixel(110, 100)), 255);
    EXPECT_EQ(AlphaOf(b.Pixel(1, 1)), 0);
    EXPECT_EQ(AlphaOf(b.Pixel(218, 193)), 0);

    const TRun thumbnail = Convert(emf, dir.filePath("thumbnail.png"));
    ASSERT_EQ(thumbnail.ExitCode, 0) << thumbnail.Output.toStdString();
    const QImage t(dir.filePath("thumbnail.png"));
    EXPECT_EQ(t.size(), QSize(123, 84));
    EXPECT_EQ(qAlpha(t.pixel(60, 40)), 255);
}

TEST(MetafileConvert, BytesThatAreNoMetafileEndInTheMessage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile fake(dir.filePath("fake.wmf"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("This is a text file with a metafile's extension.\n");
    fake.close();
    const TRun run = Convert(fake.fileName(), dir.filePath("out.png"));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Output.contains("Metafile is not valid")) << run.Output.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("out.png")));
}
