// The project file: what is saved comes back the same, and damaged files are refused with a
// message instead of being half read.
#include "project/ProjectFile.h"
#include "project/ZipArchive.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

TBitmap32 Pattern(int w, int h, int seed, int alpha = -1)
{
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32(x * 7 + seed, y * 5, (x ^ y) + seed, alpha < 0 ? (x + y + seed) % 256 : alpha));
    return b;
}

TProject Sample()
{
    TProject p;
    p.Name = QStringLiteral("Spring Catalogue");
    p.Step = 4;
    p.Faces[0].Base = Pattern(40, 60, 1);
    p.Faces[0].FileName = QStringLiteral("/art/front.jpg");
    p.Faces[1].Base = Pattern(8, 60, 2, 255); // opaque: stored without alpha
    TProjectLayer image{Pattern(10, 12, 3), {3, 4, 13, 16}, true, std::nullopt};
    image.Bitmap.SetDrawMode(TDrawMode::dmOpaque);
    TTextParams text;
    text.Lines = {QStringLiteral("Hello"), QStringLiteral("Wörld")};
    text.Shadow = true;
    text.Rotation = -3;
    p.Faces[0].Layers = {image, {Pattern(6, 6, 4), {-2.5f, -2, 3.5f, 4}, false, text}};
    p.Final.Type = btBookCover;
    p.Final.AngleY = 330;
    p.Final.Zoom = 1.05;
    p.Final.Background = Color32(10, 20, 30);
    p.Final.ExportWidth = 1234;
    p.Final.ExportWidthChosen = true;
    p.Final.ViewWidth = 812;
    p.Final.ViewHeight = 577;
    p.Final.Quality = TRenderQuality::Photo;
    p.Final.Reflection = 0;
    p.Final.Gloss = 100;
    p.Final.Samples = 64;
    return p;
}

class ProjectFile : public testing::Test {
protected:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(Path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        return f.fileName();
    }
    QTemporaryDir FDir;
};

} // namespace

TEST_F(ProjectFile, SavedProjectReadsBackTheSame)
{
    const TProject saved = Sample();
    SaveProject(saved, Path("a.tavlo"));
    const TProject read = LoadProject(Path("a.tavlo"));
    EXPECT_EQ(std::tuple(read.Name, read.Step, read.Final), std::tuple(saved.Name, 4, saved.Final));
    for (int f = 0; f < 3; ++f) {
        const TProjectFace &a = saved.Faces[size_t(f)], &b = read.Faces[size_t(f)];
        EXPECT_TRUE(b.Base.SamePixels(a.Base)) << f;
        EXPECT_EQ(b.FileName, a.FileName);
        ASSERT_EQ(b.Layers.size(), a.Layers.size());
        for (size_t i = 0; i < a.Layers.size(); ++i) {
            const TProjectLayer &x = a.Layers[i], &y = b.Layers[i];
            EXPECT_TRUE(y.Bitmap.SamePixels(x.Bitmap));
            EXPECT_EQ(std::tuple(y.Bitmap.DrawMode(), y.Location, y.Visible, y.Text),
                      std::tuple(x.Bitmap.DrawMode(), x.Location, x.Visible, x.Text));
        }
    }
    // Flattening paints the visible opaque layer over the base and leaves the hidden one out.
    const TBitmap32 flat = read.Faces[0].Flattened();
    EXPECT_EQ(flat.Pixel(10, 10) & 0xFFFFFF, saved.Faces[0].Layers[0].Bitmap.Pixel(7, 6) & 0xFFFFFF);
    EXPECT_EQ(flat.Pixel(1, 1), saved.Faces[0].Base.Pixel(1, 1));
}

// The back cover comes back pixel for pixel, and only a project with one is of the newer format:
// one without is written as before, and an older file opens without a back.
TEST_F(ProjectFile, BackFaceRoundTripsAndAloneRaisesTheFormat)
{
    TProject withBack = Sample();
    withBack.Back.Base = Pattern(30, 45, 9);
    withBack.Back.FileName = QStringLiteral("/art/wrap.pdf");
    SaveProject(withBack, Path("back.tavlo"));
    const TProject read = LoadProject(Path("back.tavlo"));
    EXPECT_TRUE(read.Back.Base.SamePixels(withBack.Back.Base));
    EXPECT_EQ(read.Back.FileName, withBack.Back.FileName);
    EXPECT_TRUE(read.Faces[0].Base.SamePixels(withBack.Faces[0].Base));
    auto manifestOf = [](const QString& path) {
        return QJsonDocument::fromJson(TZipReader(path).Read("manifest.json", 1 << 20)).object();
    };
    const QJsonObject m = manifestOf(Path("back.tavlo"));
    EXPECT_EQ(m["version"].toInt(), 2);
    EXPECT_EQ(m["back"]["base"].toString(), QStringLiteral("faces/back/base.png"));

    // Saved again without its back: format 1 and no trace of the key, as before.
    TProject without = read;
    without.Back = {};
    SaveProject(without, Path("without.tavlo"));
    const QJsonObject w = manifestOf(Path("without.tavlo"));
    EXPECT_EQ(w["version"].toInt(), 1);
    EXPECT_FALSE(w.contains("back"));
    EXPECT_FALSE(TZipReader(Path("without.tavlo")).Contains("faces/back/base.png"));
    EXPECT_TRUE(LoadProject(Path("without.tavlo")).Back.Base.Empty());

    // A file as versions before the back wrote it (format 1, a generator of then) opens as it
    // always did: no back, its faces as they were.
    const TBitmap32 front = Pattern(20, 30, 5, 255);
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && front.ConstImageView().save(&buffer, "PNG"));
    const QJsonObject oldManifest{{"format", ProjectMimeType},
                                  {"version", 1},
                                  {"generator", "Tavlo Generator v1.55"},
                                  {"name", "Old"},
                                  {"final", QJsonObject{{"type", 2}}},
                                  {"faces", QJsonArray{QJsonObject{{"base", "faces/front/base.png"}, {"layers", QJsonArray()}}}}};
    TZipWriter zip;
    zip.Add("manifest.json", QJsonDocument(oldManifest).toJson(), true);
    zip.Add("faces/front/base.png", png, false);
    const TProject older = LoadProject(Write(QStringLiteral("older.tavlo"), zip.Finish()));
    EXPECT_TRUE(older.Back.Base.Empty());
    EXPECT_TRUE(older.Faces[0].Base.SamePixels(front));
    EXPECT_EQ(std::tuple(older.Name, older.Final.Type), std::tuple(QStringLiteral("Old"), btBookCover));
}

// A file is rewritten entry by entry with one change; every such file must be refused whole.
TEST_F(ProjectFile, DamagedFilesAreRefusedWithAMessage)
{
    SaveProject(Sample(), Path("good.tavlo"));
    QFile good(Path("good.tavlo"));
    const QByteArray goodBytes = good.open(QIODevice::ReadOnly) ? good.readAll() : QByteArray();
    const TZipReader reader(Path("good.tavlo"));
    const QJsonObject manifest = QJsonDocument::fromJson(reader.Read("manifest.json", 1 << 20)).object();
    const QByteArray base = reader.Read("faces/front/base.png", 1 << 20);

    using TEdit = std::function<void(QJsonObject& manifest, QByteArray& frontBase)>;
    auto rebuilt = [&](const TEdit& edit) {
        QJsonObject m = manifest;
        QByteArray png = base;
        edit(m, png);
        TZipWriter zip;
        zip.Add("manifest.json", QJsonDocument(m).toJson(), true);
        for (const char* name : {"faces/side/base.png", "faces/front/layer-000.png", "faces/front/layer-001.png"})
            zip.Add(name, reader.Read(name, 1 << 20), false);
        if (!png.isNull())
            zip.Add("faces/front/base.png", png, false);
        return zip.Finish();
    };
    auto setFinal = [](const char* key, QJsonValue v) {
        return [=](QJsonObject& m, QByteArray&) {
            QJsonObject f = m["final"].toObject();
            f[key] = v;
            m["final"] = f;
        };
    };
    // A PNG whose header declares 100000 x 100000 pixels, its checksum right.
    QByteArray huge = base.left(33);
    qToBigEndian<quint32>(100000, huge.data() + 16);
    qToBigEndian<quint32>(100000, huge.data() + 20);
    qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef*>(huge.constData() + 12), 17)), huge.data() + 29);
    huge += base.mid(33);

    const struct {
        const char* Name;
        std::function<QByteArray()> Bytes;
        const char* Says;
    } cases[] = {
        {"not a zip", [] { return QByteArray("just some text, not an archive"); }, "no zip archive"},
        {"truncated", [&] { return goodBytes.left(goodBytes.size() * 2 / 3); }, "no zip archive"},
        {"no manifest", [&] { TZipWriter z; z.Add("x.txt", "x", true); return z.Finish(); }, "no Tavlo project"},
        {"manifest not json", [&] { TZipWriter z; z.Add("manifest.json", "{nope", true); return z.Finish(); }, "manifest is damaged"},
        {"foreign format", [&] { return rebuilt([](QJsonObject& m, QByteArray&) { m["format"] = "text/plain"; }); }, "not that of a Tavlo"},
        {"no version", [&] { return rebuilt([](QJsonObject& m, QByteArray&) { m.remove("version"); }); }, "no valid version"},
        {"newer version", [&] { return rebuilt([](QJsonObject& m, QByteArray&) { m["version"] = 7; }); }, "saved in project format 7 by a newer"},
        {"type out of range", [&] { return rebuilt(setFinal("type", 9)); }, "\"type\" must be a whole number from 0 to 7"},
        {"angle not a number", [&] { return rebuilt(setFinal("angleX", "ten")); }, "\"angleX\""},
        {"unknown quality", [&] { return rebuilt(setFinal("quality", "draft")); }, "\"quality\" is neither"},
        {"gloss out of range", [&] { return rebuilt(setFinal("gloss", 101)); }, "\"gloss\" must be a whole number from 0 to 100"},
        {"missing picture", [&] { return rebuilt([](QJsonObject&, QByteArray& png) { png = QByteArray(); }); }, "\"faces/front/base.png\" is missing"},
        {"picture not png", [&] { return rebuilt([](QJsonObject&, QByteArray& png) { png = "GIF89a...."; }); }, "no picture of a size"},
        {"huge declared size", [&] { return rebuilt([&](QJsonObject&, QByteArray& png) { png = huge; }); }, "no picture of a size"},
        {"broken entry", [&] {
             QByteArray b = goodBytes;
             const qsizetype at = b.indexOf("IDAT"); // inside a stored picture: the CRC no longer fits
             b[at + 8] = char(b[at + 8] ^ 0x55);
             return b;
         }, "damaged"},
    };
    // A file from before the photo quality opens as Standard with the photo's defaults.
    const QString older = Write(QStringLiteral("older.tavlo"), rebuilt([](QJsonObject& m, QByteArray&) {
        QJsonObject f = m["final"].toObject();
        for (const char* key : {"quality", "reflection", "gloss", "samples"})
            f.remove(QLatin1String(key));
        m["final"] = f;
    }));
    const TFinalSettings olderFinal = LoadProject(older).Final;
    EXPECT_EQ(std::tuple(olderFinal.Quality, olderFinal.Reflection, olderFinal.Gloss, olderFinal.Samples),
              std::tuple(TRenderQuality::Standard, 30, 50, 0));

    for (const auto& c : cases) {
        const QString path = Write(QStringLiteral("%1.tavlo").arg(QLatin1String(c.Name)), c.Bytes());
        try {
            LoadProject(path);
            ADD_FAILURE() << c.Name << ": opened";
        } catch (const TProjectError& e) {
            const QString message = QString::fromStdString(e.what());
            EXPECT_TRUE(message.startsWith(QFileInfo(path).fileName() + "\r\n")) << c.Name << ": " << e.what();
            EXPECT_TRUE(message.contains(QLatin1String(c.Says))) << c.Name << ": " << e.what();
        }
    }
}
