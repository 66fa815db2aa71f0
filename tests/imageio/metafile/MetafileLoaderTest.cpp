// Metafiles through the picture loader: as a face image the background comes out opaque black,
// as a layer it stays transparent.
#include "MetaWriter.h"

#include "imageio/PictureLoader.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
}

std::string LoadError(TBitmap32& target, const QString& path, bool asLayer)
{
    try {
        asLayer ? LoadPictureFile(target, path) : LoadPictureFromFile(target, path);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(MetafileLoader, FaceImageIsOpaqueLayerKeepsTransparency)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wmf = WriteFile(dir, "box.WMF",
                                  TWmfWriter().Brush(0, QColor(255, 0, 0)).Select(0).Pen(5, 0, Qt::black).Select(1)
                                      .Rectangle(20, 20, 80, 80).File());
    const QString emf = WriteFile(dir, "box.emf",
                                  TEmfWriter(QRect(0, 0, 2540, 2540)).Brush(1, 0, QColor(0, 0, 255)).Select(1)
                                      .Select(0x80000008).Rectangle(20, 20, 80, 80).File());
    for (const QString& path : {wmf, emf}) {
        SCOPED_TRACE(path.toStdString());
        TBitmap32 face;
        LoadPictureFromFile(face, path);
        TBitmap32 layer;
        LoadPictureFile(layer, path);
        ASSERT_FALSE(face.Empty());
        ASSERT_EQ(layer.Size(), face.Size());
        const TColor32 inside = face.Pixel(50, 50);
        EXPECT_EQ(AlphaOf(inside), 255);
        EXPECT_TRUE(RedOf(inside) == 255 || BlueOf(inside) == 255);
        EXPECT_EQ(layer.Pixel(50, 50), inside);
        EXPECT_EQ(face.Pixel(5, 5), Color32(0, 0, 0));
        EXPECT_EQ(AlphaOf(layer.Pixel(5, 5)), 0);
    }

    // Bytes that are no metafile: the loader's message, the target untouched.
    const QString fake = WriteFile(dir, "fake.emf", "not a metafile, just text");
    TBitmap32 kept(3, 2);
    kept.Clear(Color32(1, 2, 3));
    EXPECT_EQ(LoadError(kept, fake, false), "fake.emf\r\nMetafile is not valid");
    EXPECT_EQ(LoadError(kept, fake, true), "fake.emf\r\nMetafile is not valid");
    EXPECT_EQ(kept.Size(), QSize(3, 2));
    EXPECT_EQ(kept.Pixel(2, 1), Color32(1, 2, 3));
}
