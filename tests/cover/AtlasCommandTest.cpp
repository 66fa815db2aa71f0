// `tavlo atlas` run as users run it: files in, an atlas file and the box proportions out. What the
// atlas holds is the composition's business, tested there.
#include "common/RunTavlo.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(AtlasCommand, WritesTheAtlasPrintsTheBoxAndReportsBadInput)
{
    QTemporaryDir dir;
    auto save = [&](const QString& name, QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::red);
        EXPECT_TRUE(image.save(dir.filePath(name), "BMP"));
        return dir.filePath(name);
    };
    auto run = [](const QStringList& args) { return RunTavlo(QStringList{"atlas"} + args); };
    const QString front = save("front.bmp", {400, 600}), side = save("side.bmp", {50, 600});
    const QString out = dir.filePath("atlas.PNG");
    TRun r = run({"--front", front, "--side", side, "--type", "two sided box", "-o", out});
    ASSERT_EQ(r.Exit, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains("Box: X = 1, Y = 1.5, Z = 0.125")) << r.Out.toStdString();
    EXPECT_EQ(QImage(out).size(), QSize(450, 650));
    QFile::remove(out);

    r = run({"--front", dir.filePath("Lost.bmp"), "--side", side, "--type", "0", "-o", out});
    EXPECT_NE(r.Exit, 0);
    EXPECT_TRUE(r.Err.contains("LOST.BMP: The required file cannot be found.")) << r.Err.toStdString();
    r = run({"--front", front, "--side", side, "--type", "Hat Box", "-o", out});
    EXPECT_NE(r.Exit, 0);
    EXPECT_TRUE(r.Err.contains("Hat Box")) << r.Err.toStdString();
    EXPECT_NE(run({"--front", front, "--side", side, "--type", "0"}).Exit, 0);
    const QString png = save("front.png", {40, 40}); // BMP bytes named .png
    r = run({"--front", png, "--side", side, "--type", "0", "-o", out});
    EXPECT_NE(r.Exit, 0);
    EXPECT_TRUE(r.Err.contains("front.png")) << r.Err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}
