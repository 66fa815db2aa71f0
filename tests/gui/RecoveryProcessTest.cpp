// Work survives a kill: the program is killed 40 seconds after a change, and the next start
// offers the work back with the same pixels and settings, marked modified.
//
// The killed program is this test binary run again in child mode (TAVLO_RECOVERY_CHILD set): it
// makes the change in a real window, writes what the work was as a reference project, says so on
// stdout and waits to be killed.
#include "app/FrameFrm.h"
#include "document/TavloDocument.h"
#include "editor/LayerCommands.h"
#include "project/ProjectFile.h"
#include "ui/MsgBox.h"
#include "common/ChosenSettings.h"
#include "common/MessageLog.h"
#include "common/TestBitmaps.h"

#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr char ChildVariable[] = "TAVLO_RECOVERY_CHILD"; // the reference project's path
constexpr int KillAfterMs = 40000;

void ExpectSameWork(const TProject& got, const TProject& expected)
{
    EXPECT_EQ(ChosenSettings(got.Final), ChosenSettings(expected.Final));
    EXPECT_EQ(std::tuple(got.Final.Type, got.Final.LightAzimuth, got.Final.ShadowStrength),
              std::tuple(btBookCover, 63, 17));
    for (size_t f = 0; f < 3; ++f) {
        EXPECT_TRUE(got.Faces[f].Base.SamePixels(expected.Faces[f].Base)) << "face " << f;
        ASSERT_EQ(got.Faces[f].Layers.size(), expected.Faces[f].Layers.size()) << "face " << f;
        for (size_t i = 0; i < expected.Faces[f].Layers.size(); ++i) {
            EXPECT_TRUE(got.Faces[f].Layers[i].Bitmap.SamePixels(expected.Faces[f].Layers[i].Bitmap));
            EXPECT_EQ(got.Faces[f].Layers[i].Location, expected.Faces[f].Layers[i].Location);
        }
    }
}

} // namespace

// Child mode only: skipped in a normal run.
TEST(RecoveryProcess, ChildChangesTheWorkAndWaitsToBeKilled)
{
    const QString reference = qEnvironmentVariable(ChildVariable);
    if (reference.isEmpty())
        GTEST_SKIP() << "runs only as the child of KilledProgramsWorkIsOfferedBack";
    TMessageLog boxes; // a question here would block the child: it answers No and is recorded
    boxes.Answer = mrNo;
    TExperChild w;
    // Laid out first: the final view's measured size is part of what a project keeps.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(200);
    w.cmbStartType->setCurrentIndex(int(btBookCover));
    w.Cover()->Faces[0].StoreBitmap(Filled(240, 360, Color32(190, 50, 40)));
    w.Cover()->Faces[1].StoreBitmap(Filled(40, 360, Color32(40, 60, 170)));
    w.GoToStep(1);
    const TBitmap32 sticker = Filled(50, 30, Color32(20, 160, 60, 200));
    w.LayerCommands()->AddImageLayer(&sticker);
    TFinalSettings settings = w.Document()->Settings();
    settings.LightAzimuth = 63;
    settings.ShadowStrength = 17;
    w.Document()->ChangeSettings(settings, TSettingKey::Light);
    ASSERT_TRUE(w.Modified());
    SaveProject(w.Document()->ToProject(w.Step()), reference);
    std::printf("changed\n");
    std::fflush(stdout);
    // Killed long before this; the deadline only keeps a lost child from living on.
    QTest::qWait(KillAfterMs * 3);
    FAIL() << "the child was not killed";
}

TEST(RecoveryProcess, KilledProgramsWorkIsOfferedBack)
{
    if (qEnvironmentVariableIsSet(ChildVariable))
        GTEST_SKIP();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString reference = dir.filePath("reference.tavlo");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath("data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath("config"));
    env.insert(QString::fromLatin1(ChildVariable), reference);

    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=RecoveryProcess.ChildChangesTheWorkAndWaitsToBeKilled")});
    ASSERT_TRUE(child.waitForStarted(10000)) << "the child did not start";
    QByteArray out;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        out += child.readAllStandardOutput();
        return out.contains("changed\n") || child.state() == QProcess::NotRunning;
    }, 60000)) << "the child made no change within a minute";
    ASSERT_EQ(child.state(), QProcess::Running) << "the child ended before it was killed";
    QTest::qWait(KillAfterMs);
    child.kill(); // SIGKILL: nothing of the program runs after it
    ASSERT_TRUE(child.waitForFinished(10000));
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit);
    const TProject expected = LoadProject(reference);

    // The next start, with the same user folders.
    const QByteArray oldData = qgetenv("XDG_DATA_HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
    {
        TMessageLog boxes;
        boxes.Answer = mrYes;
        TExperChild w;
        w.StartUp({}); // as the program's start does
        ASSERT_FALSE(boxes.Asked.empty()) << "no question at start";
        EXPECT_EQ(boxes.Asked[0].Caption, QStringLiteral("Tavlo Generator:  Recover Unsaved Work"));
        EXPECT_TRUE(boxes.Asked[0].Text.startsWith(QStringLiteral("Tavlo Generator closed without saving your work.")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.Modified(); }, 10000)) << "the recovered work is not marked modified";
        ExpectSameWork(w.Document()->ToProject(w.Step()), expected);
        EXPECT_EQ(w.Step(), expected.Step);
        w.Document()->MarkSaved(); // stands for a save: no question when the window goes
    }
    // The recovered work's file went with the save; nothing else is offered.
    EXPECT_TRUE(QDir(dir.filePath("data/Velsor/Tavlo Generator/recovery")).entryList({"*.tavlo"}).isEmpty());
    for (auto [name, old] : {std::pair{"XDG_DATA_HOME", oldData}, {"XDG_CONFIG_HOME", oldConfig}})
        if (old.isNull())
            qunsetenv(name);
        else
            qputenv(name, old);
}
