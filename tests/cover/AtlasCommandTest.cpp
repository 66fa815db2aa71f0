// `tavlo atlas` run as users run it: files in, an atlas file and the box proportions out.
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
struct TRun {
    int ExitCode = -1;
    QString Out, Err;
};

class AtlasCommand : public ::testing::Test {
protected:
    QTemporaryDir Dir;

    QString Save(const QString& name, QSize size, QColor colour)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(Dir.filePath(name), "BMP"));
        return Dir.filePath(name);
    }
    TRun Run(const QStringList& args)
    {
        QProcess p;
        p.start(QStringLiteral(TAVLO_CLI), QStringList{"atlas"} + args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }
};
} // namespace

TEST_F(AtlasCommand, WritesTheAtlasAndPrintsTheBox)
{
    const QString front = Save("front.bmp", {400, 600}, QColor(200, 0, 0));
    const QString side = Save("side.bmp", {50, 600}, QColor(0, 200, 0));
    const QString out = Dir.filePath("atlas.bmp");
    const TRun r = Run({"--front", front, "--side", side, "--type", "two sided box", "-o", out});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("Box: X = 1, Y = 1.5, Z = 0.125")) << r.Out.toStdString();
    const QImage atlas(out);
    ASSERT_EQ(atlas.size(), QSize(450, 650));
    EXPECT_EQ(atlas.pixel(25, 300), qRgb(0, 200, 0));
    EXPECT_EQ(atlas.pixel(250, 300), qRgb(200, 0, 0));
    EXPECT_EQ(atlas.pixel(250, 25), qRgb(248, 48, 48)); // generated top, front lightened by 48

    // By index: the CD case of a 400-pixel front.
    const QString png = Dir.filePath("cd.PNG");
    const TRun cd = Run({"--front", front, "--side", side, "--top", side, "--type", "4", "-o", png});
    ASSERT_EQ(cd.ExitCode, 0) << cd.Err.toStdString();
    EXPECT_EQ(QImage(png).size(), QSize(800, 412));
    EXPECT_TRUE(cd.Out.contains("Y = 0.03, Z = 1")) << cd.Out.toStdString();
}

TEST_F(AtlasCommand, BadInputEndsWithAMessage)
{
    const QString side = Save("side.bmp", {50, 600}, QColor(0, 200, 0));
    const QString out = Dir.filePath("atlas.bmp");

    TRun r = Run({"--front", Dir.filePath("Lost.bmp"), "--side", side, "--type", "0", "-o", out});
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_TRUE(r.Err.contains("LOST.BMP: The required file cannot be found.")) << r.Err.toStdString();

    r = Run({"--front", side, "--side", side, "--type", "Hat Box", "-o", out});
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_TRUE(r.Err.contains("Hat Box")) << r.Err.toStdString();

    r = Run({"--front", side, "--side", side, "--type", "0"});
    EXPECT_NE(r.ExitCode, 0);

    const QString png = Save("front.png", {40, 40}, Qt::red); // saved as BMP bytes, named .png
    r = Run({"--front", png, "--side", side, "--type", "0", "-o", out});
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_TRUE(r.Err.contains("front.png")) << r.Err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}
