#include "PovExport.h"

#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {
using TV = std::array<double, 3>;

QString Num(double v) { return QString::number(v, 'g', 8); }
QString Vec(const TV& v) { return QStringLiteral("<%1, %2, %3>").arg(Num(v[0]), Num(v[1]), Num(v[2])); }
QString Rgb(const TSceneRgb& c) { return QStringLiteral("rgb <%1, %2, %3>").arg(Num(c[0]), Num(c[1]), Num(c[2])); }
TV Plus(const TV& a, const TV& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
TV Times(const TV& a, double k) { return {a[0] * k, a[1] * k, a[2] * k}; }
double Length(const TV& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }
TV Cross(const TV& a, const TV& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// A texture as a PNG whose bottom row is t = 0, as POV-Ray's uv mapping reads an image; a
// texture that gives coverage only takes its tint as colour.
void WriteTexture(const TSceneTexture& texture, const TSceneMaterial& material, const QString& path)
{
    QImage image(texture.Width(), texture.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const auto texel = texture.Sample((x + 0.5) / image.width(), (image.height() - 1 - y + 0.5) / image.height());
            TSceneRgb c{texel[0], texel[1], texel[2]};
            if (material.AlphaOnly)
                c = material.Tint;
            image.setPixel(x, y, qRgba(LinearToSrgb(c[0]), LinearToSrgb(c[1]), LinearToSrgb(c[2]),
                                       std::clamp(int(std::lround(texel[3] * 255)), 0, 255)));
        }
    if (!image.save(path))
        throw std::runtime_error("cannot write " + path.toStdString());
}

// The print under a laminate: a fresnel coat where it is glossy, a broad highlight where matte;
// metal reflects in its own colour.
QString Finish(const TSceneMaterial& m)
{
    const double alpha = double(m.Roughness) * m.Roughness;
    if (m.Metal)
        return QStringLiteral("finish { ambient 0 diffuse 0.05 specular 0.8 roughness %1 metallic reflection { 0.7 metallic } }")
            .arg(Num(std::max(alpha, 0.001)));
    const QString coat = m.Roughness < 0.35 ? QStringLiteral(" reflection { 0, 1 fresnel on } conserve_energy") : QString();
    return QStringLiteral("finish { ambient 0 diffuse 0.9 specular %1 roughness %2%3 }")
        .arg(Num(m.Specular * 10), Num(std::max(alpha, 0.001)), coat);
}

QString Texture(const TSceneMaterial& m, const QString& image)
{
    const QString pigment = image.isEmpty() ? QStringLiteral("pigment { %1 }").arg(Rgb(m.Tint))
                                            : QStringLiteral("pigment { uv_mapping image_map { png \"%1\" gamma srgb "
                                                             "interpolate 2 } }")
                                                  .arg(image);
    return QStringLiteral("texture { %1 %2 }").arg(pigment, Finish(m));
}

void WriteMesh(QTextStream& out, const TPhotoScene& scene, const QStringList& images)
{
    const TSceneMesh& mesh = scene.Mesh;
    out << "mesh2 {\n  vertex_vectors { " << mesh.Vertices.size();
    for (const TSceneVertex& v : mesh.Vertices)
        out << ",\n    " << Vec(v.Pos);
    out << " }\n  normal_vectors { " << mesh.Vertices.size();
    for (const TSceneVertex& v : mesh.Vertices)
        out << ",\n    " << Vec(v.Normal);
    out << " }\n  uv_vectors { " << mesh.Vertices.size();
    for (const TSceneVertex& v : mesh.Vertices)
        out << ",\n    <" << Num(v.S) << ", " << Num(v.T) << ">";
    out << " }\n  texture_list { " << ScenePartCount;
    for (const TSceneMaterial& m : scene.Materials)
        out << ",\n    " << Texture(m, m.Texture >= 0 ? images.value(m.Texture) : QString());
    out << " }\n";
    for (const char* list : {"face_indices", "normal_indices", "uv_indices"}) {
        const bool faces = QLatin1String(list) == QLatin1String("face_indices");
        out << "  " << list << " { " << mesh.Triangles.size();
        for (const TSceneTriangle& t : mesh.Triangles) {
            out << ",\n    <" << t.V[0] << ", " << t.V[1] << ", " << t.V[2] << ">";
            if (faces)
                out << ", " << int(t.Part);
        }
        out << " }\n";
    }
    // The coat's fresnel reflection needs the laminate's index of refraction (reflectance 0.04).
    out << "  interior { ior 1.5 }\n}\n";
}
} // namespace

void ExportPov(const TPhotoScene& scene, const QString& base)
{
    QStringList images;
    for (size_t i = 0; i < scene.Textures.size(); ++i) {
        const auto material = std::find_if(scene.Materials.begin(), scene.Materials.end(),
                                           [&](const TSceneMaterial& m) { return m.Texture == int(i); });
        const QString path = QStringLiteral("%1-tex%2.png").arg(base).arg(i);
        WriteTexture(*scene.Textures[i], material != scene.Materials.end() ? *material : TSceneMaterial(), path);
        images << QFileInfo(path).fileName();
    }

    QSaveFile file(base + ".pov");
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + base.toStdString() + ".pov");
    QTextStream out(&file);
    out << "// Exported by bench_photo: the photo scene of one cover, to time POV-Ray on it.\n"
        << "#version 3.7;\n"
        << "global_settings {\n  assumed_gamma 1.0\n  max_trace_level 8\n"
        << "  radiosity { pretrace_start 0.08 pretrace_end 0.01 count 60 nearest_count 5 error_bound 0.8\n"
        << "              recursion_limit 2 low_error_factor 0.5 gray_threshold 0 brightness 1 }\n}\n";

    // The picture plane through the framing's shift: POV-Ray's ray is direction + u right + v up
    // with u, v in -1/2..1/2, ours Corner + x StepX + y StepY with y downwards.
    const TSceneCamera& cam = scene.Camera;
    const TSceneCamera::TRayPlane plane = cam.RayPlane();
    const TV right = Times(plane.StepX, cam.Width), down = Times(plane.StepY, cam.Height);
    out << "camera {\n  perspective\n  location " << Vec(cam.Position()) << "\n  direction "
        << Vec(Plus(plane.Corner, Times(Plus(right, down), 0.5))) << "\n  right " << Vec(right) << "\n  up "
        << Vec(Times(down, -1)) << "\n}\n";

    // A white diffuse face turned to the light shows the light's colour in POV-Ray: radiance
    // times the light's solid angle over pi, as the tracer's light gives it.
    const TSceneLight& light = scene.Light;
    const double solidAngle = Length(Cross(light.EdgeU, light.EdgeV)) / std::pow(Length(light.Centre), 2);
    const double k = solidAngle / 3.141592653589793;
    out << "light_source {\n  " << Vec(light.Centre) << "\n  color "
        << Rgb({float(light.Radiance[0] * k), float(light.Radiance[1] * k), float(light.Radiance[2] * k)})
        << "\n  area_light " << Vec(light.EdgeU) << ", " << Vec(light.EdgeV)
        << ", 9, 9\n  adaptive 2\n  jitter\n}\n";

    out << "sky_sphere { pigment { " << Rgb(scene.Sky) << " } }\n";
    if (scene.Floor.Present)
        out << "plane {\n  y, " << Num(scene.Floor.Y) << "\n  texture { pigment { " << Rgb(scene.Ground)
            << " } finish { ambient 0 diffuse 0.8 reflection { " << Num(scene.Floor.Reflection) << " } } }\n}\n";
    WriteMesh(out, scene, images);
    out.flush();
    if (!file.commit())
        throw std::runtime_error("cannot write " + base.toStdString() + ".pov");
}
