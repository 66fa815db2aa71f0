// `tavlo batch` as a user runs it: rows rendered by workers, a failing row reported by its line
// while the others go on, finished outputs skipped on the next run, and rows split into shards.
#include "project/ProjectFile.h"
#include "render/HeadlessContext.h"
#include "templates/TemplateStore.h"
#include "common/RequireGL.h"
#include "common/RunTavlo.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>


TEST(BatchCli, RendersRowsReportsFailuresResumesAndShards)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    QTemporaryDir dir;
    auto path = [&](const QString& name) { return dir.filePath(name); };
    ASSERT_TRUE(Striped(120, 180, QColor(190, 50, 40), 7).save(path("front.bmp")));
    ASSERT_TRUE(Striped(20, 180, QColor(40, 60, 170), 7).save(path("side.bmp")));
    TProject project;
    project.Name = "P";
    project.Faces[0].Base.Assign(QImage(path("front.bmp")));
    project.Faces[1].Base.Assign(QImage(path("side.bmp")));
    project.Final.Type = btBookCover;
    project.Final.Background = Color32(255, 255, 0);
    SaveProject(project, path("p.tavlo"));
    // A template kept by the program, in a settings folder of this test's own.
    qputenv("XDG_CONFIG_HOME", path("config").toUtf8());
    {
        TTemplateStore store;
        store.Open(QString());
        store.WriteValue("Shelf", "FrontImage", path("front.bmp"));
        store.WriteValue("Shelf", "SideImage", path("side.bmp"));
        store.Close();
    }

    QFile csv(path("jobs.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("output,project,template,front,side,type,size,--shadow\n"
              "out/a.png,p.tavlo,,,,,200x150,\n"
              "out/b.png,,,front.bmp,side.bmp,Book Cover,200x150,yes\n"
              "\n"
              "out/c.png,,,missing.bmp,side.bmp,,200x150,\n"
              "\"out/d,e.png\",,Shelf,,,CD Cover,200x150,no\n");
    csv.close();

    TRun run = RunTavlo({"batch", path("jobs.csv"), "-j", "2"});
    EXPECT_EQ(run.Exit, 1) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("line 2: wrote " + path("out/a.png"))) << run.Out.toStdString();
    EXPECT_TRUE(run.Err.contains("line 5: ") && run.Err.contains("missing.bmp")) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("3 rendered, 0 up to date, 1 failed (line 5)")) << run.Out.toStdString();
    EXPECT_TRUE(QFile::exists(path("out/d,e.png")));
    EXPECT_FALSE(QFile::exists(path("out/c.png")));
    EXPECT_TRUE(QDir(path("out")).entryList(QDir::Hidden | QDir::Files).filter("partial").isEmpty());
    // The project's own settings reach the picture: its background in a corner.
    const QImage a(path("out/a.png"));
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(a.pixel(0, 0), qRgb(255, 255, 0));
    const TRun single = RunTavlo({"render", "--project", path("p.tavlo"), "--size", "200x150", "-o", path("single.png")});
    ASSERT_EQ(single.Exit, 0) << single.Err.toStdString();
    EXPECT_EQ(QImage(path("single.png")), a);

    // Resuming: finished outputs are skipped until an input is newer than them.
    run = RunTavlo({"batch", path("jobs.csv")});
    EXPECT_TRUE(run.Out.contains("0 rendered, 3 up to date, 1 failed")) << run.Out.toStdString();
    QFile front(path("front.bmp"));
    ASSERT_TRUE(front.open(QIODevice::ReadWrite));
    ASSERT_TRUE(front.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    front.close();
    run = RunTavlo({"batch", path("jobs.csv")});
    EXPECT_TRUE(run.Out.contains("1 rendered, 2 up to date, 1 failed")) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains("line 3: wrote")) << run.Out.toStdString();

    // Shard 1 of 2 takes the second and fourth row, every one of them with --force.
    run = RunTavlo({"batch", path("jobs.csv"), "--shard", "1/2", "--force", "-j", "1"});
    EXPECT_EQ(run.Exit, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("line 3: wrote") && run.Out.contains("line 6: wrote") && !run.Out.contains("line 2:"))
        << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains("2 rendered, 0 up to date, 0 failed")) << run.Out.toStdString();

    // On a terminal the progress is one bar redrawn in place.
    QProcess terminal;
    terminal.start("script", {"-qec", QString("'%1' batch '%2' --shard 0/2 --force").arg(TAVLO_CLI, path("jobs.csv")), "/dev/null"});
    ASSERT_TRUE(terminal.waitForFinished(300000));
    const QString screen = QString::fromUtf8(terminal.readAllStandardOutput());
    EXPECT_TRUE(screen.contains("\r[#") && screen.contains("] 2/2")) << screen.toStdString();

    // A column that is no option stops the batch before anything is rendered.
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("output,colour\nx.png,red\n");
    csv.close();
    run = RunTavlo({"batch", path("jobs.csv")});
    EXPECT_EQ(run.Exit, 2);
    EXPECT_TRUE(run.Err.contains("\"colour\" is no column")) << run.Err.toStdString();
    // A template that carries its cover type renders as that type unless --type says otherwise.
    {
        TTemplateStore store;
        store.Open(QString());
        store.WriteValue("Shelf", "BookType", "Book Cover");
        store.Close();
    }
    const auto render = [&](const QStringList& args, const QString& out) {
        const TRun r = RunTavlo(QStringList{"render"} + args + QStringList{"--size", "200x150", "-o", path(out)});
        EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
        return QImage(path(out));
    };
    const QImage stored = render({"--template", "shelf"}, "stored.png");
    const QImage book = render({"--front", path("front.bmp"), "--side", path("side.bmp"), "--type", "Book Cover"}, "book.png");
    const QImage box = render({"--template", "Shelf", "--type", "Two Sided Box"}, "box.png");
    ASSERT_FALSE(stored.isNull());
    EXPECT_EQ(stored, book);
    EXPECT_NE(stored, box);
}
