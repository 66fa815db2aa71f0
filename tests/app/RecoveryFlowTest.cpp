// The start-up question about work a crashed program left: Yes brings it back marked modified and
// keeps its file as this program's own, No removes it, a closed box leaves it for the next start.
#include "app/RecoveryFlow.h"
#include "common/MessageLog.h"
#include "project/ProjectFile.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class RecoveryFlowTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    QString Folder() const { return FDir.filePath("recovery"); }
    // What a program killed after a change leaves: the work and its sidecar, and no live lock.
    QString LeaveOrphan(const TProject& project, const QDateTime& changed)
    {
        QDir().mkpath(Folder());
        const QString path = Folder() + "/killed.tavlo";
        SaveProject(project, path);
        WriteRecoveryInfo(path, {changed, {QString(), QStringLiteral("/work/shelf.tavlo")}});
        return path;
    }
    std::unique_ptr<TRecoveryFlow> Flow()
    {
        return std::make_unique<TRecoveryFlow>(
            FDocument, [] { return 4; },
            [this](const TProject& project, const TDocumentOrigin& origin) {
                ++FOpened;
                FOrigin = origin;
                FDocument.ReplaceWithProject(project, QString());
            },
            nullptr, Folder());
    }
    static TProject Work()
    {
        TProject p;
        p.Name = QStringLiteral("Shelf");
        p.Step = 4;
        p.Faces[0].Base = TBitmap32(30, 40);
        p.Faces[0].Base.Clear(Color32(200, 10, 30));
        p.Faces[0].Base.SetPixel(3, 4, Color32(1, 2, 3));
        p.Final.Type = btElectronicMagazine;
        p.Final.AngleX = 20;
        p.Final.ShadowStrength = 81;
        return p;
    }

    QTemporaryDir FDir;
    TTavloDocument FDocument;
    int FOpened = 0;
    TDocumentOrigin FOrigin;
};

} // namespace

TEST_F(RecoveryFlowTest, YesBringsTheWorkBackModified)
{
    const QDateTime changed = QDateTime::currentDateTimeUtc().addSecs(-90);
    const QString path = LeaveOrphan(Work(), changed);
    TMessageLog log;
    log.Answer = mrYes;
    auto flow = Flow();
    EXPECT_TRUE(flow->OfferRecovery());

    ASSERT_EQ(log.Asked.size(), 1u);
    EXPECT_EQ(log.Asked[0].Caption, QStringLiteral("Tavlo Generator:  Recover Unsaved Work"));
    EXPECT_EQ(log.Asked[0].Buttons, mbYes | mbNo);
    EXPECT_EQ(log.Asked[0].Text, QStringLiteral("Tavlo Generator closed without saving your work.\r\n"
                                                "The work last changed on %1 can be recovered.\r\n\r\nRecover it?")
                                     .arg(QLocale().toString(changed.toLocalTime(), QLocale::ShortFormat)));

    ASSERT_EQ(FOpened, 1);
    EXPECT_EQ(FOrigin.ProjectPath, QStringLiteral("/work/shelf.tavlo"));
    const TProject now = FDocument.ToProject(4);
    EXPECT_TRUE(now.Faces[0].Base.SamePixels(Work().Faces[0].Base));
    EXPECT_EQ(now.Final, Work().Final);
    EXPECT_TRUE(FDocument.Modified()) << "recovered work must count as unsaved";
    // The file is this program's own now: kept while the work is unsaved, gone once it is saved.
    EXPECT_EQ(flow->File().Path(), path);
    EXPECT_TRUE(flow->File().WaitForIdle(10000));
    EXPECT_TRUE(QFile::exists(path));
    FDocument.MarkSaved(FDir.filePath("saved.tavlo"));
    EXPECT_TRUE(flow->File().WaitForIdle(10000));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(RecoveryFlowTest, NoRemovesTheWorkAndAClosedBoxKeepsIt)
{
    const QString path = LeaveOrphan(Work(), QDateTime::currentDateTimeUtc());
    TMessageLog log;
    log.Answer = mrCancel; // Escape or the close button
    EXPECT_FALSE(Flow()->OfferRecovery());
    EXPECT_EQ(log.Asked.size(), 1u);
    EXPECT_TRUE(QFile::exists(path)) << "work was dropped without a No";
    EXPECT_EQ(FOpened, 0);

    log.Answer = mrNo;
    EXPECT_FALSE(Flow()->OfferRecovery());
    EXPECT_EQ(log.Asked.size(), 2u);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(RecoveryInfoPath(path)));
    EXPECT_EQ(FOpened, 0);
    EXPECT_FALSE(FDocument.Modified());

    // Nothing left: no question.
    EXPECT_FALSE(Flow()->OfferRecovery());
    EXPECT_EQ(log.Asked.size(), 2u);
}

TEST_F(RecoveryFlowTest, UnsavedWorkOfThisRunIsNeverReplacedAndUnreadableWorkIsKept)
{
    const QString path = LeaveOrphan(Work(), QDateTime::currentDateTimeUtc());
    TMessageLog log;
    log.Answer = mrYes;
    auto flow = Flow();
    FDocument.SetType(btBookCover); // a change of this run
    EXPECT_FALSE(flow->OfferRecovery());
    EXPECT_TRUE(log.Asked.empty());
    EXPECT_EQ(FOpened, 0);
    flow->Shutdown();
    flow.reset();
    FDocument.MarkSaved();

    // A file that cannot be read is told about and left alone.
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("no zip archive");
    damaged.close();
    EXPECT_FALSE(Flow()->OfferRecovery());
    ASSERT_EQ(log.Asked.size(), 1u);
    EXPECT_EQ(log.Asked[0].Type, mtInformation);
    EXPECT_TRUE(log.Asked[0].Text.contains(QStringLiteral("killed.tavlo"))) << log.Asked[0].Text.toStdString();
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(FOpened, 0);
}
