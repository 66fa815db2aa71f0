// The cover as a GLB read back by tinygltf's own loader: glTF 2.0 with one mesh of positions,
// normals and texture coordinates, the photo materials, the atlas embedded pixel for pixel and
// mapped the right way up, metres with the cover standing on y = 0; and a failed save that keeps
// the old file.
#include "export/CoverGlb.h"
#include "project/Project.h"

#include "common/TestBitmaps.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <cstring>
#include <map>

namespace {

// A front whose every pixel differs from its neighbours', so a flipped or shifted mapping shows.
TBitmap32 Ramp(int w, int h)
{
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32(x * 255 / w, y * 255 / h, (x * 7 + y * 3) & 255));
    return b;
}

struct TLoaded {
    tinygltf::Model Model;
    std::string Error;
};

TLoaded Load(const QByteArray& glb)
{
    TLoaded l;
    std::string warn;
    tinygltf::TinyGLTF loader;
    if (!loader.LoadBinaryFromMemory(&l.Model, &l.Error, &warn, reinterpret_cast<const unsigned char*>(glb.constData()),
                                     unsigned(glb.size())))
        l.Error = "not loaded: " + l.Error;
    return l;
}

// The floats of an accessor, as its bufferView lays them.
std::vector<float> Floats(const tinygltf::Model& m, int accessor)
{
    const tinygltf::Accessor& a = m.accessors[size_t(accessor)];
    const tinygltf::BufferView& v = m.bufferViews[size_t(a.bufferView)];
    const size_t n = a.count * size_t(tinygltf::GetNumComponentsInType(uint32_t(a.type)));
    std::vector<float> out(n);
    std::memcpy(out.data(), m.buffers[size_t(v.buffer)].data.data() + v.byteOffset + a.byteOffset, n * 4);
    return out;
}

const tinygltf::Material* MaterialNamed(const tinygltf::Model& m, const std::string& name)
{
    for (const auto& mat : m.materials)
        if (mat.name == name)
            return &mat;
    return nullptr;
}

const tinygltf::Image& ImageOf(const tinygltf::Model& m, const tinygltf::Material& mat)
{
    return m.images[size_t(m.textures[size_t(mat.pbrMetallicRoughness.baseColorTexture.index)].source)];
}

TColor32 Texel(const tinygltf::Image& image, double u, double v)
{
    const int x = std::clamp(int(u * image.width), 0, image.width - 1);
    const int y = std::clamp(int(v * image.height), 0, image.height - 1);
    const unsigned char* p = &image.image[size_t(y * image.width + x) * 4];
    return Color32(p[0], p[1], p[2], p[3]);
}

} // namespace

TEST(Glb, ABookIsGltfWithItsAtlasItsMaterialsAndItsSizeInMetres)
{
    TBitmap32 front = Ramp(200, 300), side = Ramp(30, 300);
    const TComposedCover cover = ComposeCover(btBookCover, front, side, nullptr);
    TCoverRenderSettings settings;
    settings.Type = btBookCover;
    TPhotoLook look;
    look.Gloss = 80;
    const TLoaded l = Load(CoverGlb(cover, settings, look));
    ASSERT_TRUE(l.Error.empty()) << l.Error;
    const tinygltf::Model& m = l.Model;
    EXPECT_EQ(m.asset.version, "2.0");
    ASSERT_EQ(m.meshes.size(), 1u);
    ASSERT_EQ(m.nodes.size(), 1u);
    EXPECT_EQ(m.nodes[0].mesh, 0);

    // The printed cover and the page block, each with all three attributes.
    ASSERT_EQ(m.meshes[0].primitives.size(), 2u);
    for (const auto& prim : m.meshes[0].primitives) {
        for (const char* attribute : {"POSITION", "NORMAL", "TEXCOORD_0"})
            EXPECT_TRUE(prim.attributes.count(attribute)) << attribute;
        EXPECT_GE(prim.material, 0);
    }
    const tinygltf::Material* print = MaterialNamed(m, "Cover print");
    const tinygltf::Material* pages = MaterialNamed(m, "Page block");
    ASSERT_TRUE(print && pages);
    // Gloss 80 of the photo: GGX roughness 0.65 - 0.57 x 0.8, a dielectric; the paper edges rougher
    // and less reflective (an index of refraction below glTF's 1.5).
    EXPECT_NEAR(print->pbrMetallicRoughness.roughnessFactor, 0.194, 1e-4);
    EXPECT_EQ(print->pbrMetallicRoughness.metallicFactor, 0.0);
    EXPECT_EQ(print->alphaMode, "OPAQUE");
    EXPECT_NEAR(pages->pbrMetallicRoughness.roughnessFactor, 0.9, 1e-6);
    ASSERT_TRUE(pages->extensions.count("KHR_materials_ior"));
    EXPECT_NEAR(pages->extensions.at("KHR_materials_ior").Get("ior").GetNumberAsDouble(), 1.330, 0.001);

    // The embedded picture decodes to the atlas, pixel for pixel.
    ASSERT_GE(print->pbrMetallicRoughness.baseColorTexture.index, 0);
    const tinygltf::Image& image = ImageOf(m, *print);
    EXPECT_EQ(image.mimeType, "image/png");
    EXPECT_GE(image.bufferView, 0); // in the file's binary chunk, not beside it
    ASSERT_EQ(QSize(image.width, image.height), cover.Atlas.Size());
    ASSERT_EQ(image.component, 4);
    int differing = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const TColor32 want = cover.Atlas.Pixel(x, y);
            differing += Texel(image, (x + 0.5) / image.width, (y + 0.5) / image.height) !=
                         Color32(RedOf(want), GreenOf(want), BlueOf(want), 255);
        }
    EXPECT_EQ(differing, 0);

    // Metres: 0.24 m high from y = 0, as wide and deep as the faces' proportions, centred; the
    // accessor's bounds are the positions' own.
    const auto& prim = m.meshes[0].primitives[0];
    const tinygltf::Accessor& posAcc = m.accessors[size_t(prim.attributes.at("POSITION"))];
    const std::vector<float> pos = Floats(m, prim.attributes.at("POSITION"));
    std::array<float, 3> lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    for (size_t i = 0; i < pos.size(); ++i) {
        lo[i % 3] = std::min(lo[i % 3], pos[i]);
        hi[i % 3] = std::max(hi[i % 3], pos[i]);
    }
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_FLOAT_EQ(float(posAcc.minValues[k]), lo[k]) << k;
        EXPECT_FLOAT_EQ(float(posAcc.maxValues[k]), hi[k]) << k;
    }
    EXPECT_NEAR(lo[1], 0.0, 1e-6);
    EXPECT_NEAR(hi[1], 0.24, 1e-6);
    EXPECT_NEAR(hi[0] - lo[0], 0.24 * cover.FrontWidth / cover.FrontHeight, 1e-5);
    EXPECT_NEAR(hi[2] - lo[2], 0.24 * cover.SideWidth / cover.FrontHeight, 1e-5);
    EXPECT_NEAR(lo[0] + hi[0], 0.0, 1e-6);
    EXPECT_NEAR(lo[2] + hi[2], 0.0, 1e-6);

    // The front faces +z, and its top-left corner shows the front picture's top-left pixel: the
    // texture coordinates run down the picture as glTF's do.
    const std::vector<float> normal = Floats(m, prim.attributes.at("NORMAL"));
    const std::vector<float> uv = Floats(m, prim.attributes.at("TEXCOORD_0"));
    int corners = 0;
    for (size_t v = 0; v < pos.size() / 3; ++v)
        if (normal[3 * v + 2] > 0.99f && pos[3 * v] == lo[0] && pos[3 * v + 1] == hi[1]) {
            ++corners;
            // Half a texel inwards: right and down.
            const TColor32 got = Texel(image, uv[2 * v] + 0.5 / image.width, uv[2 * v + 1] + 0.5 / image.height);
            EXPECT_EQ(got & 0xFFFFFF, front.Pixel(0, 0) & 0xFFFFFF);
        }
    EXPECT_EQ(corners, 1);
}

// Save As's model of a book: without a back face the atlas is side | front and the back cover's
// top corner on its left seen from behind samples the front's top-left (the front mirrored); a
// back face widens the atlas by its region and shows its own top-left there.
TEST(Glb, ABooksBackCoverIsItsBackFaceOrTheFrontMirrored)
{
    QTemporaryDir dir;
    const TBitmap32 front = Ramp(200, 300), side = Ramp(30, 300);
    TBitmap32 back = Ramp(200, 300);
    for (int y = 0; y < back.Height(); ++y)
        for (int x = 0; x < back.Width(); ++x)
            back.SetPixel(x, y, back.Pixel(x, y) ^ 0x00FFFFFFu);
    TFinalSettings f;
    f.Type = btBookCover;
    for (const bool withBack : {false, true}) {
        SCOPED_TRACE(withBack);
        const QString path = dir.filePath(withBack ? "back.glb" : "plain.glb");
        SaveCoverGlb(f, front, side, TBitmap32(), path, withBack ? back : TBitmap32());
        tinygltf::Model m;
        std::string error, warn;
        ASSERT_TRUE(tinygltf::TinyGLTF().LoadBinaryFromFile(&m, &error, &warn, path.toStdString())) << error;
        const tinygltf::Material* print = MaterialNamed(m, "Cover print");
        ASSERT_TRUE(print);
        const tinygltf::Image& image = ImageOf(m, *print);
        EXPECT_EQ(QSize(image.width, image.height), QSize(withBack ? 430 : 230, 330));
        const auto& prim = m.meshes[0].primitives[0];
        const tinygltf::Accessor& posAcc = m.accessors[size_t(prim.attributes.at("POSITION"))];
        const std::vector<float> pos = Floats(m, prim.attributes.at("POSITION"));
        const std::vector<float> normal = Floats(m, prim.attributes.at("NORMAL"));
        const std::vector<float> uv = Floats(m, prim.attributes.at("TEXCOORD_0"));
        int corners = 0;
        for (size_t v = 0; v < pos.size() / 3; ++v)
            if (normal[3 * v + 2] < -0.99f && pos[3 * v] == float(posAcc.maxValues[0]) &&
                pos[3 * v + 1] == float(posAcc.maxValues[1])) {
                ++corners;
                const TColor32 got = Texel(image, uv[2 * v] + 0.5 / image.width, uv[2 * v + 1] + 0.5 / image.height);
                EXPECT_EQ(got & 0xFFFFFF, (withBack ? back : front).Pixel(0, 0) & 0xFFFFFF);
            }
        EXPECT_EQ(corners, 1);
    }
}

TEST(Glb, EveryTypeStandsOnTheFloorWithItsOwnParts)
{
    // type -> the parts it has beyond the print or insert
    const std::map<TBookType, std::vector<std::string>> parts{
        {btTwoSidedBox, {"Cover print"}},
        {btThreeSidedBox, {"Cover print"}},
        {btWideBox, {"Cover print"}},
        {btBookCover, {"Cover print", "Page block"}},
        {btThinBook, {"Cover print", "Page block"}},
        {btElectronicMagazine, {"Cover print", "Page block"}},
        {btSpecialReport, {"Cover print", "Page block", "Ring binding"}},
        {btCDCover, {"Case insert", "Disc"}},
    };
    ASSERT_EQ(int(parts.size()), BookTypeCount);
    for (const auto& [type, names] : parts) {
        TBitmap32 front = Ramp(120, 120), side = Ramp(20, 120), top = Ramp(120, 20);
        TCoverRenderSettings settings;
        settings.Type = type;
        const TComposedCover cover = ComposeCover(type, front, side, &top);
        const TLoaded l = Load(CoverGlb(cover, settings, {}));
        ASSERT_TRUE(l.Error.empty()) << BookTypeName(type).toStdString() << ": " << l.Error;
        const tinygltf::Model& m = l.Model;
        ASSERT_EQ(m.materials.size(), names.size()) << BookTypeName(type).toStdString();
        for (const std::string& name : names)
            EXPECT_TRUE(MaterialNamed(m, name)) << BookTypeName(type).toStdString() << " has no " << name;
        const auto& posAcc = m.accessors[size_t(m.meshes[0].primitives[0].attributes.at("POSITION"))];
        EXPECT_NEAR(posAcc.minValues[1], 0.0, 1e-6) << BookTypeName(type).toStdString();
        EXPECT_NEAR(posAcc.minValues[0] + posAcc.maxValues[0], 0.0, 1e-6) << BookTypeName(type).toStdString();
    }

    // The disc: metal, its print's coverage as the picture's alpha, seen from both sides.
    TBitmap32 front = Ramp(120, 120), side = Ramp(20, 120);
    TCoverRenderSettings cd;
    cd.Type = btCDCover;
    TLoaded l = Load(CoverGlb(ComposeCover(btCDCover, front, side, nullptr), cd, {}));
    const tinygltf::Material* disc = MaterialNamed(l.Model, "Disc");
    ASSERT_TRUE(disc);
    EXPECT_EQ(disc->pbrMetallicRoughness.metallicFactor, 1.0);
    EXPECT_EQ(disc->alphaMode, "BLEND");
    EXPECT_TRUE(disc->doubleSided);
    const tinygltf::Image& discImage = ImageOf(l.Model, *disc);
    EXPECT_EQ(Texel(discImage, 0.5, 0.5) >> 24, 0u) << "the hole in the middle is clear";
    EXPECT_EQ(Texel(discImage, 0.01, 0.01) >> 24, 0u) << "outside the disc is clear";
    EXPECT_GT(Texel(discImage, 0.5, 0.2) >> 24, 0u) << "the print covers the disc";

    // The ring: its steel colour as the factor, coverage only in the picture, repeated around.
    front = Ramp(120, 160);
    side = Ramp(20, 160);
    cd.Type = btSpecialReport;
    l = Load(CoverGlb(ComposeCover(btSpecialReport, front, side, nullptr), cd, {}));
    const tinygltf::Material* ring = MaterialNamed(l.Model, "Ring binding");
    ASSERT_TRUE(ring);
    EXPECT_NEAR(ring->pbrMetallicRoughness.baseColorFactor[0], 0.38, 1e-6);
    const auto& sampler = l.Model.samplers[size_t(
        l.Model.textures[size_t(ring->pbrMetallicRoughness.baseColorTexture.index)].sampler)];
    EXPECT_EQ(sampler.wrapT, TINYGLTF_TEXTURE_WRAP_REPEAT);
    const tinygltf::Material* print = MaterialNamed(l.Model, "Cover print");
    const auto& printSampler = l.Model.samplers[size_t(
        l.Model.textures[size_t(print->pbrMetallicRoughness.baseColorTexture.index)].sampler)];
    EXPECT_EQ(printSampler.wrapT, TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE);
}

TEST(Glb, AFailedSaveKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("cover.glb");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    TCoverRenderSettings settings;
    settings.Type = btBookCover;
    EXPECT_THROW(SaveCoverGlb(TBitmap32(), Ramp(20, 100), TBitmap32(), settings, {}, path), std::runtime_error);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));
    old.close();

    SaveCoverGlb(Ramp(100, 150), Ramp(20, 150), TBitmap32(), settings, {}, path);
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.read(4) == "glTF");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"cover.glb"}) << "no temporary file is left";
}
