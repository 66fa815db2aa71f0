// `tavlo convert` as users run it: a separate process without a display.
#include "TestPictures.h"
#include "imageio/BmpWriter.h"
#include "imageio/PictureLoader.h"
#include "TavloVersion.h"

#include <QDir>
#include <QRegularExpression>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct TRun {
    int Code;
    QString Out, Err;
};

TRun Tavlo(const QStringList& args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // A plain terminal: no display, and no runtime folder for Qt to talk about.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        env.remove(name);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TAVLO_CLI), args);
    if (!process.waitForFinished(60000))
        return {-1, {}, "did not finish"};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// `tavlo convert input output` with its output thrown away: the exit code (-1 for a crash) and the
// process's peak resident memory in KiB.
std::pair<int, long> ConvertPeak(const QString& input, const QString& output)
{
    const QByteArray cli(TAVLO_CLI), in = input.toLocal8Bit(), out = output.toLocal8Bit();
    std::vector<char*> env; // made before fork: the child may only exec
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
            env.push_back(*e);
    env.push_back(nullptr);
    char* argv[] = {const_cast<char*>(cli.data()), const_cast<char*>("convert"), const_cast<char*>(in.data()),
                    const_cast<char*>(out.data()), nullptr};
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execve(argv[0], argv, env.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss};
}

} // namespace

// Files of a few hundred bytes whose headers declare hundreds of megapixels, one or two per
// format: each costs what its data is worth, not what its header claims.
TEST(ConvertCli, HostileHeadersCostWhatTheirDataIsWorth)
{
    QTemporaryDir dir;
    const QString small = dir.filePath("small.bmp");
    WriteFile(small, EncodeBmp(RampPicture(8, 8)));
    const auto [smallCode, baseline] = ConvertPeak(small, dir.filePath("small.png"));
    ASSERT_EQ(smallCode, 0);
    const QDir hostile(QStringLiteral(TAVLO_HOSTILE_DIR));
    const QStringList names = hostile.entryList(QDir::Files).filter(QRegularExpression("\\.(gif|jpg|bmp|ico|png|tif|webp|emf)$"));
    ASSERT_GE(names.size(), 12);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_LT(QFileInfo(hostile.filePath(name)).size(), 64 * 1024);
        const auto [code, peak] = ConvertPeak(hostile.filePath(name), dir.filePath("out.bmp"));
        EXPECT_TRUE(code == 0 || code == 1) << "exit code " << code;
        EXPECT_LE(peak - baseline, 64 * 1024) << "KiB above a tiny conversion";
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
        EXPECT_EQ(run.Code, 0) << to << ": " << run.Err.toStdString();
        EXPECT_EQ(run.Err, QString()) << to;
    }
    TBitmap32 back;
    LoadPictureFile(back, dir.filePath("back.bmp"));
    EXPECT_TRUE(back.SamePixels(source));

    // Failures: exit code 1 with the reader's or writer's message, 2 for a wrong command line.
    WriteFile(dir.filePath("in.xcf"), "x");
    const TRun unknownIn = Tavlo({"convert", dir.filePath("in.xcf"), dir.filePath("y.bmp")});
    EXPECT_EQ(unknownIn.Code, 1);
    EXPECT_TRUE(unknownIn.Err.contains("Unknown picture file extension (.xcf)")) << unknownIn.Err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("y.bmp")));
    const TRun unknownOut = Tavlo({"convert", dir.filePath("in.bmp"), dir.filePath("x.tiff")});
    EXPECT_EQ(unknownOut.Code, 1);
    EXPECT_FALSE(unknownOut.Err.isEmpty());
    EXPECT_EQ(Tavlo({"convert", dir.filePath("in.bmp")}).Code, 2);
    for (const char* command : {"convert", "atlas", "render", "batch"}) {
        const TRun run = Tavlo({command, "--bogus", "a.bmp", "b.bmp"});
        EXPECT_EQ(run.Code, 2) << command;
        EXPECT_TRUE(run.Err.startsWith(QStringLiteral("tavlo %1: unknown option '--bogus'\n").arg(command))) << run.Err.toStdString();
    }
    EXPECT_TRUE(Tavlo({"render", "--front"}).Err.startsWith("tavlo render: missing value after '--front'\n"));

    const TRun help = Tavlo({"--help"});
    EXPECT_EQ(help.Code, 0);
    EXPECT_TRUE(help.Out.contains("convert")) << help.Out.toStdString();
    EXPECT_TRUE(Tavlo({"convert", "--help"}).Out.contains("tavlo convert INPUT OUTPUT"));
    const TRun version = Tavlo({"--version"});
    EXPECT_EQ(version.Code, 0);
    EXPECT_EQ(version.Out, "tavlo (Tavlo Generator) " TAVLO_VERSION "\n");
    EXPECT_EQ(version.Err, QString());
}
