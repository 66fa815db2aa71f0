// `tavlo render` run as a process: the files it writes are the pictures the core renders.
#include "imageio/PictureLoader.h"
#include "render/HeadlessContext.h"
#include "render/HeadlessCover.h"

#include "RenderTestUtil.h"
#include "common/RequireGL.h"

#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
struct TRun {
    int Exit = -1;
    QString Out, Err;
};

TRun RunTavlo(const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(TAVLO_CLI, QStringList{"render"} + args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

class CliRender : public testing::Test {
protected:
    void SetUp() override
    {
        THeadlessContext probe;
        TAVLO_REQUIRE_GL(probe.Ok(), "EGL surfaceless");
        ASSERT_TRUE(FDir.isValid());
        Save("front.bmp", 240, 360, QColor(190, 50, 40));
        Save("side.bmp", 36, 360, QColor(40, 60, 170));
        Save("top.bmp", 240, 36, QColor(60, 170, 60));
    }
    void Save(const QString& name, int w, int h, QColor c)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(c);
        for (int y = 0; y < h; y += 9) // some structure, so a wrong mapping would show
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, qRgb(250, 250, 200));
        ASSERT_TRUE(image.save(Path(name)));
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QStringList Faces() const
    {
        return {"--front", Path("front.bmp"), "--side", Path("side.bmp"), "--top", Path("top.bmp")};
    }
    QTemporaryDir FDir;
};
} // namespace

TEST_F(CliRender, WritesTheCroppedPictureTheCoreRenders)
{
    // One paged type with a ring binding; every type's picture is the core's business.
    const QString out = Path("cover.png");
    const TRun run = RunTavlo(Faces() + QStringList{"--type", "5", "-o", out});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.startsWith("Wrote "));
    QImage written(out);
    ASSERT_FALSE(written.isNull());

    TBitmap32 front, side, top;
    LoadPictureFromFile(front, Path("front.bmp"));
    LoadPictureFromFile(side, Path("side.bmp"));
    LoadPictureFromFile(top, Path("top.bmp"));
    TCoverRenderSettings s;
    s.Type = btSpecialReport;
    const TBitmap32 expected = RenderCoverHeadless(front, side, &top, s);
    ASSERT_EQ(written.size(), expected.Size());
    TBitmap32 got;
    got.Assign(written);
    EXPECT_EQ(CountDiffering(got, expected, 1), 0);
}

TEST_F(CliRender, OptionsChangeThePicture)
{
    const QString plain = Path("plain.bmp"), wide = Path("wide.bmp");
    ASSERT_EQ(RunTavlo(Faces() + QStringList{"--type", "Wide Box", "-o", plain}).Exit, 0);
    const TRun run = RunTavlo(Faces() + QStringList{"--type", "wide box", "--size", "1600x1200", "--background",
                                                    "#204060", "--angle-y", "300", "--smooth", "--passes",
                                                    "4", "--no-shadow", "-o", wide});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    const QImage a(plain), b(wide);
    ASSERT_FALSE(a.isNull());
    ASSERT_FALSE(b.isNull());
    EXPECT_GT(b.height(), a.height() * 3 / 2); // twice the view, about twice the picture
    // Cut to the contents: the background shows only beside the slanted box.
    EXPECT_EQ(QColor(b.pixel(b.width() - 1, 0)).name(), QColor(0x20, 0x40, 0x60).name());
}

TEST_F(CliRender, WidthAskedTransparencyAndTurntable)
{
    // The file is as wide as asked, whatever the cut.
    const QString sized = Path("sized.png"), clear = Path("clear.png"), turn = Path("turn.gif");
    ASSERT_EQ(RunTavlo(Faces() + QStringList{"--size", "500x400", "--light-elevation", "20", "--smooth", "-o", sized}).Exit, 0);
    const QImage opaque(sized);
    EXPECT_EQ(opaque.width(), 500);

    // Transparent: clear corner, the shadow black and partly clear, the cover opaque.
    const TRun run = RunTavlo(Faces() + QStringList{"--size", "500x400", "--light-elevation", "20", "--smooth",
                                                    "--transparent", "-o", clear});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    const QImage alpha = QImage(clear).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(alpha.size(), opaque.size());
    EXPECT_EQ(qAlpha(alpha.pixel(0, 0)), 0);
    int shadow = 0, cover = 0;
    for (int y = 0; y < alpha.height(); ++y)
        for (int x = 0; x < alpha.width(); ++x) {
            const QRgb c = alpha.pixel(x, y);
            shadow += qAlpha(c) > 20 && qAlpha(c) < 60 && qRed(c) < 3 ? 1 : 0; // strength 50: up to 34
            cover += qAlpha(c) == 255 && qRed(c) > 150 && qBlue(c) < 90 ? 1 : 0;
        }
    EXPECT_GT(shadow, 300);
    EXPECT_GT(cover, 3000);

    // The turntable: the frames asked for, looping forever, read back by another decoder.
    const TRun spin = RunTavlo(Faces() + QStringList{"--size", "200x150", "--turntable", "12", "-o", turn});
    ASSERT_EQ(spin.Exit, 0) << spin.Err.toStdString();
    QImageReader reader(turn);
    EXPECT_EQ(reader.imageCount(), 12);
    EXPECT_EQ(reader.loopCount(), -1); // -1: forever
    QImage first = reader.read();
    EXPECT_EQ(first.width(), 200);
    EXPECT_GT(reader.nextImageDelay(), 0);
    EXPECT_EQ(RunTavlo(Faces() + QStringList{"--turntable", "12", "-o", Path("turn.png")}).Exit, 2);
}

TEST_F(CliRender, BadUsageAndBadFilesAreReported)
{
    TRun run = RunTavlo({"--side", Path("side.bmp"), "-o", Path("x.png")});
    EXPECT_EQ(run.Exit, 2);
    EXPECT_TRUE(run.Err.contains("--front is missing")) << run.Err.toStdString();
    run = RunTavlo(Faces() + QStringList{"--type", "Hardcover", "-o", Path("x.png")});
    EXPECT_EQ(run.Exit, 2);
    EXPECT_TRUE(run.Err.contains("Unknown book type")) << run.Err.toStdString();
    run = RunTavlo(Faces() + QStringList{"--size", "9000x10", "-o", Path("x.png")});
    EXPECT_EQ(run.Exit, 2);
    run = RunTavlo(Faces() + QStringList{"--zoom", "0.75", "-o", Path("x.png")}); // would turn the picture over
    EXPECT_EQ(run.Exit, 2);
    run = RunTavlo({"--front", Path("missing.bmp"), "--side", Path("side.bmp"), "-o", Path("x.png")});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_FALSE(run.Err.isEmpty());
    EXPECT_FALSE(QFile::exists(Path("x.png")));
    run = RunTavlo(Faces() + QStringList{"-o", Path("x.xyz")});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_FALSE(run.Err.isEmpty());
}

TEST_F(CliRender, NoOpenGLDriverIsAClearFailure)
{
    // GLVND finds no EGL vendor library: as on a machine without an OpenGL driver.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("__EGL_VENDOR_LIBRARY_FILENAMES", Path("no-such-vendor.json"));
    const TRun run = RunTavlo(Faces() + QStringList{"-o", Path("x.png")}, env);
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Err.contains("OpenGL")) << run.Err.toStdString();
    EXPECT_FALSE(QFile::exists(Path("x.png")));
}
