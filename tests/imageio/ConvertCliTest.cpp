// `tavlo convert` as users run it: a separate process without a display.
#include "TestPictures.h"
#include "common/RunTavlo.h"
#include "imageio/BmpWriter.h"
#include "imageio/PictureLoader.h"
#include "TavloVersion.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

// A plain terminal: no display, and no runtime folder for Qt to talk about.
TRun Tavlo(const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        env.remove(name);
    return RunTavlo(args, env);
}

// The peak resident memory in KiB of the largest child process waited for so far.
long ChildrenPeak()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

} // namespace

// Files of a few hundred bytes whose headers declare hundreds of megapixels, one or two per
// format (and one padded with text): each costs what its data is worth, not what its header claims.
TEST(ConvertCli, HostileHeadersCostWhatTheirDataIsWorth)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath("small.bmp"), EncodeBmp(RampPicture(8, 8)));
    ASSERT_EQ(Tavlo({"convert", dir.filePath("small.bmp"), dir.filePath("small.png")}).Exit, 0);
    const long baseline = ChildrenPeak();
    ASSERT_GT(baseline, 0);
    const QDir hostile(QStringLiteral(TAVLO_HOSTILE_DIR));
    const QStringList names = hostile.entryList(QDir::Files).filter(QRegularExpression("\\.(gif|jpg|bmp|ico|png|tif|webp|emf)$"));
    ASSERT_GE(names.size(), 12);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_LT(QFileInfo(hostile.filePath(name)).size(), 512 * 1024); // padded.png: a quarter of a megabyte
        const int code = Tavlo({"convert", hostile.filePath(name), dir.filePath("out.bmp")}).Exit;
        EXPECT_TRUE(code == 0 || code == 1) << "exit code " << code;
        // The largest child so far: any conversion above the budget raises it.
        EXPECT_LE(ChildrenPeak() - baseline, 64 * 1024) << "KiB above a tiny conversion";
    }
}

TEST(ConvertCli, ConvertsHeadlessReportsFailuresAndPrintsTheVersion)
{
    // A round trip through Qt's PNG writer and reader, without a display: alpha survives exactly.
    QTemporaryDir dir;
    const TBitmap32 source = RampPicture(64, 40, true);
    WriteFile(dir.filePath("in.bmp"), EncodeBmp(source));
    for (const auto& [from, to] : {std::pair{"in.bmp", "out.png"}, {"out.png", "back.bmp"}}) {
        const TRun run = Tavlo({"convert", dir.filePath(from), dir.filePath(to)});
        EXPECT_EQ(run.Exit, 0) << to << ": " << run.Err.toStdString();
        EXPECT_EQ(run.Err, QString()) << to;
    }
    TBitmap32 back;
    LoadPictureFile(back, dir.filePath("back.bmp"));
    EXPECT_TRUE(back.SamePixels(source));

    // Failures: exit code 1 with the reader's or writer's message, 2 for a wrong command line.
    WriteFile(dir.filePath("in.xcf"), "x");
    const TRun unknownIn = Tavlo({"convert", dir.filePath("in.xcf"), dir.filePath("y.bmp")});
    EXPECT_EQ(unknownIn.Exit, 1);
    EXPECT_TRUE(unknownIn.Err.contains("Unknown picture file extension (.xcf)")) << unknownIn.Err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("y.bmp")));
    EXPECT_EQ(Tavlo({"convert", dir.filePath("in.bmp"), dir.filePath("x.tiff")}).Exit, 1);
    EXPECT_EQ(Tavlo({"convert", dir.filePath("in.bmp")}).Exit, 2);
    for (const char* command : {"convert", "atlas", "render", "batch"}) {
        const TRun run = Tavlo({command, "--bogus", "a.bmp", "b.bmp"});
        EXPECT_EQ(run.Exit, 2) << command;
        EXPECT_TRUE(run.Err.startsWith(QStringLiteral("tavlo %1: unknown option '--bogus'\n").arg(command))) << run.Err.toStdString();
    }
    EXPECT_TRUE(Tavlo({"render", "--front"}).Err.startsWith("tavlo render: missing value after '--front'\n"));

    const TRun help = Tavlo({"--help"});
    EXPECT_EQ(help.Exit, 0);
    EXPECT_TRUE(help.Out.contains("convert")) << help.Out.toStdString();
    EXPECT_TRUE(Tavlo({"convert", "--help"}).Out.contains("tavlo convert INPUT OUTPUT"));
    const TRun version = Tavlo({"--version"});
    EXPECT_EQ(std::tuple(version.Exit, version.Out, version.Err), std::tuple(0, QString("tavlo (Tavlo Generator) " TAVLO_VERSION "\n"), QString()));
}
