// A project file costs what its data is worth: pictures go through the decode budget of a file of
// their own, each entry inflates once and all of them within a bound; a newer format is refused;
// what this version does not know comes back on the next save.
#include "common/CraftedPng.h"
#include "common/PeakMemory.h"
#include "project/ProjectFile.h"
#include "project/ZipArchive.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ProjectBudget : public testing::Test {
protected:
    // A project of the given manifest and pictures (stored, or deflated when deflate is set).
    QString Write(const QString& name, const QJsonObject& manifest, const std::vector<std::pair<QString, QByteArray>>& pictures,
                  bool deflate = false) const
    {
        TZipWriter zip;
        zip.Add("mimetype", ProjectMimeType, false);
        zip.Add("manifest.json", QJsonDocument(manifest).toJson(), true);
        for (const auto& [entry, bytes] : pictures)
            zip.Add(entry, bytes, deflate);
        QFile f(FDir.filePath(name));
        const QByteArray archive = zip.Finish();
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(archive) == archive.size());
        return f.fileName();
    }
    // The manifest of a Book Cover whose front has base and the given layers' pictures.
    static QJsonObject Manifest(const QString& base, const QStringList& layers = {})
    {
        QJsonArray list;
        for (const QString& picture : layers)
            list.append(QJsonObject{{"picture", picture}, {"right", 10}, {"bottom", 10}});
        return {{"format", ProjectMimeType},
                {"version", ProjectFormatVersion},
                {"name", "Budget"},
                {"final", QJsonObject{{"type", 2}}},
                {"faces", QJsonArray{QJsonObject{{"base", base}, {"layers", list}}}}};
    }
    // The message of the refusal, or "(opened)".
    static std::string Refusal(const QString& path)
    {
        try {
            LoadProject(path);
        } catch (const TProjectError& e) {
            return e.what();
        }
        return "(opened)";
    }
    QTemporaryDir FDir;
};

// A 1 x 1 picture with a text chunk of the given size: tiny as pixels, large as bytes.
QByteArray PaddedDot(qsizetype padding)
{
    return CraftedPng(1, 1, 8, 0, Deflated(QByteArray(2, '\0'), 9), PngChunk("tEXt", "Comment" + QByteArray(1, '\0') + QByteArray(padding, 'p')));
}

} // namespace

// The crafted projects of the hostile files, each refused in well under a second and 300 MiB.
TEST_F(ProjectBudget, HostileProjectsAreRefusedCheaply)
{
    const struct {
        const char* File;
        const char* Says;
    } cases[] = {
        {"huge-picture.tavlo", "\"faces/front/base.png\" declares 16000 x 16000 pixels, more than its data can paint"},
        {"short-data.tavlo", "\"faces/front/base.png\" is a damaged picture"},
        {"newer.tavlo", "it was saved in project format 99 by a newer Tavlo Generator, and this one reads format 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        const QString path = QStringLiteral(TAVLO_HOSTILE_DIR "/") + c.File;
        ASSERT_LT(QFileInfo(path).size(), 64 * 1024);
        const TPeakMemory cost;
        const std::string message = Refusal(path);
        cost.Report(c.File);
        EXPECT_NE(message.find(c.Says), std::string::npos) << message;
        EXPECT_TRUE(cost.Reset());
        EXPECT_LT(cost.RiseMiB(), 300);
    }
}

// A picture beyond the free budget pays with its own data, once; the free pixels are the
// project's, not each picture's.
TEST_F(ProjectBudget, DeclaredSizesArePaidForOnceByPictureData)
{
    // 4096 x 4200 at one bit a pixel, deflated tightly: its data pays for its 17.2 megapixels.
    const QByteArray paid = TightOneBitPng(4096, 4200);
    const TProject one = LoadProject(Write("one.tavlo", Manifest("faces/front/base.png"), {{"faces/front/base.png", paid}}));
    ASSERT_EQ(one.Faces[0].Base.Size(), QSize(4096, 4200));
    EXPECT_EQ(one.Faces[0].Base.Pixel(4095, 4199), Color32(0, 0, 0));
    // The same entry again as a layer has no data of its own to pay with.
    EXPECT_NE(Refusal(Write("twice.tavlo", Manifest("faces/front/base.png", {"faces/front/base.png"}), {{"faces/front/base.png", paid}}))
                  .find("\"faces/front/base.png\" declares 4096 x 4200 pixels, more than its data can paint"),
              std::string::npos);
    // Two pictures of 9 megapixels with one row of data each: either alone would decode (a file
    // of its own may have 16 megapixels for nothing), together they exceed the free pixels.
    const QByteArray thin = CraftedPng(3000, 3000, 8, 0, Deflated(QByteArray(3001, '\0'), 9));
    const QString both = Write("both.tavlo", Manifest("faces/front/a.png", {"faces/front/b.png"}),
                               {{"faces/front/a.png", thin}, {"faces/front/b.png", thin}});
    EXPECT_NE(Refusal(both).find("\"faces/front/b.png\" declares 3000 x 3000 pixels"), std::string::npos) << Refusal(both);

    // 16000 x 16000 at one bit a pixel from 31 KB: its data paints it, but a gibibyte of pixels
    // is too much for a file of that size. Refused before anything is decoded.
    const QString huge = Write("huge.tavlo", Manifest("faces/front/base.png"), {{"faces/front/base.png", TightOneBitPng(16000, 16000)}});
    ASSERT_LT(QFileInfo(huge).size(), 64 * 1024);
    const TPeakMemory cost;
    const std::string message = Refusal(huge);
    cost.Report("16000 x 16000 paid for by 31 KB");
    EXPECT_NE(message.find("its pictures together would take more than 257 MiB, too much for a file of 31 KiB"), std::string::npos) << message;
    EXPECT_LT(cost.RiseMiB(), 300);
}

// An entry is inflated once however often the manifest names it, and all entries together
// inflate to at most 64 MiB plus four times the file.
TEST_F(ProjectBudget, EntriesInflateOnceAndWithinABound)
{
    // 2000 layers of one entry that inflates to a mebibyte: 2 GiB if inflated per reference.
    const QStringList layers(2000, QStringLiteral("faces/front/dot.png"));
    const QString many = Write("many.tavlo", Manifest("faces/front/dot.png", layers), {{"faces/front/dot.png", PaddedDot(1 << 20)}}, true);
    ASSERT_LT(QFileInfo(many).size(), 64 * 1024);
    const TPeakMemory manyCost;
    const TProject project = LoadProject(many);
    manyCost.Report("2000 references to one entry");
    ASSERT_EQ(project.Faces[0].Layers.size(), 2000u);
    EXPECT_EQ(project.Faces[0].Layers[1999].Bitmap.Size(), QSize(1, 1));
    EXPECT_LT(manyCost.RiseMiB(), 64);

    // Three entries inflating to 24 MiB each from a few kilobytes: the third is refused unread.
    const QByteArray bomb = PaddedDot(24 << 20);
    const QString bombs = Write("bombs.tavlo", Manifest("faces/front/a.png", {"faces/front/b.png", "faces/front/c.png"}),
                                {{"faces/front/a.png", bomb}, {"faces/front/b.png", bomb}, {"faces/front/c.png", bomb}}, true);
    ASSERT_LT(QFileInfo(bombs).size(), 1 << 20);
    const TPeakMemory bombCost;
    const std::string message = Refusal(bombs);
    bombCost.Report("three entries of 24 MiB each");
    EXPECT_NE(message.find("\"faces/front/c.png\" declares " + std::to_string(bomb.size()) + " bytes, more than a project holds"),
              std::string::npos)
        << message;
    EXPECT_LT(bombCost.RiseMiB(), 120);
}

// Keys this version does not know, in the manifest, its final settings and its faces, are
// written back by the next save; what it knows is written as it is now.
TEST_F(ProjectBudget, UnknownKeysOfThisVersionSurviveASave)
{
    QJsonObject manifest = Manifest("faces/front/base.png");
    manifest["futureList"] = QJsonArray{1, "two", QJsonObject{{"three", 3}}};
    manifest["generator"] = "Tavlo Generator v9";
    QJsonObject final = manifest["final"].toObject();
    final["futureLight"] = 0.25;
    manifest["final"] = final;
    QJsonArray faces = manifest["faces"].toArray();
    QJsonObject front = faces[0].toObject();
    front["futureFrame"] = QJsonObject{{"width", 3}};
    faces[0] = front;
    faces.append(QJsonObject{{"layers", QJsonArray()}, {"futureSpine", true}});
    manifest["faces"] = faces;
    TProject project = LoadProject(Write("future.tavlo", manifest, {{"faces/front/base.png", TightOneBitPng(8, 8)}}));
    project.Name = QStringLiteral("Renamed");
    project.Final.Zoom = 2;
    const QString saved = FDir.filePath("saved.tavlo");
    SaveProject(project, saved);

    const QJsonObject back = QJsonDocument::fromJson(TZipReader(saved).Read("manifest.json", 1 << 20)).object();
    EXPECT_EQ(back["futureList"], manifest["futureList"]);
    EXPECT_EQ(back["final"]["futureLight"], QJsonValue(0.25));
    EXPECT_EQ(back["faces"][0]["futureFrame"], front["futureFrame"]);
    EXPECT_EQ(back["faces"][1]["futureSpine"], QJsonValue(true));
    EXPECT_FALSE(back["faces"][2].toObject().contains("futureSpine"));
    // What this version knows is its own: the new name and zoom, its own generator.
    EXPECT_EQ(std::tuple(back["name"].toString(), back["final"]["zoom"].toDouble(), back["version"].toInt()),
              std::tuple(QStringLiteral("Renamed"), 2.0, ProjectFormatWithoutBack));
    EXPECT_NE(back["generator"], manifest["generator"]);
    EXPECT_TRUE(back["faces"][0].toObject().contains("base"));
    // And they survive a second round as well.
    SaveProject(LoadProject(saved), FDir.filePath("again.tavlo"));
    EXPECT_EQ(QJsonDocument::fromJson(TZipReader(FDir.filePath("again.tavlo")).Read("manifest.json", 1 << 20)).object()["futureList"],
              manifest["futureList"]);
}
