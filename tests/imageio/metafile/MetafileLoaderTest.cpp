// Metafiles through the picture loader: as a face image the background comes out opaque black,
// as a layer it stays transparent. (Its refusals are in the picture loader's failure test.)
#include "MetaWriter.h"
#include "../TestPictures.h"

#include "imageio/PictureLoader.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(MetafileLoader, FaceImageIsOpaqueLayerKeepsTransparency)
{
    QTemporaryDir dir;
    const QString wmf = WriteFile(dir.filePath("box.WMF"), TWmfWriter().Brush(0, QColor(255, 0, 0)).Select(0).Pen(5, 0, Qt::black).Select(1).Rectangle(20, 20, 80, 80).File());
    const QString emf = WriteFile(dir.filePath("box.emf"), TEmfWriter().Brush(1, 0, QColor(0, 0, 255)).Select(1).Select(0x80000008).Rectangle(20, 20, 80, 80).File());
    for (const QString& path : {wmf, emf}) {
        SCOPED_TRACE(path.toStdString());
        TBitmap32 face, layer;
        LoadPictureFromFile(face, path);
        LoadPictureFile(layer, path);
        ASSERT_FALSE(face.Empty());
        ASSERT_EQ(layer.Size(), face.Size());
        const TColor32 inside = face.Pixel(50, 50);
        EXPECT_EQ(inside, path == wmf ? Color32(255, 0, 0) : Color32(0, 0, 255));
        EXPECT_EQ(layer.Pixel(50, 50), inside);
        EXPECT_EQ(face.Pixel(5, 5), Color32(0, 0, 0));
        EXPECT_EQ(AlphaOf(layer.Pixel(5, 5)), 0);
    }
}
