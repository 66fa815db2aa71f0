// `tavlo render` run as a process: its options, exit codes and messages. What each cover type
// looks like is the core's business (HeadlessCoverTest); one run shows the file is the core's picture.
#include "imageio/PictureLoader.h"
#include "render/HeadlessContext.h"
#include "render/HeadlessCover.h"
#include "project/ProjectFile.h"

#include "RenderTestUtil.h"
#include "common/RequireGL.h"
#include "common/RunTavlo.h"

#include <QDir>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class CliRender : public testing::Test {
protected:
    void SetUp() override
    {
        TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
        for (auto [name, w, h, c] : {std::tuple{"front.bmp", 240, 360, QColor(190, 50, 40)},
                                     {"side.bmp", 36, 360, QColor(40, 60, 170)}, {"top.bmp", 240, 36, QColor(60, 170, 60)}})
            ASSERT_TRUE(Striped(w, h, c, 9).save(Path(name)));
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    // Runs `tavlo render` with the three faces (unless `faces` is false) and `args`.
    TRun Render(const QStringList& args, bool faces = true,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) const
    {
        const QStringList all{"--front", Path("front.bmp"), "--side", Path("side.bmp"), "--top", Path("top.bmp")};
        return RunTavlo(QStringList{"render"} + (faces ? all : QStringList{}) + args, env);
    }
    QTemporaryDir FDir;
};
} // namespace

TEST_F(CliRender, WritesTheCroppedPictureTheCoreRenders)
{
    const QString out = Path("cover.png");
    const TRun run = Render({"--type", "5", "-o", out});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.startsWith("Wrote "));
    TBitmap32 front, side, top, got;
    LoadPictureFromFile(front, Path("front.bmp"));
    LoadPictureFromFile(side, Path("side.bmp"));
    LoadPictureFromFile(top, Path("top.bmp"));
    TCoverRenderSettings s;
    s.Type = btSpecialReport;
    const TBitmap32 expected = RenderCoverHeadless(front, side, &top, s);
    got.Assign(QImage(out));
    ASSERT_EQ(got.Size(), expected.Size());
    EXPECT_EQ(CountDiffering(got, expected, 1), 0);
}

TEST_F(CliRender, OptionsReachThePicture)
{
    const QString wide = Path("wide.bmp"), turn = Path("turn.gif");
    TRun run = Render({"--type", "wide box", "--size", "1600x1200", "--background", "#204060", "--angle-y", "300",
                       "--smooth", "--passes", "4", "--no-shadow", "-o", wide});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    const QImage b(wide);
    EXPECT_EQ(b.width(), 1600); // as wide as asked, whatever the cut
    // Cut to the contents: the background shows only beside the slanted box.
    EXPECT_EQ(QColor(b.pixel(b.width() - 1, 0)).name(), QColor(0x20, 0x40, 0x60).name());

    // The turntable: the frames asked for, looping forever, read back by another decoder. Transparent
    // reaches the frames; what the alpha of a still picture holds the final page's capture test shows.
    run = Render({"--size", "200x150", "--light-elevation", "20", "--turntable", "12", "--transparent", "-o", turn});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    QImageReader reader(turn);
    EXPECT_EQ(reader.imageCount(), 12);
    EXPECT_EQ(reader.loopCount(), -1); // -1: forever
    const QImage first = reader.read();
    EXPECT_EQ(first.width(), 200);
    EXPECT_EQ(qAlpha(first.pixel(0, 0)), 0); // the background is the transparent index
    EXPECT_GT(reader.nextImageDelay(), 0);
}

// The back cover seen from behind: from --back, from a project's back face, from a print cover's
// back; a book without one shows its front there.
TEST_F(CliRender, BackFaceReachesTheRearViewFromEverySource)
{
    const QColor red(200, 30, 30), cyan(30, 200, 200);
    auto plain = [](int w, int h, QColor c) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(c);
        return image;
    };
    ASSERT_TRUE(plain(240, 360, red).save(Path("red.bmp")) && plain(120, 180, cyan).save(Path("back.bmp")));
    // A wrap cover 6 x 9 in with a 0.5 in spine and 0.125 in bleed at 40 dpi: back | spine | front.
    QImage wrap = plain(510, 370, red);
    for (int y = 0; y < 370; ++y)
        for (int x = 0; x < 265; ++x)
            wrap.setPixel(x, y, x < 245 ? cyan.rgb() : qRgb(40, 160, 40));
    wrap.setDotsPerMeterX(1575); // 40 dpi declared in the PNG
    wrap.setDotsPerMeterY(1575);
    ASSERT_TRUE(wrap.save(Path("wrap.png")));
    TProject project;
    project.Faces[0].Base.Assign(plain(240, 360, red));
    project.Faces[1].Base.Assign(plain(30, 360, QColor(40, 160, 40)));
    project.Back.Base.Assign(plain(240, 360, cyan));
    project.Final.Type = btBookCover;
    SaveProject(project, Path("book.tavlo"));

    const QStringList rear{"--angle-x", "0", "--angle-y", "180", "--no-shadow", "--size", "300x300"};
    const QStringList files{"--front", Path("red.bmp"), "--side", Path("side.bmp"), "--type", "Book Cover"};
    const struct {
        const char* Name;
        QStringList Args;
        QColor Back;
    } cases[] = {
        {"no back", files, red},
        {"--back", files + QStringList{"--back", Path("back.bmp")}, cyan},
        {"project", {"--project", Path("book.tavlo")}, cyan},
        {"print cover", {"--print-cover", Path("wrap.png"), "--trim", "6x9in", "--spine", "0.5in", "--dpi", "40"}, cyan},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString out = Path(QStringLiteral("rear-%1.png").arg(++n));
        const TRun run = RunTavlo(QStringList{"render"} + c.Args + rear + QStringList{"-o", out});
        ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
        TBitmap32 picture;
        picture.Assign(QImage(out));
        const QRect cover = ContentRect(picture, Color32(255, 255, 255));
        const TColor32 centre = picture.Pixel(cover.center().x(), cover.center().y());
        // Lit from the viewer's side: the colour keeps its hue, a little darker or lighter.
        EXPECT_TRUE(Near(centre, Color32(c.Back.red(), c.Back.green(), c.Back.blue()), 40))
            << std::hex << centre;
    }
}

TEST_F(CliRender, BadUsageBadFilesAndNoDriverAreReported)
{
    // Exit 2: the command line is wrong; exit 1: the work failed. Nothing is written either way.
    const struct {
        QStringList Args;
        bool Faces;
        int Exit;
        const char* Says;
    } cases[] = {
        {{"--side", Path("side.bmp")}, false, 2, "--front is missing"},
        {{"--type", "Hardcover"}, true, 2, "Unknown book type"},
        {{"--size", "9000x10"}, true, 2, ""},
        {{"--zoom", "0.75"}, true, 2, ""}, // would turn the picture over
        {{"--turntable", "12"}, true, 2, ""}, // a turntable is a GIF
        {{"--front", Path("missing.bmp"), "--side", Path("side.bmp")}, false, 1, "missing.bmp"},
    };
    for (const auto& c : cases) {
        const TRun run = Render(c.Args + QStringList{"-o", Path("x.png")}, c.Faces);
        EXPECT_EQ(run.Exit, c.Exit) << c.Args.join(' ').toStdString();
        EXPECT_TRUE(run.Err.contains(QLatin1String(c.Says)) && !run.Err.isEmpty()) << run.Err.toStdString();
    }
    EXPECT_EQ(Render({"-o", Path("x.xyz")}).Exit, 1);
    // GLVND finds no EGL vendor library: as on a machine without an OpenGL driver.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("__EGL_VENDOR_LIBRARY_FILENAMES", Path("no-such-vendor.json"));
    const TRun run = Render({"-o", Path("x.png")}, true, env);
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Err.contains("OpenGL")) << run.Err.toStdString();
    EXPECT_FALSE(QFile::exists(Path("x.png")));
}

TEST_F(CliRender, ATurntableMemoryCannotHoldIsRefusedBeforeItStarts)
{
    // Under a data limit of about 150 MB (ulimit -d, as a render server or container sets it).
    auto limited = [&](const QStringList& args) {
        QProcess p;
        const QStringList faces{"--front", Path("front.bmp"), "--side", Path("side.bmp")};
        p.start("/bin/sh", QStringList{"-c", "ulimit -d 150000 && exec \"$0\" \"$@\"", TAVLO_CLI, "render"} + faces + args);
        EXPECT_TRUE(p.waitForFinished(120000)) << "tavlo render " << args.join(' ').toStdString() << " did not end";
        return TRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
                    QString::fromUtf8(p.readAllStandardError())};
    };
    const QString huge = Path("huge.gif"), small = Path("small.gif");
    TRun run = limited({"--size", "6000x4500", "--turntable", "36", "-o", huge});
    EXPECT_EQ(run.Exit, 1);
    const QRegularExpression refusal(R"(A turntable of 36 frames of 6000 x \d+ pixels needs about \d+ MB of memory, )"
                                     R"(but only \d+ MB are free\. Choose a smaller width\.)");
    EXPECT_TRUE(run.Err.contains(refusal)) << run.Err.toStdString();
    EXPECT_EQ(QDir(FDir.path()).entryList({"huge*"}), QStringList()) << "a file was written";
    // A turntable that fits is made under the same limit.
    run = limited({"--size", "200x150", "--turntable", "12", "--smooth", "-o", small});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    EXPECT_EQ(QImageReader(small).imageCount(), 12);
}
