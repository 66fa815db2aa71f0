// `tavlo convert` as users run it: a separate process without a display.
#include "TestPictures.h"
#include "imageio/BmpWriter.h"
#include "imageio/PictureLoader.h"
#include "TavloVersion.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TRun {
    int Code;
    QString Out, Err;
};

TRun Tavlo(const QStringList& args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    env.remove("XDG_RUNTIME_DIR"); // a plain terminal: Qt must not talk about it
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TAVLO_CLI), args);
    if (!process.waitForFinished(60000))
        return {-1, {}, "did not finish"};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

TEST(ConvertCli, ConvertsHeadlessAndReportsFailures)
{
    QTemporaryDir dir;
    const TBitmap32 source = RampPicture(64, 40, true);
    const QString input = dir.filePath("in.bmp");
    WriteFile(input, EncodeBmp(source));

    for (const char* name : {"out.GIF", "out.jpg", "out.bmp", "out.png", "out.tif"}) {
        const TRun run = Tavlo({"convert", input, dir.filePath(name)});
        EXPECT_EQ(run.Code, 0) << name << ": " << run.Err.toStdString();
        EXPECT_EQ(run.Err, QString()) << name;
    }
    EXPECT_TRUE(ReadFile(dir.filePath("out.GIF")).contains("produced by Tavlo Generator v1.56"));
    TBitmap32 back;
    LoadPictureFile(back, dir.filePath("out.bmp"));
    EXPECT_TRUE(back.SamePixels(source)) << "BMP to BMP is lossless, alpha included";
    EXPECT_EQ(QtDecode(ReadFile(dir.filePath("out.png"))).Size(), QSize(64, 40));

    WriteFile(dir.filePath("in.png"), ReadFile(dir.filePath("out.png")));
    const TRun png = Tavlo({"convert", dir.filePath("in.png"), dir.filePath("x.bmp")});
    EXPECT_EQ(png.Code, 1);
    EXPECT_TRUE(png.Err.contains("Unknown picture file extension (.png)")) << png.Err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("x.bmp")));

    const TRun unknown = Tavlo({"convert", input, dir.filePath("x.tiff")});
    EXPECT_EQ(unknown.Code, 1);
    EXPECT_FALSE(unknown.Err.isEmpty());

    EXPECT_EQ(Tavlo({"convert", input}).Code, 2);
    const TRun help = Tavlo({"--help"});
    EXPECT_EQ(help.Code, 0);
    EXPECT_TRUE(help.Out.contains("convert")) << help.Out.toStdString();
    EXPECT_TRUE(Tavlo({"convert", "--help"}).Out.contains("tavlo convert INPUT OUTPUT"));
}

TEST(ConvertCli, EveryCommandReportsOptionsAsTypedAndPrintsTheVersion)
{
    const TRun version = Tavlo({"--version"});
    EXPECT_EQ(version.Code, 0);
    EXPECT_EQ(version.Out, "tavlo (Tavlo Generator) " TAVLO_VERSION "\n");
    EXPECT_EQ(version.Err, QString());
    for (const char* command : {"convert", "atlas", "render", "batch"}) {
        const TRun run = Tavlo({command, "--bogus", "a.bmp", "b.bmp"});
        EXPECT_EQ(run.Code, 2) << command;
        EXPECT_TRUE(run.Err.startsWith(QStringLiteral("tavlo %1: unknown option '--bogus'\n").arg(command)))
            << run.Err.toStdString();
    }
    EXPECT_TRUE(Tavlo({"render", "--front"}).Err.startsWith("tavlo render: missing value after '--front'\n"));
}
