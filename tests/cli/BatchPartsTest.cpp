// The parts of `tavlo batch` without a process: strict CSV, rows turned into render options,
// the digest of what a row asks and the journal that remembers what was made.
#include "BatchDigest.h"
#include "BatchJobs.h"
#include "BatchState.h"
#include "CsvReader.h"
#include "RenderOptions.h"
#include "templates/TemplateStore.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QString Dump(const std::vector<TCsvRecord>& records)
{
    QStringList lines;
    for (const TCsvRecord& r : records)
        lines << QString("%1: %2%3").arg(r.Line).arg(r.Fields.join('|'), r.Problem);
    return lines.join('\n');
}

} // namespace

TEST(BatchCsv, KeepsQuotedFieldsExactlyAndCountsLines)
{
    const auto records = ReadCsvRecords("\xEF\xBB\xBF" "a , b,c\r\n"
                                        "\r\n"
                                        "\"  x, \"\"y\"\"  \", \"two\nlines\" ,plain text \n"
                                        "\"\",,\"\xC3\xA9\"\n"
                                        "   \n"
                                        "last,\"\",");
    EXPECT_EQ(Dump(records), "1: a|b|c\n"
                             "3:   x, \"y\"  |two\nlines|plain text\n"
                             "5: ||\u00e9\n"
                             "7: last||")
        << Dump(records).toStdString();
}

TEST(BatchCsv, ABrokenRecordFailsWithItsLineAndTheNextLinesAreStillRead)
{
    const auto records = ReadCsvRecords("h1,h2\n"
                                        "\"open,x\n"
                                        "a,b\n"
                                        "\"q\"x,c\n"
                                        "in\"side,d\n"
                                        "bad\xFF,e\n"
                                        "\"multi\nline\" tail,f\n"
                                        "z,\"never closed\n");
    ASSERT_EQ(records.size(), 9u) << Dump(records).toStdString();
    EXPECT_EQ(records[1].Line, 2);
    EXPECT_EQ(records[1].Problem, "the quote opened on line 2 is never closed (the next quote, on line 4, does not end a field)");
    EXPECT_TRUE(records[1].Fields.isEmpty());
    EXPECT_EQ(records[2].Line, 3);
    EXPECT_EQ(records[2].Fields, QStringList({"a", "b"}));
    EXPECT_EQ(records[3].Line, 4);
    EXPECT_EQ(records[3].Problem, "text after the closing quote of field 1");
    EXPECT_EQ(records[4].Line, 5);
    EXPECT_TRUE(records[4].Problem.startsWith("a quote inside the unquoted field 1")) << records[4].Problem.toStdString();
    EXPECT_EQ(records[5].Line, 6);
    EXPECT_EQ(records[5].Problem, "field 1 is no valid UTF-8");
    // The broken multi-line record is reported once at its start; its second line is read anew
    // and fails as a record of its own.
    EXPECT_EQ(records[6].Line, 7);
    EXPECT_EQ(records[6].Problem, "the quote opened on line 7 is never closed (the next quote, on line 8, does not end a field)");
    EXPECT_EQ(records[7].Line, 8);
    EXPECT_FALSE(records[7].Problem.isEmpty());
    EXPECT_EQ(records[8].Line, 9);
    EXPECT_EQ(records[8].Problem, "the quote opened on line 9 is never closed");
}

TEST(BatchJobs, EveryRenderOptionIsAColumnAndYesNoTakesEffect)
{
    QTemporaryDir dir;
    QStringList header{"output"};
    for (const TRenderOption& option : RenderOptions())
        header << option.Name;
    EXPECT_TRUE(header.contains("no-smooth") && header.contains("transparent") && header.contains("turntable"));
    // Every column is accepted; a file column is taken from the CSV file's folder.
    QStringList row{"out/a.png"};
    for (const TRenderOption& option : RenderOptions())
        row << (option.Kind == TRenderOptionKind::Flag ? "" : option.Name == "front" ? "art/f.bmp" : "");
    Write(dir.filePath("all.csv"), (header.join(',') + '\n' + row.join(',') + '\n').toUtf8());
    const auto all = ReadBatchJobs(dir.filePath("all.csv"));
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].Output, dir.filePath("out/a.png"));
    EXPECT_EQ(all[0].RenderArgs, QStringList({"--front", dir.filePath("art/f.bmp")}));

    Write(dir.filePath("flags.csv"), "-o,--shadow,smooth,no-shadow,no-crop,transparent,template\n"
                                     "1.png,yes,no,,yes,off,Spring\n"
                                     "2.png,0,TRUE,,no,On,\n"
                                     "3.png, off ,1,false,,,\n"
                                     "4.png,y,,,,,\n"
                                     "5.png,,,,maybe,,\n");
    const auto jobs = ReadBatchJobs(dir.filePath("flags.csv"));
    ASSERT_EQ(jobs.size(), 5u);
    EXPECT_EQ(jobs[0].RenderArgs, QStringList({"--shadow", "--no-smooth", "--no-crop", "--no-transparent", "--template", "Spring"}));
    EXPECT_EQ(jobs[1].RenderArgs, QStringList({"--no-shadow", "--smooth", "--transparent"}));
    EXPECT_EQ(jobs[2].RenderArgs, QStringList({"--no-shadow", "--smooth", "--shadow"}));
    EXPECT_EQ(jobs[3].Line, 5);
    EXPECT_EQ(jobs[3].Problem, "\"y\" in the column \"shadow\" is none of yes/no, true/false, 1/0, on/off");
    EXPECT_EQ(jobs[4].Problem, "\"maybe\" in the column \"no-crop\" is none of yes/no, true/false, 1/0, on/off");
}

TEST(BatchJobs, TwoRowsWritingOneOutputStopTheBatchAndBrokenFilesAreRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("out"));
    const auto refusal = [&](const QByteArray& csv) {
        Write(dir.filePath("jobs.csv"), csv);
        try {
            ReadBatchJobs(dir.filePath("jobs.csv"));
        } catch (const std::runtime_error& e) {
            return QString::fromUtf8(e.what());
        }
        return QString("accepted");
    };
    EXPECT_EQ(refusal("output,size\nout/a.png,1x1\nout/b.png,\n./out/../out/a.png,\n"),
              dir.filePath("jobs.csv") + ": lines 2 and 4 both write " + dir.filePath("out/a.png") + "; nothing was rendered.");
    // A row that fails anyway takes part in nothing.
    EXPECT_EQ(refusal("output,shadow\nout/a.png,\nout/a.png,perhaps\n"), "accepted");
    EXPECT_TRUE(refusal("output,colour\nx.png,red\n").contains("line 1: \"colour\" is no column"));
    EXPECT_TRUE(refusal("output,size,Size\n").contains("the column \"size\" is there twice"));
    EXPECT_TRUE(refusal("front,side\n").contains("there is no \"output\" column"));
    EXPECT_TRUE(refusal("\"output,size\n").contains("line 1: the quote opened on line 1 is never closed"));
    EXPECT_TRUE(refusal("").contains("has no header line"));
}

TEST(BatchDigest, ChangesWithTheOptionsAndTheBytesOfEveryInput)
{
    QTemporaryDir dir;
    const QString front = dir.filePath("front.bmp"), side = dir.filePath("side.bmp");
    Write(front, "front v1");
    Write(side, "side");
    const QStringList args{"--front", front, "--side", side, "--size", "200x150"};
    const QByteArray base = TBatchDigest().Of(args);
    EXPECT_EQ(base.size(), 64);
    EXPECT_EQ(TBatchDigest().Of(args), base);
    EXPECT_NE(TBatchDigest().Of(QStringList(args) << "--no-shadow"), base);
    EXPECT_NE(TBatchDigest().Of({"--front", front, "--side", side, "--size", "200x151"}), base);
    // The same bytes under another time give the same digest; other bytes of the same size do not.
    QFile file(front);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(TBatchDigest().Of(args), base);
    Write(front, "front v2");
    const QByteArray changed = TBatchDigest().Of(args);
    EXPECT_NE(changed, base);
    QFile::remove(side);
    EXPECT_NE(TBatchDigest().Of(args), changed) << "a missing input counts";

    // A stored template counts with its values and the bytes of its face files.
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    const auto store = [&](const QString& value, const QString& data) {
        TTemplateStore templates;
        templates.Open(QString());
        templates.WriteValue("Shelf", value, data);
        templates.Close();
    };
    const QStringList shelf{"--template", "shelf"};
    const QByteArray none = TBatchDigest().Of(shelf);
    store("FrontImage", front);
    const QByteArray stored = TBatchDigest().Of(shelf);
    EXPECT_NE(stored, none);
    Write(front, "front v3");
    const QByteArray newFace = TBatchDigest().Of(shelf);
    EXPECT_NE(newFace, stored);
    store("BookType", "CD Cover");
    EXPECT_NE(TBatchDigest().Of(shelf), newFace);
}

TEST(BatchState, RemembersWhatWasMadeAcrossRunsAndShards)
{
    QTemporaryDir dir;
    const QString csv = dir.filePath("jobs.csv"), a = dir.filePath("a.png"), b = dir.filePath("b.png");
    const QByteArray one(64, '1'), two(64, '2');
    Write(csv, "output\n");
    Write(a, "picture a");
    Write(b, "picture b");
    {
        TBatchState state(csv, 0, 1);
        EXPECT_TRUE(state.Problem().isEmpty()) << state.Problem().toStdString();
        EXPECT_FALSE(state.IsUpToDate(a, one));
        state.Record(a, two);
        state.Record(a, one);
        EXPECT_TRUE(state.IsUpToDate(a, one));
    }
    EXPECT_TRUE(QFile::exists(TBatchState::FileName(csv, 0, 1)));
    {
        // A shard writes its own journal and reads the others.
        TBatchState shard(csv, 1, 2);
        EXPECT_EQ(TBatchState::FileName(csv, 1, 2), csv + ".shard-1-of-2.tavlo-state");
        EXPECT_TRUE(shard.IsUpToDate(a, one));
        EXPECT_FALSE(shard.IsUpToDate(a, two));
        shard.Record(b, two);
    }
    TBatchState again(csv, 0, 1);
    EXPECT_TRUE(again.IsUpToDate(a, one));
    EXPECT_TRUE(again.IsUpToDate(b, two));
    // Reopened, the journal keeps one line per output.
    QFile own(TBatchState::FileName(csv, 0, 1));
    ASSERT_TRUE(own.open(QIODevice::ReadOnly));
    EXPECT_EQ(own.readAll().count('\n'), 2) << "header and the latest line of a.png";
    own.close();
    // An output changed or gone since it was written is no longer up to date: another size, or
    // the same size at another time.
    QFile touched(a);
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    ASSERT_TRUE(touched.setFileTime(QDateTime::currentDateTime().addSecs(10), QFileDevice::FileModificationTime));
    touched.close();
    EXPECT_FALSE(TBatchState(csv, 0, 1).IsUpToDate(a, one));
    TBatchState(csv, 0, 1).Record(a, one);
    EXPECT_TRUE(TBatchState(csv, 0, 1).IsUpToDate(a, one));
    Write(a, "picture a, another one");
    EXPECT_FALSE(TBatchState(csv, 0, 1).IsUpToDate(a, one));
    QFile::remove(b);
    EXPECT_FALSE(TBatchState(csv, 0, 1).IsUpToDate(b, two));

    // A line cut short by a crash is left out; the lines before it count.
    Write(b, "picture b");
    {
        TBatchState state(csv, 0, 1);
        state.Record(b, one);
    }
    ASSERT_TRUE(own.open(QIODevice::Append));
    own.write(two + "\t9\t");
    own.close();
    EXPECT_TRUE(TBatchState(csv, 0, 1).IsUpToDate(b, one));
}
