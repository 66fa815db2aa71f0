// `tavlo batch` as a user runs it: rows rendered by workers, a failing row reported by its line
// while the others go on, finished outputs skipped on the next run, and rows split into shards.
#include "project/ProjectFile.h"
#include "render/HeadlessContext.h"
#include "templates/TemplateStore.h"
#include "common/RequireGL.h"
#include "common/RunTavlo.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>

namespace {

bool Ended(qint64 pid);

// The process ids of a process's living children, from every one of its threads.
QList<qint64> Children(qint64 pid)
{
    QList<qint64> children;
    const QDir tasks(QString("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks.filePath(task + "/children"));
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& id : file.readAll().split(' '))
                if (!id.trimmed().isEmpty() && !Ended(id.trimmed().toLongLong()))
                    children << id.trimmed().toLongLong();
    }
    return children;
}

// Gone, or dead and waiting for whoever reaps orphans.
bool Ended(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && close + 2 < text.size() && (text[close + 2] == 'Z' || text[close + 2] == 'X');
}

// Polls until done answers true; false once the deadline passed.
bool WaitUntil(const std::function<bool()>& done, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

// A batch of `rows` covers that take a while each, in dir/out.
void WriteSlowJobs(const QTemporaryDir& dir, int rows, const QString& size, int passes)
{
    ASSERT_TRUE(Striped(120, 180, QColor(190, 50, 40), 7).save(dir.filePath("front.bmp")));
    ASSERT_TRUE(Striped(20, 180, QColor(40, 60, 170), 7).save(dir.filePath("side.bmp")));
    QFile csv(dir.filePath("slow.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("output,front,side,size,smooth,passes\n");
    for (int i = 1; i <= rows; ++i)
        csv.write(QString("out/%1.png,front.bmp,side.bmp,%2,yes,%3\n").arg(i).arg(size).arg(passes).toUtf8());
}

// The batch started as from a terminal: SIGINT at its default even when this test runs where
// a shell set it aside (a background job ignores it, and children inherit that).
void StartBatch(QProcess& batch, const QStringList& args)
{
    batch.setChildProcessModifier([] { std::signal(SIGINT, SIG_DFL); });
    batch.start(TAVLO_CLI, QStringList{"batch"} + args);
}

} // namespace


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
    const char* csvText = "output,project,template,front,side,type,size,--shadow\n"
                          "out/a.png,p.tavlo,,,,,200x150,\n"
                          "out/b.png,,,front.bmp,side.bmp,Book Cover,200x150,yes\n"
                          "\n"
                          "out/c.png,,,missing.bmp,side.bmp,,200x150,\n"
                          "\"out/d,e.png\",,Shelf,,,CD Cover,200x150,no\n";
    csv.write(csvText);
    csv.close();

    TRun run = RunTavlo({"batch", path("jobs.csv"), "-j", "2"});
    EXPECT_EQ(run.Exit, 1) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("line 2: wrote " + path("out/a.png"))) << run.Out.toStdString();
    EXPECT_TRUE(run.Err.contains("line 5: ") && run.Err.contains("missing.bmp")) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("3 rendered, 0 up to date, 1 failed (line 5)")) << run.Out.toStdString();
    EXPECT_TRUE(QFile::exists(path("out/d,e.png")));
    EXPECT_FALSE(QFile::exists(path("out/c.png")));
    EXPECT_EQ(QDir(path("out")).entryList(QDir::Hidden | QDir::Files), QStringList({"a.png", "b.png", "d,e.png"}));
    // The project's own settings reach the picture: its background in a corner.
    const QImage a(path("out/a.png"));
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(a.pixel(0, 0), qRgb(255, 255, 0));
    const TRun single = RunTavlo({"render", "--project", path("p.tavlo"), "--size", "200x150", "-o", path("single.png")});
    ASSERT_EQ(single.Exit, 0) << single.Err.toStdString();
    EXPECT_EQ(QImage(path("single.png")), a);

    // Resuming: a row is up to date while its options and input bytes stay; a new time on the
    // same bytes changes nothing.
    run = RunTavlo({"batch", path("jobs.csv")});
    EXPECT_TRUE(run.Out.contains("0 rendered, 3 up to date, 1 failed")) << run.Out.toStdString();
    QFile front(path("front.bmp"));
    ASSERT_TRUE(front.open(QIODevice::ReadWrite));
    ASSERT_TRUE(front.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    front.close();
    run = RunTavlo({"batch", path("jobs.csv")});
    EXPECT_TRUE(run.Out.contains("0 rendered, 3 up to date, 1 failed")) << run.Out.toStdString();
    // New bytes in the front picture: the row naming it and the template holding it render again.
    ASSERT_TRUE(Striped(120, 180, QColor(30, 140, 60), 7).save(path("front.bmp")));
    run = RunTavlo({"batch", path("jobs.csv")});
    EXPECT_TRUE(run.Out.contains("2 rendered, 1 up to date, 1 failed")) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains("line 3: wrote") && run.Out.contains("line 6: wrote")) << run.Out.toStdString();
    // A changed option renders its row again, and only that row.
    const QImage before(path("out/a.png"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write(QByteArray(csvText).replace("out/a.png,p.tavlo,,,,,200x150,", "out/a.png,p.tavlo,,,,,240x150,"));
    csv.close();
    run = RunTavlo({"batch", path("jobs.csv")});
    EXPECT_TRUE(run.Out.contains("1 rendered, 2 up to date, 1 failed")) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains("line 2: wrote")) << run.Out.toStdString();
    EXPECT_EQ(QImage(path("out/a.png")).width(), 240);
    EXPECT_EQ(before.width(), 200);

    // Shard 1 of 2 takes the second and fourth row, every one of them with --force.
    run = RunTavlo({"batch", path("jobs.csv"), "--shard", "1/2", "--force", "-j", "1"});
    EXPECT_EQ(run.Exit, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("line 3: wrote") && run.Out.contains("line 6: wrote") && !run.Out.contains("line 2:"))
        << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains("2 rendered, 0 up to date, 0 failed")) << run.Out.toStdString();

    // On a terminal the progress is one bar redrawn in place.
    QProcess terminal;
    terminal.start("script", {"-qec", QString("'%1' batch '%2' --shard 0/2 --force").arg(TAVLO_CLI, path("jobs.csv")), "/dev/null"});
    ASSERT_TRUE(terminal.waitForFinished(60000)) << "the batch on a terminal did not end within 60 s";
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

TEST(BatchCli, YesNoColumnsTakeEffectABrokenRowFailsAloneAndOutputsAreNotShared)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    QTemporaryDir dir;
    auto path = [&](const QString& name) { return dir.filePath(name); };
    ASSERT_TRUE(Striped(120, 180, QColor(190, 50, 40), 7).save(path("front.bmp")));
    ASSERT_TRUE(Striped(20, 180, QColor(40, 60, 170), 7).save(path("side.bmp")));
    TProject project;
    project.Faces[0].Base.Assign(QImage(path("front.bmp")));
    project.Faces[1].Base.Assign(QImage(path("side.bmp")));
    project.Final.Type = btBookCover;
    SaveProject(project, path("plain.tavlo"));
    project.Final.Smooth = true;
    SaveProject(project, path("smooth.tavlo"));
    project.Final.Smooth = false;
    project.Final.TransparentBackground = true;
    SaveProject(project, path("clear.tavlo"));

    QFile csv(path("jobs.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("output,project,front,side,type,size,shadow,no-shadow,smooth,transparent\n"
              "shadow-yes.png,,front.bmp,side.bmp,Book Cover,200x150,yes,,,\n"
              "shadow-no.png,,front.bmp,side.bmp,Book Cover,200x150,no,,,\n"
              "no-shadow.png,,front.bmp,side.bmp,Book Cover,200x150,,yes,,\n"
              "\"broken.png,,front.bmp,side.bmp,Book Cover,200x150,,,,\n"
              "smooth-project.png,smooth.tavlo,,,,200x150,,,,\n"
              "smooth-no.png,smooth.tavlo,,,,200x150,,,no,\n"
              "plain.png,plain.tavlo,,,,200x150,,,,\n"
              "clear.png,,front.bmp,side.bmp,Book Cover,200x150,,,,yes\n"
              "opaque.png,clear.tavlo,,,,200x150,,,,no\n");
    csv.close();
    TRun run = RunTavlo({"batch", path("jobs.csv"), "-j", "2"});
    EXPECT_EQ(run.Exit, 1) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("tavlo batch: line 5: the quote opened on line 5 is never closed")) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("8 rendered, 0 up to date, 1 failed (line 5)")) << run.Out.toStdString();
    const auto image = [&](const QString& name) {
        const QImage picture(path(name));
        EXPECT_FALSE(picture.isNull()) << name.toStdString();
        return picture;
    };
    EXPECT_EQ(image("shadow-no.png"), image("no-shadow.png"));
    EXPECT_NE(image("shadow-no.png"), image("shadow-yes.png"));
    EXPECT_EQ(image("smooth-no.png"), image("plain.png"));
    EXPECT_NE(image("smooth-project.png"), image("plain.png"));
    EXPECT_EQ(qAlpha(image("clear.png").pixel(0, 0)), 0);
    EXPECT_EQ(image("opaque.png").pixel(0, 0), qRgb(255, 255, 255));
    const TRun both = RunTavlo({"render", "--project", path("smooth.tavlo"), "--smooth", "--no-smooth", "-o", path("x.png")});
    EXPECT_EQ(both.Exit, 2);
    EXPECT_TRUE(both.Err.contains("--smooth and --no-smooth contradict each other.")) << both.Err.toStdString();

    // Two rows with one output: nothing starts.
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("output,front,side\nnew/a.png,front.bmp,side.bmp\nnew/b.png,front.bmp,side.bmp\nnew/./a.png,front.bmp,side.bmp\n");
    csv.close();
    run = RunTavlo({"batch", path("jobs.csv")});
    EXPECT_EQ(run.Exit, 2);
    EXPECT_TRUE(run.Err.contains("lines 2 and 4 both write")) << run.Err.toStdString();
    EXPECT_FALSE(QDir(path("new")).exists());
}

TEST(BatchCli, InterruptStopsTheWorkersLeavesNoStrayFilesAndTheRerunResumes)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    QTemporaryDir dir;
    WriteSlowJobs(dir, 6, "1000x750", 80);
    QProcess batch;
    StartBatch(batch, {dir.filePath("slow.csv"), "-j", "2"});
    // Once a row is written and two workers render the next ones.
    QString out;
    const bool busy = WaitUntil(
        [&] {
            batch.waitForReadyRead(20);
            out += QString::fromUtf8(batch.readAllStandardOutput());
            return out.contains("wrote") && Children(batch.processId()).size() == 2;
        },
        120000);
    ASSERT_TRUE(busy) << "waited for a row written and two workers running; output so far: " << out.toStdString();
    const QList<qint64> workers = Children(batch.processId());
    // Each worker's software renderer and photo tracer have its share of the cores.
    QFile environment(QString("/proc/%1/environ").arg(workers.first()));
    ASSERT_TRUE(environment.open(QIODevice::ReadOnly));
    const QList<QByteArray> variables = environment.readAll().split('\0');
    const QByteArray share = QByteArray::number(std::max(1, QThread::idealThreadCount() / 2));
    for (const QByteArray name : {"LP_NUM_THREADS=", "TAVLO_PHOTO_THREADS="})
        EXPECT_TRUE(variables.contains(name + share)) << (name + share).toStdString();

    ::kill(pid_t(batch.processId()), SIGINT);
    ASSERT_TRUE(batch.waitForFinished(30000)) << "the batch did not end within 30 s of SIGINT";
    out += QString::fromUtf8(batch.readAllStandardOutput());
    EXPECT_EQ(batch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(batch.exitCode(), 130) << batch.readAllStandardError().toStdString();
    const auto summary = QRegularExpression(R"(interrupted: (\d) rendered, 0 up to date, 0 failed, (\d) left)").match(out);
    ASSERT_TRUE(summary.hasMatch()) << out.toStdString();
    const int rendered = summary.captured(1).toInt();
    EXPECT_GE(rendered, 1);
    EXPECT_GE(summary.captured(2).toInt(), 1) << "the rows being rendered are left";
    EXPECT_EQ(rendered + summary.captured(2).toInt(), 6);
    for (qint64 worker : workers)
        EXPECT_TRUE(WaitUntil([&] { return Ended(worker); }, 5000)) << "worker " << worker << " still runs";
    // Only whole pictures, one per row reported written; no temporary file anywhere.
    const QStringList written = QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden | QDir::System);
    EXPECT_EQ(written.size(), rendered) << written.join(' ').toStdString();
    for (const QString& name : written)
        EXPECT_FALSE(QImage(dir.filePath("out/" + name)).isNull()) << name.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({"front.bmp", "side.bmp", "slow.csv", "slow.csv.tavlo-state"}));

    const TRun rerun = RunTavlo({"batch", dir.filePath("slow.csv"), "-j", "2"});
    EXPECT_EQ(rerun.Exit, 0) << rerun.Err.toStdString();
    EXPECT_TRUE(rerun.Out.contains(QString("%1 rendered, %2 up to date, 0 failed").arg(6 - rendered).arg(rendered)))
        << rerun.Out.toStdString();
}

TEST(BatchCli, WorkersDieWithTheBatchEvenWhenItIsKilled)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    QTemporaryDir dir;
    // Renders of many seconds each: a worker that ends within the deadline below was killed.
    WriteSlowJobs(dir, 2, "2000x1500", 255);
    QProcess batch;
    StartBatch(batch, {dir.filePath("slow.csv"), "-j", "2"});
    ASSERT_TRUE(WaitUntil([&] { return Children(batch.processId()).size() == 2; }, 30000))
        << "waited for two workers";
    const QList<qint64> workers = Children(batch.processId());
    batch.kill();
    ASSERT_TRUE(batch.waitForFinished(10000)) << "the killed batch did not end within 10 s";
    for (qint64 worker : workers)
        EXPECT_TRUE(WaitUntil([&] { return Ended(worker); }, 3000)) << "worker " << worker << " outlived the batch";
}
