#include "project/ProjectFile.h"

#include "imageio/ProductName.h"
#include "project/FastPng.h"
#include "project/ProjectPictures.h"
#include "project/ZipArchive.h"
#include "raster/TextRecord.h"

#include <QColor>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <future>

namespace {

const QString ManifestName = QStringLiteral("manifest.json");
const QString MimeTypeName = QStringLiteral("mimetype");
const char* const FaceFolders[] = {"front", "side", "top"};
const QString BackBase = QStringLiteral("faces/back/base.png");
constexpr size_t BackFace = 3; // the back's place among the pictures waiting to be decoded

// Limits that keep a damaged or hostile file from exhausting memory; real projects stay far below.
// The pictures have a budget of their own (ProjectPictures.h).
constexpr qint64 MaxManifestBytes = 16 << 20;
constexpr int MaxLayersPerFace = 10000;

// The keys this version reads; any other key is kept for the next save.
const QStringList ManifestKeys = {"format", "version", "generator", "name", "step", "final", "faces", "back"};
const QStringList FinalKeys = {"type", "angleX", "angleY", "lightElevation", "lightAzimuth", "shadow", "shadowStrength", "zoom",
                               "background", "transparentBackground", "cdPosition", "exportWidth", "exportHeight",
                               "exportWidthChosen", "viewWidth", "viewHeight", "smooth"};
const QStringList FaceKeys = {"fileName", "base", "layers"};
const QStringList BackKeys = {"fileName", "base"};

[[noreturn]] void Fail(const QString& detail) { throw TProjectError(detail.toStdString()); }

QJsonObject Without(QJsonObject o, const QStringList& keys)
{
    for (const QString& key : keys)
        o.remove(key);
    return o;
}

// known written over what an earlier read kept.
QJsonObject Over(QJsonObject kept, const QJsonObject& known)
{
    for (auto it = known.begin(); it != known.end(); ++it)
        kept[it.key()] = it.value();
    return kept;
}

// ---- writing

QString ColorName(TColor32 c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)).name(); }

QJsonObject FinalToJson(const TFinalSettings& f)
{
    QJsonObject o{
        {"type", int(f.Type)},
        {"lightElevation", f.LightElevation},
        {"lightAzimuth", f.LightAzimuth},
        {"shadow", f.Shadow},
        {"shadowStrength", f.ShadowStrength},
        {"zoom", f.Zoom},
        {"background", ColorName(f.Background)},
        {"transparentBackground", f.TransparentBackground},
        {"cdPosition", f.CDPosition},
        {"exportWidth", f.ExportWidth},
        {"exportHeight", f.ExportHeight},
        {"exportWidthChosen", f.ExportWidthChosen},
        {"viewWidth", f.ViewWidth},
        {"viewHeight", f.ViewHeight},
        {"smooth", f.Smooth},
        {"quality", f.Quality == TRenderQuality::Photo ? QStringLiteral("photo") : QStringLiteral("standard")},
        {"reflection", f.Reflection},
        {"gloss", f.Gloss},
        {"samples", f.Samples},
    };
    if (f.AngleX)
        o["angleX"] = *f.AngleX;
    if (f.AngleY)
        o["angleY"] = *f.AngleY;
    return o;
}

// ---- reading

class TManifestReader {
public:
    explicit TManifestReader(const QJsonObject& o, QString where) : FObject(o), FWhere(std::move(where)) {}

    bool Has(const char* key) const { return FObject.contains(QLatin1String(key)); }
    int Int(const char* key, int low, int high, int fallback) const
    {
        const QJsonValue v = FObject.value(QLatin1String(key));
        if (v.isUndefined())
            return fallback;
        const double d = v.toDouble(std::nan(""));
        if (!v.isDouble() || d != std::floor(d) || d < low || d > high)
            Fail(QStringLiteral("%1 \"%2\" must be a whole number from %3 to %4").arg(FWhere, key).arg(low).arg(high));
        return int(d);
    }
    double Real(const char* key, double low, double high, double fallback) const
    {
        const QJsonValue v = FObject.value(QLatin1String(key));
        if (v.isUndefined())
            return fallback;
        if (!v.isDouble() || !(v.toDouble() >= low && v.toDouble() <= high))
            Fail(QStringLiteral("%1 \"%2\" must be a number from %3 to %4").arg(FWhere, key).arg(low).arg(high));
        return v.toDouble();
    }
    bool Bool(const char* key, bool fallback) const
    {
        const QJsonValue v = FObject.value(QLatin1String(key));
        if (v.isUndefined())
            return fallback;
        if (!v.isBool())
            Fail(QStringLiteral("%1 \"%2\" must be true or false").arg(FWhere, key));
        return v.toBool();
    }
    QString String(const char* key, const QString& fallback = QString()) const
    {
        const QJsonValue v = FObject.value(QLatin1String(key));
        if (v.isUndefined())
            return fallback;
        if (!v.isString())
            Fail(QStringLiteral("%1 \"%2\" must be a text").arg(FWhere, key));
        return v.toString();
    }
    QJsonArray Array(const char* key) const
    {
        const QJsonValue v = FObject.value(QLatin1String(key));
        if (v.isUndefined())
            return {};
        if (!v.isArray())
            Fail(QStringLiteral("%1 \"%2\" must be a list").arg(FWhere, key));
        return v.toArray();
    }
    QJsonObject Object(const char* key) const
    {
        const QJsonValue v = FObject.value(QLatin1String(key));
        if (v.isUndefined())
            return {};
        if (!v.isObject())
            Fail(QStringLiteral("%1 \"%2\" must be an object").arg(FWhere, key));
        return v.toObject();
    }

private:
    QJsonObject FObject;
    QString FWhere;
};

TFinalSettings FinalFromJson(const QJsonObject& o)
{
    const TManifestReader r(o, QStringLiteral("the final setting"));
    TFinalSettings f;
    f.Type = TBookType(r.Int("type", 0, 7, 0));
    if (r.Has("angleX"))
        f.AngleX = r.Int("angleX", 0, 360, 0);
    if (r.Has("angleY"))
        f.AngleY = r.Int("angleY", 0, 360, 0);
    f.LightElevation = r.Int("lightElevation", 0, 100, f.LightElevation);
    f.LightAzimuth = r.Int("lightAzimuth", 0, 100, f.LightAzimuth);
    f.Shadow = r.Bool("shadow", f.Shadow);
    f.ShadowStrength = r.Int("shadowStrength", 0, 100, f.ShadowStrength);
    f.Zoom = r.Real("zoom", 0.7, 10.0, f.Zoom);
    const QColor background = QColor::fromString(r.String("background", QStringLiteral("#ffffff")));
    if (!background.isValid())
        Fail(QStringLiteral("the final setting \"background\" is no colour"));
    f.Background = Color32(background.red(), background.green(), background.blue());
    f.TransparentBackground = r.Bool("transparentBackground", false);
    f.CDPosition = r.Int("cdPosition", 0, 100, f.CDPosition);
    f.ExportWidth = r.Int("exportWidth", 1, 8192, f.ExportWidth);
    f.ExportHeight = r.Int("exportHeight", 1, 8192, f.ExportHeight);
    f.ExportWidthChosen = r.Bool("exportWidthChosen", false);
    f.ViewWidth = r.Int("viewWidth", 0, 8192, 0);
    f.ViewHeight = r.Int("viewHeight", 0, 8192, 0);
    if (f.ViewWidth == 0 || f.ViewHeight == 0)
        f.ViewWidth = f.ViewHeight = 0;
    f.Smooth = r.Bool("smooth", false);
    // Files from before the photo quality open as Standard with the photo's defaults.
    const QString quality = r.String("quality", QStringLiteral("standard"));
    if (quality != QLatin1String("standard") && quality != QLatin1String("photo"))
        Fail(QStringLiteral("the final setting \"quality\" is neither \"standard\" nor \"photo\""));
    f.Quality = quality == QLatin1String("photo") ? TRenderQuality::Photo : TRenderQuality::Standard;
    f.Reflection = r.Int("reflection", 0, 100, f.Reflection);
    f.Gloss = r.Int("gloss", 0, 100, f.Gloss);
    f.Samples = r.Int("samples", 0, 65536, f.Samples);
    return f;
}

// picture: the entry of the layer's pixels, none for a layer without them.
TProjectLayer LayerFromJson(const QJsonObject& o, std::optional<QString>& picture, const QString& where)
{
    const TManifestReader r(o, where);
    TProjectLayer layer;
    if (r.Has("picture"))
        picture = r.String("picture");
    const QString mode = r.String("drawMode", QStringLiteral("blend"));
    if (mode != u"blend" && mode != u"opaque")
        Fail(QStringLiteral("%1 \"drawMode\" must be \"blend\" or \"opaque\"").arg(where));
    layer.Bitmap.SetDrawMode(mode == u"opaque" ? TDrawMode::dmOpaque : TDrawMode::dmBlend);
    constexpr double Far = 1.0e6;
    layer.Location = {float(r.Real("left", -Far, Far, 0)), float(r.Real("top", -Far, Far, 0)),
                      float(r.Real("right", -Far, Far, 0)), float(r.Real("bottom", -Far, Far, 0))};
    layer.Visible = r.Bool("visible", true);
    if (r.Has("text")) {
        QStringList lines;
        for (const QJsonValue& v : r.Array("text"))
            lines.append(v.toString());
        TTextParams text;
        if (!ReadRecord(text, &lines))
            Fail(QStringLiteral("%1 has a text that is no text layer record").arg(where));
        layer.Text = text;
    }
    return layer;
}

QJsonObject ReadManifest(const TZipReader& zip)
{
    if (!zip.Contains(ManifestName))
        Fail(QStringLiteral("it holds no \"%1\"; it is no Tavlo project").arg(ManifestName));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(zip.Read(ManifestName, MaxManifestBytes), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        Fail(QStringLiteral("its manifest is damaged (%1)").arg(doc.isObject() ? error.errorString() : QStringLiteral("no object")));
    const QJsonObject o = doc.object();
    if (o.value("format").toString() != QLatin1String(ProjectMimeType))
        Fail(QStringLiteral("its manifest is not that of a Tavlo project"));
    const double version = o.value("version").toDouble(0);
    if (version < 1 || version != std::floor(version))
        Fail(QStringLiteral("its manifest has no valid version"));
    // A newer version may have changed what a key means: better refused than misread.
    if (version > ProjectFormatVersion)
        Fail(QStringLiteral("it was saved in project format %1 by a newer Tavlo Generator, and this one reads format %2")
                 .arg(version, 0, 'f', 0)
                 .arg(ProjectFormatVersion));
    return o;
}

} // namespace

void SaveProject(const TProject& project, const QString& path)
{
    // Pictures are encoded side by side; the manifest refers to them by name.
    struct TPicture {
        QString Name;
        const TBitmap32* Bitmap;
    };
    std::vector<TPicture> pictures;
    QJsonArray faces;
    const QJsonArray keptFaces = project.UnknownKeys["faces"].toArray();
    for (int f = 0; f < 3; ++f) {
        const TProjectFace& face = project.Faces[size_t(f)];
        const QString folder = QStringLiteral("faces/%1/").arg(QLatin1String(FaceFolders[f]));
        QJsonObject o{{"fileName", face.FileName}};
        if (!face.Base.Empty()) {
            o["base"] = folder + QStringLiteral("base.png");
            pictures.push_back({o["base"].toString(), &face.Base});
        }
        QJsonArray layers;
        for (size_t i = 0; i < face.Layers.size(); ++i) {
            const TProjectLayer& layer = face.Layers[i];
            QJsonObject l{{"picture", folder + QStringLiteral("layer-%1.png").arg(i, 3, 10, QLatin1Char('0'))},
                          {"left", layer.Location.Left},
                          {"top", layer.Location.Top},
                          {"right", layer.Location.Right},
                          {"bottom", layer.Location.Bottom},
                          {"drawMode", layer.Bitmap.DrawMode() == TDrawMode::dmOpaque ? "opaque" : "blend"},
                          {"visible", layer.Visible}};
            if (layer.Bitmap.Empty())
                l.remove("picture");
            else
                pictures.push_back({l["picture"].toString(), &layer.Bitmap});
            if (layer.Text) {
                QStringList record;
                WriteRecord(*layer.Text, record);
                l["text"] = QJsonArray::fromStringList(record);
            }
            layers.append(l);
        }
        o["layers"] = layers;
        faces.append(Over(keptFaces[f].toObject(), o));
    }
    QJsonObject known{{"format", ProjectMimeType},
                      {"version", ProjectFormatWithoutBack},
                      {"generator", QString::fromLatin1(ProductNameVersion)},
                      {"name", project.Name},
                      {"step", project.Step},
                      {"final", Over(project.UnknownKeys["final"].toObject(), FinalToJson(project.Final))},
                      {"faces", faces}};
    // Only a project with a back is of the newer format: an earlier version would keep the key
    // but drop its picture, so it must refuse the file instead.
    if (!project.Back.Base.Empty()) {
        known["version"] = ProjectFormatVersion;
        known["back"] = Over(project.UnknownKeys["back"].toObject(),
                             {{"fileName", project.Back.FileName}, {"base", BackBase}});
        pictures.push_back({BackBase, &project.Back.Base});
    }
    QJsonObject manifest = Over(project.UnknownKeys, known);
    if (project.Back.Base.Empty())
        manifest.remove("back"); // what is left of a back kept as unknown keys

    std::vector<std::future<QByteArray>> encoded;
    for (const TPicture& p : pictures)
        encoded.push_back(std::async(std::launch::async, [bitmap = p.Bitmap] { return EncodeFastPng(*bitmap); }));

    TZipWriter zip;
    // First and stored, so that file-type sniffers find the type at a fixed place.
    zip.Add(MimeTypeName, QByteArray(ProjectMimeType), false);
    zip.Add(ManifestName, QJsonDocument(manifest).toJson(QJsonDocument::Indented), true);
    for (size_t i = 0; i < pictures.size(); ++i)
        zip.Add(pictures[i].Name, encoded[i].get(), false);
    const QByteArray archive = zip.Finish();

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(archive) != archive.size() || !file.commit())
        throw TProjectError(QStringLiteral("%1\r\nThe project cannot be saved: %2.")
                                .arg(QFileInfo(path).fileName(), file.errorString())
                                .toStdString());
}

TProject LoadProject(const QString& path)
{
    try {
        const TZipReader zip(path);
        const QJsonObject manifest = ReadManifest(zip);
        const TManifestReader r(manifest, QStringLiteral("the manifest's"));
        TProject project;
        project.Name = r.String("name", project.Name);
        if (project.Name.isEmpty())
            project.Name = QStringLiteral("Noname");
        project.Step = r.Int("step", 0, 4, 0);
        const QJsonObject final = r.Object("final");
        project.Final = FinalFromJson(final);
        const QJsonArray faces = r.Array("faces");
        if (faces.size() > 3)
            Fail(QStringLiteral("its manifest lists more than three faces"));
        // The whole manifest is read, and every picture examined, before any picture is decoded.
        struct TPending {
            size_t Face;
            int Layer; // -1: the base picture
            int Handle;
        };
        std::vector<TPending> pending;
        TProjectPictures pictures(zip, QFileInfo(path).size());
        QJsonArray keptFaces;
        for (qsizetype f = 0; f < faces.size(); ++f) {
            if (!faces[f].isObject())
                Fail(QStringLiteral("its manifest has a face that is no object"));
            const QString where = QStringLiteral("the %1 face's").arg(QLatin1String(FaceFolders[f]));
            const TManifestReader fr(faces[f].toObject(), where);
            TProjectFace& face = project.Faces[size_t(f)];
            face.FileName = fr.String("fileName");
            if (fr.Has("base"))
                pending.push_back({size_t(f), -1, pictures.Refer(fr.String("base"))});
            const QJsonArray layers = fr.Array("layers");
            if (layers.size() > MaxLayersPerFace)
                Fail(QStringLiteral("%1 list of layers is too long").arg(where));
            for (qsizetype i = 0; i < layers.size(); ++i) {
                if (!layers[i].isObject())
                    Fail(QStringLiteral("%1 layer %2 is no object").arg(where).arg(i + 1));
                std::optional<QString> picture;
                face.Layers.push_back(LayerFromJson(layers[i].toObject(), picture, QStringLiteral("%1 layer %2").arg(where).arg(i + 1)));
                if (picture)
                    pending.push_back({size_t(f), int(i), pictures.Refer(*picture)});
            }
            keptFaces.append(Without(faces[f].toObject(), FaceKeys));
        }
        const QJsonObject back = r.Object("back");
        if (const TManifestReader br(back, QStringLiteral("the back face's")); br.Has("base")) {
            project.Back.FileName = br.String("fileName");
            pending.push_back({BackFace, -1, pictures.Refer(br.String("base"))});
        }
        pictures.Decode();
        for (const TPending& p : pending) {
            TProjectFace& face = p.Face == BackFace ? project.Back : project.Faces[p.Face];
            TBitmap32& target = p.Layer < 0 ? face.Base : face.Layers[size_t(p.Layer)].Bitmap;
            const TDrawMode mode = target.DrawMode();
            target = pictures.Take(p.Handle);
            target.SetDrawMode(mode);
        }
        project.UnknownKeys = Without(manifest, ManifestKeys);
        if (const QJsonObject kept = Without(final, FinalKeys); !kept.isEmpty())
            project.UnknownKeys["final"] = kept;
        if (const QJsonObject kept = Without(back, BackKeys); !kept.isEmpty())
            project.UnknownKeys["back"] = kept;
        if (std::any_of(keptFaces.begin(), keptFaces.end(), [](const QJsonValue& v) { return !v.toObject().isEmpty(); }))
            project.UnknownKeys["faces"] = keptFaces;
        return project;
    } catch (const TProjectError& e) {
        throw TProjectError(QStringLiteral("%1\r\nThis project cannot be opened: %2.")
                                .arg(QFileInfo(path).fileName(), QString::fromStdString(e.what()))
                                .toStdString());
    } catch (const std::bad_alloc&) {
        throw TProjectError(QStringLiteral("%1\r\nThis project cannot be opened: there is not enough memory for it.")
                                .arg(QFileInfo(path).fileName())
                                .toStdString());
    }
}
