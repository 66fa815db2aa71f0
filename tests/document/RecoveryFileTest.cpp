// The recovery file: unsaved work reaches the disk within the delay without stalling the UI
// thread, reads back the same, goes away once the work is clean, and is offered to a later program
// only when the program that wrote it is gone.
#include "document/RecoveryFile.h"
#include "project/ProjectFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUndoStack>
#include <gtest/gtest.h>

namespace {

constexpr int Deadline = 20000; // ms: any wait longer than this is a failure, not a hang

TBitmap32 Pattern(int w, int h, int seed)
{
    TBitmap32 b(w, h);
    uint32_t state = uint32_t(seed) * 2654435761u + 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u; // noise keeps PNG from compressing it to nothing
            b.SetPixel(x, y, Color32(x + seed, y * 3, int(state >> 24), 255));
        }
    return b;
}

TProject Sample(int frontWidth = 40, int frontHeight = 60)
{
    TProject p;
    p.Name = QStringLiteral("Spring Catalogue");
    p.Faces[0].Base = Pattern(frontWidth, frontHeight, 1);
    p.Faces[0].FileName = QStringLiteral("/art/front.png");
    p.Faces[1].Base = Pattern(frontWidth / 5, frontHeight, 2);
    TProjectLayer layer{Pattern(frontWidth / 2, frontHeight / 4, 3), {3, 4, 3 + frontWidth / 2.0f, 4 + frontHeight / 4.0f}, true, std::nullopt};
    layer.Bitmap.SetDrawMode(TDrawMode::dmBlend);
    p.Faces[0].Layers = {layer};
    p.Final.Type = btBookCover;
    p.Final.AngleY = 330;
    p.Final.Background = Color32(10, 20, 30);
    p.Final.ExportWidth = 1234;
    return p;
}

void Change(TTavloDocument& doc, int azimuth)
{
    TFinalSettings s = doc.Settings();
    s.LightAzimuth = azimuth;
    doc.ChangeSettings(s, TSettingKey::Light);
}

void ExpectSameProject(const TProject& read, const TProject& written)
{
    EXPECT_EQ(std::tuple(read.Name, read.Step, read.Final), std::tuple(written.Name, written.Step, written.Final));
    for (size_t f = 0; f < 3; ++f) {
        const TProjectFace &a = written.Faces[f], &b = read.Faces[f];
        EXPECT_TRUE(b.Base.SamePixels(a.Base)) << "face " << f;
        EXPECT_EQ(b.FileName, a.FileName);
        ASSERT_EQ(b.Layers.size(), a.Layers.size()) << "face " << f;
        for (size_t i = 0; i < a.Layers.size(); ++i) {
            EXPECT_TRUE(b.Layers[i].Bitmap.SamePixels(a.Layers[i].Bitmap)) << "face " << f << " layer " << i;
            EXPECT_EQ(std::tuple(b.Layers[i].Location, b.Layers[i].Visible, b.Layers[i].Bitmap.DrawMode()),
                      std::tuple(a.Layers[i].Location, a.Layers[i].Visible, a.Layers[i].Bitmap.DrawMode()));
        }
    }
}

// Processes events until done() holds; false when the deadline passed first.
template <class F>
bool WaitUntil(F done, int msecs = Deadline)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > msecs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// A lock file as a program that has ended leaves it: Qt's own contents, naming a finished process.
void LeaveDeadLock(const QString& lockPath)
{
    const QString scratch = lockPath + QStringLiteral(".scratch");
    QByteArray contents;
    {
        QLockFile live(scratch);
        ASSERT_TRUE(live.tryLock(0));
        QFile f(scratch);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        contents = f.readAll();
    }
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
    ASSERT_TRUE(ended.waitForStarted(Deadline));
    const qint64 pid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished(Deadline));
    QList<QByteArray> lines = contents.split('\n');
    ASSERT_EQ(lines.first().toLongLong(), QCoreApplication::applicationPid()) << "the lock file's layout changed";
    lines.first() = QByteArray::number(pid);
    QFile f(lockPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(lines.join('\n'));
}

class RecoveryFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        // The default folder is under the user's data folder: point that at the scratch folder.
        FOldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", FDir.filePath("data").toLocal8Bit());
    }
    void TearDown() override
    {
        if (FOldDataHome.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", FOldDataHome);
    }
    QString Folder() const { return FDir.filePath("recovery"); }
    std::unique_ptr<TTavloDocument> Document(const TProject& project = Sample())
    {
        auto doc = std::make_unique<TTavloDocument>();
        doc->ReplaceWithProject(project, QStringLiteral("/work/shelf.tavlo"));
        return doc;
    }
    // Recovery files of a program that died: the project, its sidecar and (withLock) a dead lock.
    QString LeaveOrphan(const QString& id, const QDateTime& changed, bool withLock, const TProject& project = Sample())
    {
        const QString path = Folder() + "/" + id + ".tavlo";
        QDir().mkpath(Folder());
        SaveProject(project, path);
        WriteRecoveryInfo(path, {changed, {QStringLiteral("Spring"), QString()}});
        if (withLock)
            LeaveDeadLock(Folder() + "/" + id + ".lock");
        return path;
    }
    QTemporaryDir FDir;
    QByteArray FOldDataHome;
};

} // namespace

TEST_F(RecoveryFileTest, ChangeIsWrittenAfterTheDelayAndReadsBackTheSame)
{
    auto doc = Document();
    TRecoveryFile recovery(*doc, [] { return 3; });
    EXPECT_TRUE(recovery.Folder().startsWith(FDir.path())) << recovery.Folder().toStdString();
    EXPECT_EQ(recovery.Folder(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/recovery");
    recovery.SetDelay(60000);
    EXPECT_EQ(recovery.Delay(), TRecoveryFile::MaxDelayMs);
    recovery.SetDelay(300);

    // A freshly opened project is no unsaved work.
    EXPECT_TRUE(recovery.WaitForIdle(Deadline));
    EXPECT_FALSE(QFile::exists(recovery.Path()));

    const QDateTime before = QDateTime::currentDateTimeUtc();
    QElapsedTimer sinceChange;
    sinceChange.start();
    Change(*doc, 77);
    const QDateTime after = QDateTime::currentDateTimeUtc();
    EXPECT_FALSE(QFile::exists(recovery.Path())) << "written at once instead of after the delay";
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(recovery.Path()); })) << "no recovery file within the deadline";
    EXPECT_GE(sinceChange.elapsed(), 300 * 9 / 10);
    ASSERT_TRUE(recovery.WaitForIdle(Deadline));
    EXPECT_TRUE(recovery.LastError().isEmpty()) << recovery.LastError().toStdString();

    const TProject read = LoadProject(recovery.Path());
    ExpectSameProject(read, doc->ToProject(3));
    EXPECT_EQ(read.Final.LightAzimuth, 77);
    EXPECT_TRUE(read.Faces[0].Base.SamePixels(Sample().Faces[0].Base));
    const TRecoveryInfo info = ReadRecoveryInfo(recovery.Path());
    EXPECT_TRUE(info.LastChanged >= before.addMSecs(-1) && info.LastChanged <= after.addMSecs(1))
        << info.LastChanged.toString(Qt::ISODateWithMs).toStdString();
    EXPECT_EQ(info.Origin.ProjectPath, QStringLiteral("/work/shelf.tavlo"));

    // A steady stream of changes does not put the write off.
    Change(*doc, 78);
    ASSERT_TRUE(recovery.WaitForIdle(Deadline));
    for (int azimuth = 0; azimuth < 12; ++azimuth) {
        Change(*doc, azimuth);
        WaitUntil([] { return false; }, 100);
    }
    EXPECT_NE(LoadProject(recovery.Path()).Final.LightAzimuth, 78) << "changes every 100 ms kept the work from the disk";

    // A change while a write is under way is written once that write ends.
    recovery.SetDelay(0);
    doc->ReplaceWithProject(Sample(1200, 1600), QString()); // big enough that the write takes a while
    doc->MarkRecovered();
    ASSERT_TRUE(WaitUntil([&] { return recovery.IsWriting(); })) << "no write started";
    Change(*doc, 12);
    ASSERT_TRUE(recovery.WaitForIdle(Deadline)) << "the change made during a write was never written";
    EXPECT_EQ(LoadProject(recovery.Path()).Final.LightAzimuth, 12);
    EXPECT_TRUE(ReadRecoveryInfo(recovery.Path()).Origin.ProjectPath.isEmpty());
}

TEST_F(RecoveryFileTest, WritingLeavesTheUiThreadFree)
{
    // A cover-sized front face: decoding, encoding and writing it takes many turns of the event
    // loop. Written on the UI thread, the loop would not turn once while the write ran. (How long
    // the UI thread is held for the snapshot is bench/document's measure.)
    auto doc = Document(Sample(1000, 1400));
    TRecoveryFile recovery(*doc, [] { return 1; }, nullptr, Folder());
    recovery.SetDelay(0);
    int turnsWhileWriting = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { turnsWhileWriting += recovery.IsWriting(); });
    tick.start(0);
    Change(*doc, 30);
    ASSERT_TRUE(recovery.WaitForIdle(Deadline)) << "the write did not end within the deadline";
    tick.stop();
    EXPECT_TRUE(QFile::exists(recovery.Path()));
    EXPECT_GT(turnsWhileWriting, 0);
}

TEST_F(RecoveryFileTest, ALiveProgramsFileIsNoOrphan)
{
    auto first = Document(), second = Document();
    auto live = std::make_unique<TRecoveryFile>(*first, [] { return 0; }, nullptr, Folder());
    live->SetDelay(0);
    Change(*first, 5);
    ASSERT_TRUE(live->WaitForIdle(Deadline));
    ASSERT_TRUE(QFile::exists(live->Path()));

    // A program that has run for an hour: its lock is old, yet it is alive.
    const QString lockPath = Folder() + "/" + QFileInfo(live->Path()).completeBaseName() + ".lock";
    QFile lock(lockPath);
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    lock.close();
    TRecoveryFile other(*second, [] { return 0; }, nullptr, Folder());
    EXPECT_NE(other.Path(), live->Path());
    EXPECT_FALSE(other.TakeNewestOrphan().has_value()) << "a running program's work was offered";
    // The live program still keeps its file up to date.
    Change(*first, 6);
    ASSERT_TRUE(live->WaitForIdle(Deadline));
    EXPECT_EQ(LoadProject(live->Path()).Final.LightAzimuth, 6);

    // Its program gone without a clean exit, the file stays and is an orphan with the work in it.
    const QString path = live->Path();
    live.reset();
    ASSERT_TRUE(QFile::exists(path));
    std::optional<TRecoveryOrphan> orphan = other.TakeNewestOrphan();
    ASSERT_TRUE(orphan.has_value());
    EXPECT_EQ(orphan->Path(), path);
    EXPECT_EQ(orphan->Info().Origin.ProjectPath, QStringLiteral("/work/shelf.tavlo"));
    EXPECT_EQ(LoadProject(orphan->Path()).Final.LightAzimuth, 6);
    // While one program offers it, another does not.
    auto thirdDoc = Document();
    TRecoveryFile third(*thirdDoc, [] { return 0; }, nullptr, Folder());
    EXPECT_FALSE(third.TakeNewestOrphan().has_value());
    orphan.reset(); // not answered: neither taken nor discarded
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(third.TakeNewestOrphan().has_value());
}

TEST_F(RecoveryFileTest, DeadProgramsFilesAreOfferedNewestFirst)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString older = LeaveOrphan("older", now.addSecs(-3600), true);
    const QString newest = LeaveOrphan("newest", now.addSecs(-60), true);
    const QString unlocked = LeaveOrphan("unlocked", now.addSecs(-7200), false);
    // A sidecar whose project was already removed when its program died.
    const QString stray = LeaveOrphan("stray", now, true);
    QFile::remove(stray);

    auto doc = Document();
    TRecoveryFile recovery(*doc, [] { return 0; }, nullptr, Folder());
    std::optional<TRecoveryOrphan> orphan = recovery.TakeNewestOrphan();
    ASSERT_TRUE(orphan.has_value());
    EXPECT_EQ(orphan->Path(), newest);
    EXPECT_EQ(orphan->Info().LastChanged, now.addSecs(-60));
    EXPECT_EQ(orphan->Info().Origin.TemplateName, QStringLiteral("Spring"));
    EXPECT_FALSE(QFile::exists(RecoveryInfoPath(stray))) << "a dead program's stray sidecar was kept";

    orphan->Discard();
    EXPECT_FALSE(QFile::exists(newest));
    EXPECT_FALSE(QFile::exists(RecoveryInfoPath(newest)));
    EXPECT_FALSE(QFile::exists(Folder() + "/newest.lock")) << "the lock outlived the discarded file";

    orphan = recovery.TakeNewestOrphan();
    ASSERT_TRUE(orphan.has_value());
    EXPECT_EQ(orphan->Path(), older);
    orphan->Discard();
    // A file left without any lock is an orphan too; without its sidecar its own time stands in.
    QFile::remove(RecoveryInfoPath(unlocked));
    orphan = recovery.TakeNewestOrphan();
    ASSERT_TRUE(orphan.has_value());
    EXPECT_EQ(orphan->Path(), unlocked);
    EXPECT_LE(std::abs(orphan->Info().LastChanged.secsTo(QFileInfo(unlocked).lastModified())), 1);
    orphan->Discard();
    EXPECT_FALSE(recovery.TakeNewestOrphan().has_value());
}

TEST_F(RecoveryFileTest, CleanWorkRemovesTheFile)
{
    auto doc = Document();
    TRecoveryFile recovery(*doc, [] { return 0; }, nullptr, Folder());
    recovery.SetDelay(0);
    Change(*doc, 40);
    ASSERT_TRUE(recovery.WaitForIdle(Deadline));
    ASSERT_TRUE(QFile::exists(recovery.Path()));
    // Undone back to where it was opened: nothing unsaved.
    doc->SettingsStack()->undo();
    ASSERT_TRUE(recovery.WaitForIdle(Deadline));
    EXPECT_FALSE(QFile::exists(recovery.Path()));
    EXPECT_FALSE(QFile::exists(RecoveryInfoPath(recovery.Path())));

    // Saved while the write is under way: the write must not leave the file behind.
    doc->ReplaceWithProject(Sample(1200, 1600), QString());
    Change(*doc, 41);
    ASSERT_TRUE(WaitUntil([&] { return recovery.IsWriting(); })) << "no write started";
    doc->MarkSaved(QStringLiteral("/work/shelf.tavlo"));
    ASSERT_TRUE(recovery.WaitForIdle(Deadline));
    EXPECT_FALSE(QFile::exists(recovery.Path())) << "a saved document's recovery file outlived the save";

    // A clean exit removes it and nothing is written after it.
    Change(*doc, 42);
    ASSERT_TRUE(recovery.WaitForIdle(Deadline));
    ASSERT_TRUE(QFile::exists(recovery.Path()));
    recovery.Shutdown();
    EXPECT_FALSE(QFile::exists(recovery.Path()));
    Change(*doc, 43);
    EXPECT_TRUE(recovery.WaitForIdle(Deadline));
    EXPECT_FALSE(QFile::exists(recovery.Path()));
    EXPECT_TRUE(QDir(Folder()).entryList(QDir::Files).isEmpty()) << QDir(Folder()).entryList(QDir::Files).join(' ').toStdString();
}

TEST_F(RecoveryFileTest, AdoptedWorkIsKeptAsThisProgramsOwn)
{
    const QDateTime changed = QDateTime::currentDateTimeUtc().addSecs(-600);
    TProject left = Sample();
    left.Final.LightAzimuth = 91;
    const QString path = LeaveOrphan("crashed", changed, true, left);

    auto doc = std::make_unique<TTavloDocument>();
    TRecoveryFile recovery(*doc, [] { return 2; }, nullptr, Folder());
    recovery.SetDelay(0);
    std::optional<TRecoveryOrphan> orphan = recovery.TakeNewestOrphan();
    ASSERT_TRUE(orphan.has_value());
    doc->ReplaceWithProject(LoadProject(orphan->Path()), QString());
    doc->MarkRecovered();
    recovery.Adopt(std::move(*orphan));
    EXPECT_EQ(recovery.Path(), path);
    ASSERT_TRUE(recovery.WaitForIdle(Deadline));
    EXPECT_EQ(ReadRecoveryInfo(path).LastChanged, changed) << "adopting is no change of the work";

    // It is ours now: no other program offers it, and it survives a crash of this run too.
    auto otherDoc = Document();
    TRecoveryFile other(*otherDoc, [] { return 0; }, nullptr, Folder());
    EXPECT_FALSE(other.TakeNewestOrphan().has_value());
    Change(*doc, 92);
    ASSERT_TRUE(recovery.WaitForIdle(Deadline));
    EXPECT_EQ(LoadProject(path).Final.LightAzimuth, 92);
    EXPECT_EQ(QDir(Folder()).entryList({"*.tavlo"}).size(), 1) << "this program writes two recovery files";

    // Saving removes it like our own.
    doc->MarkSaved(FDir.filePath("saved.tavlo"));
    ASSERT_TRUE(recovery.WaitForIdle(Deadline));
    EXPECT_FALSE(QFile::exists(path));
}

// Child mode of KilledProgramsFileIsOfferedWithItsWork only: writes its work and waits to be killed.
TEST_F(RecoveryFileTest, ChildWritesAndWaitsToBeKilled)
{
    const QString folder = qEnvironmentVariable("TAVLO_RECOVERY_CHILD_FOLDER");
    if (folder.isEmpty())
        GTEST_SKIP() << "runs only as the child of KilledProgramsFileIsOfferedWithItsWork";
    auto doc = Document();
    TRecoveryFile recovery(*doc, [] { return 2; }, nullptr, folder);
    recovery.SetDelay(0);
    Change(*doc, 55);
    ASSERT_TRUE(recovery.WaitForIdle(Deadline));
    std::printf("written %s\n", qPrintable(recovery.Path()));
    std::fflush(stdout);
    WaitUntil([] { return false; }, 3 * Deadline); // killed long before this
    FAIL() << "the child was not killed";
}

TEST_F(RecoveryFileTest, KilledProgramsFileIsOfferedWithItsWork)
{
    if (qEnvironmentVariableIsSet("TAVLO_RECOVERY_CHILD_FOLDER"))
        GTEST_SKIP();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TAVLO_RECOVERY_CHILD_FOLDER", Folder());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=*ChildWritesAndWaitsToBeKilled"});
    QByteArray out;
    ASSERT_TRUE(WaitUntil([&] {
        out += child.readAllStandardOutput();
        const qsizetype at = out.indexOf("written ");
        return (at >= 0 && out.indexOf('\n', at) > at) || child.state() == QProcess::NotRunning;
    })) << "the child wrote nothing";
    const QByteArray line = out.mid(out.indexOf("written ") + 8);
    const QString path = QString::fromLocal8Bit(line.left(line.indexOf('\n')));
    ASSERT_EQ(child.state(), QProcess::Running) << out.toStdString();

    // While it runs, its file is not offered.
    auto doc = Document();
    TRecoveryFile recovery(*doc, [] { return 0; }, nullptr, Folder());
    EXPECT_FALSE(recovery.TakeNewestOrphan().has_value());
    child.kill();
    ASSERT_TRUE(child.waitForFinished(Deadline));
    std::optional<TRecoveryOrphan> orphan = recovery.TakeNewestOrphan();
    ASSERT_TRUE(orphan.has_value()) << "a killed program's work was not offered";
    EXPECT_EQ(orphan->Path(), path);
    const TProject read = LoadProject(orphan->Path());
    EXPECT_EQ(read.Final.LightAzimuth, 55);
    EXPECT_EQ(read.Step, 2);
    EXPECT_TRUE(read.Faces[0].Base.SamePixels(Sample().Faces[0].Base));
}
