#include "export/GlbModel.h"

#include "imageio/ProductName.h"

#include <QBuffer>
#include <QImage>
#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <sstream>
#include <stdexcept>

namespace {

constexpr int ArrayBuffer = 34962, ElementArrayBuffer = 34963;

const char* PartName(TScenePart part)
{
    switch (part) {
    case TScenePart::CoverPrint: return "Cover print";
    case TScenePart::PageBlock: return "Page block";
    case TScenePart::CaseInsert: return "Case insert";
    case TScenePart::Disc: return "Disc";
    case TScenePart::RingMetal: return "Ring binding";
    }
    return "Part";
}

// The scene texture's texels back as 8-bit sRGB: sampled at texel centres the bilinear filter
// returns the texel itself, and LinearToSrgb gives back the very level that went in. The last
// row comes first (glTF's v runs down the picture); alphaOnly keeps the coverage under white.
QImage TextureImage(const TSceneTexture& texture, bool alphaOnly)
{
    const int w = texture.Width(), h = texture.Height();
    bool opaque = true;
    QImage image(w, h, QImage::Format_ARGB32);
    for (int row = 0; row < h; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        const double t = (h - 1 - row + 0.5) / h;
        for (int x = 0; x < w; ++x) {
            const auto c = texture.Sample((x + 0.5) / w, t);
            const int a = int(std::lround(std::clamp(c[3], 0.0f, 1.0f) * 255));
            opaque = opaque && a == 255;
            line[x] = alphaOnly ? qRgba(255, 255, 255, a)
                                : qRgba(LinearToSrgb(c[0]), LinearToSrgb(c[1]), LinearToSrgb(c[2]), a);
        }
    }
    // An opaque picture is stored without an alpha channel: smaller, and viewers need not sort it.
    return opaque ? image.convertToFormat(QImage::Format_RGB32) : image;
}

QByteArray Png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw std::runtime_error("The cover's texture could not be coded as PNG.");
    return bytes;
}

// Builds the model's one buffer and its views and accessors.
class TGlbBuilder {
public:
    tinygltf::Model Model;

    TGlbBuilder()
    {
        Model.asset.version = "2.0";
        Model.asset.generator = ProductNameVersion;
        Model.buffers.emplace_back();
    }

    int View(const void* data, size_t bytes, int target, int stride = 0)
    {
        auto& buffer = Model.buffers[0].data;
        buffer.resize((buffer.size() + 3) / 4 * 4, 0); // every view starts 4-byte aligned
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = buffer.size();
        view.byteLength = bytes;
        view.byteStride = size_t(stride);
        view.target = target;
        const auto* p = static_cast<const unsigned char*>(data);
        buffer.insert(buffer.end(), p, p + bytes);
        Model.bufferViews.push_back(view);
        return int(Model.bufferViews.size() - 1);
    }

    int Accessor(int view, int componentType, int type, size_t count, std::vector<double> min = {},
                 std::vector<double> max = {})
    {
        tinygltf::Accessor a;
        a.bufferView = view;
        a.componentType = componentType;
        a.type = type;
        a.count = count;
        a.minValues = std::move(min);
        a.maxValues = std::move(max);
        Model.accessors.push_back(a);
        return int(Model.accessors.size() - 1);
    }

    int Image(const QImage& image)
    {
        const QByteArray png = Png(image);
        tinygltf::Image i;
        i.bufferView = View(png.constData(), size_t(png.size()), 0);
        i.mimeType = "image/png";
        Model.images.push_back(i);
        return int(Model.images.size() - 1);
    }
};

// Whether any corner of the part's triangles lies outside the picture: its texture repeats.
bool Repeats(const TSceneMesh& mesh, TScenePart part)
{
    for (const TSceneTriangle& t : mesh.Triangles)
        if (t.Part == part)
            for (uint32_t i : t.V) {
                const TSceneVertex& v = mesh.Vertices[i];
                if (v.S < 0 || v.S > 1 || v.T < 0 || v.T > 1)
                    return true;
            }
    return false;
}

// The photo material in glTF's terms: the same GGX roughness, metal or not, the coat's
// reflectance at normal incidence as an index of refraction where it is not glTF's 4 %.
tinygltf::Material Material(const TSceneMaterial& m, const char* name, int texture)
{
    tinygltf::Material g;
    g.name = name;
    g.pbrMetallicRoughness.baseColorFactor = {m.Tint[0], m.Tint[1], m.Tint[2], 1.0};
    g.pbrMetallicRoughness.baseColorTexture.index = texture;
    g.pbrMetallicRoughness.metallicFactor = m.Metal ? 1.0 : 0.0;
    g.pbrMetallicRoughness.roughnessFactor = m.Roughness;
    // The disc and the ring are open surfaces; their pictures' alpha is how much of each point
    // the print covers, which blending shows as the photo does (a cut-off would lose the faint parts).
    g.alphaMode = m.Cutout ? "BLEND" : "OPAQUE";
    g.doubleSided = m.Cutout;
    if (!m.Metal && std::abs(m.Specular - 0.04f) > 1e-4f) {
        const double r = std::sqrt(double(m.Specular));
        tinygltf::Value::Object ior;
        ior["ior"] = tinygltf::Value((1 + r) / (1 - r));
        g.extensions["KHR_materials_ior"] = tinygltf::Value(ior);
    }
    return g;
}

} // namespace

TGlbPlacement StandOnFloor(const TSceneMesh& mesh, double sceneHeight, double height)
{
    if (mesh.Vertices.empty() || !(sceneHeight > 0) || !(height > 0))
        throw std::runtime_error("The cover has no shape to save as a 3D model.");
    TSceneVec lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300};
    for (const TSceneVertex& v : mesh.Vertices)
        for (size_t k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], v.Pos[k]);
            hi[k] = std::max(hi[k], v.Pos[k]);
        }
    TGlbPlacement p;
    p.Scale = height / sceneHeight;
    p.Offset = {-(lo[0] + hi[0]) / 2, -lo[1], -(lo[2] + hi[2]) / 2};
    return p;
}

QByteArray EncodeGlb(const TPhotoScene& scene, const TGlbPlacement& placement)
{
    const TSceneMesh& mesh = scene.Mesh;
    if (mesh.Vertices.empty() || mesh.Triangles.empty())
        throw std::runtime_error("The cover has no shape to save as a 3D model.");
    TGlbBuilder b;

    // Interleaving buys nothing here; three plain arrays are what every reader takes best.
    std::vector<float> pos, normal, uv;
    std::vector<double> lo(3, std::numeric_limits<double>::max()), hi(3, std::numeric_limits<double>::lowest());
    for (const TSceneVertex& v : mesh.Vertices) {
        for (size_t k = 0; k < 3; ++k) {
            const float p = float((v.Pos[k] + placement.Offset[k]) * placement.Scale);
            pos.push_back(p);
            lo[k] = std::min(lo[k], double(p));
            hi[k] = std::max(hi[k], double(p));
            normal.push_back(float(v.Normal[k]));
        }
        uv.push_back(float(v.S));
        uv.push_back(float(1 - v.T));
    }
    const size_t n = mesh.Vertices.size();
    const int posAcc = b.Accessor(b.View(pos.data(), pos.size() * 4, ArrayBuffer), TINYGLTF_COMPONENT_TYPE_FLOAT,
                                  TINYGLTF_TYPE_VEC3, n, lo, hi);
    const int normalAcc = b.Accessor(b.View(normal.data(), normal.size() * 4, ArrayBuffer),
                                     TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, n);
    const int uvAcc = b.Accessor(b.View(uv.data(), uv.size() * 4, ArrayBuffer), TINYGLTF_COMPONENT_TYPE_FLOAT,
                                 TINYGLTF_TYPE_VEC2, n);

    std::map<std::pair<int, bool>, int> textures; // (scene texture, repeats) -> glTF texture
    std::map<std::pair<int, bool>, int> images;   // (scene texture, alpha only) -> glTF image
    auto texture = [&](const TSceneMaterial& m, bool repeat) {
        if (m.Texture < 0 || size_t(m.Texture) >= scene.Textures.size() || !scene.Textures[size_t(m.Texture)])
            return -1;
        const auto key = std::pair(m.Texture, repeat);
        if (auto it = textures.find(key); it != textures.end())
            return it->second;
        const auto imageKey = std::pair(m.Texture, m.AlphaOnly);
        if (!images.count(imageKey))
            images[imageKey] = b.Image(TextureImage(*scene.Textures[size_t(m.Texture)], m.AlphaOnly));
        tinygltf::Sampler s;
        s.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
        s.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR;
        s.wrapS = s.wrapT = repeat ? TINYGLTF_TEXTURE_WRAP_REPEAT : TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE;
        b.Model.samplers.push_back(s);
        tinygltf::Texture t;
        t.sampler = int(b.Model.samplers.size() - 1);
        t.source = images[imageKey];
        b.Model.textures.push_back(t);
        return textures[key] = int(b.Model.textures.size() - 1);
    };

    tinygltf::Mesh gMesh;
    gMesh.name = "Cover";
    bool ior = false;
    for (int p = 0; p < ScenePartCount; ++p) {
        const auto part = TScenePart(p);
        std::vector<uint32_t> indices;
        for (const TSceneTriangle& t : mesh.Triangles)
            if (t.Part == part)
                indices.insert(indices.end(), t.V.begin(), t.V.end());
        if (indices.empty())
            continue;
        const TSceneMaterial& m = scene.Materials[size_t(p)];
        b.Model.materials.push_back(Material(m, PartName(part), texture(m, Repeats(mesh, part))));
        ior = ior || b.Model.materials.back().extensions.count("KHR_materials_ior");
        tinygltf::Primitive prim;
        prim.attributes = {{"POSITION", posAcc}, {"NORMAL", normalAcc}, {"TEXCOORD_0", uvAcc}};
        prim.indices = b.Accessor(b.View(indices.data(), indices.size() * 4, ElementArrayBuffer),
                                  TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR, indices.size());
        prim.material = int(b.Model.materials.size() - 1);
        prim.mode = TINYGLTF_MODE_TRIANGLES;
        gMesh.primitives.push_back(prim);
    }
    if (ior)
        b.Model.extensionsUsed.push_back("KHR_materials_ior");
    b.Model.meshes.push_back(gMesh);
    tinygltf::Node node;
    node.name = "Cover";
    node.mesh = 0;
    b.Model.nodes.push_back(node);
    tinygltf::Scene gScene;
    gScene.nodes = {0};
    b.Model.scenes.push_back(gScene);
    b.Model.defaultScene = 0;
    b.Model.buffers[0].data.resize((b.Model.buffers[0].data.size() + 3) / 4 * 4, 0);

    std::ostringstream out(std::ios::binary);
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&b.Model, out, false, true) || !out)
        throw std::runtime_error("The 3D model could not be written.");
    const std::string bytes = out.str();
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}
