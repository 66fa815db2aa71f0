// `tavlo render` writing the web shop's files: a GLB that tinygltf loads, with the atlas of the
// faces given and the gloss asked for; a WebP turntable of the frames asked for with its alpha;
// and an output the turntable cannot be written as refused as wrong usage.
#include "render/HeadlessContext.h"
#include "render/scene/ComposedCover.h"

#include "DecodeWebp.h"
#include "common/RequireGL.h"
#include "common/RunTavlo.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tiny_gltf.h>

TEST(CliExport, RenderWritesTheModelAndTheWebpTurntable)
{
    QTemporaryDir dir;
    const QString front = dir.filePath("front.bmp"), side = dir.filePath("side.bmp");
    ASSERT_TRUE(Striped(240, 360, QColor(190, 50, 40), 9).save(front));
    ASSERT_TRUE(Striped(36, 360, QColor(40, 60, 170), 9).save(side));
    const QStringList faces{"render", "--front", front, "--side", side, "--type", "Book Cover"};

    const QString glb = dir.filePath("book.glb");
    TRun run = RunTavlo(faces + QStringList{"--gloss", "0", "-o", glb});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    tinygltf::Model model;
    std::string error, warning;
    tinygltf::TinyGLTF loader;
    ASSERT_TRUE(loader.LoadBinaryFromFile(&model, &error, &warning, glb.toStdString())) << error;
    ASSERT_EQ(model.meshes.size(), 1u);
    ASSERT_FALSE(model.materials.empty());
    EXPECT_NEAR(model.materials[0].pbrMetallicRoughness.roughnessFactor, 0.65, 1e-6); // matte print
    ASSERT_EQ(model.images.size(), 1u);
    // The atlas the faces compose to, embedded as it is.
    TBitmap32 f, s;
    f.Assign(QImage(front));
    s.Assign(QImage(side));
    const TComposedCover cover = ComposeCover(btBookCover, f, s, nullptr);
    ASSERT_EQ(QSize(model.images[0].width, model.images[0].height), cover.Atlas.Size());
    int differing = 0;
    for (int y = 0; y < cover.Atlas.Height(); ++y)
        for (int x = 0; x < cover.Atlas.Width(); ++x) {
            const unsigned char* p = &model.images[0].image[size_t(y * cover.Atlas.Width() + x) * 4];
            differing += (Color32(p[0], p[1], p[2]) & 0xFFFFFF) != (cover.Atlas.Pixel(x, y) & 0xFFFFFF);
        }
    EXPECT_EQ(differing, 0);

    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    const QString webp = dir.filePath("turn.webp");
    run = RunTavlo(faces + QStringList{"--size", "200x150", "--turntable", "6", "--transparent", "-o", webp});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.startsWith("Wrote ")) << run.Out.toStdString();
    QFile file(webp);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const TDecodedWebp decoded = DecodeWebp(file.readAll());
    ASSERT_TRUE(decoded.Ok);
    EXPECT_EQ(decoded.Frames.size(), 6u);
    EXPECT_EQ(decoded.Width, 200);
    EXPECT_EQ(AlphaOf(decoded.Frames[0].Pixel(0, 0)), 0) << "the background is clear";

    run = RunTavlo(faces + QStringList{"--turntable", "6", "-o", dir.filePath("turn.png")});
    EXPECT_EQ(run.Exit, 2);
    EXPECT_TRUE(run.Err.contains(".gif or .webp")) << run.Err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("turn.png")));
}
