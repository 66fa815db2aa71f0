#include "export/CoverGlb.h"

#include "export/GlbModel.h"
#include "project/Project.h"

#include <QSaveFile>
#include <memory>
#include <stdexcept>

double FrontHeightMetres(TBookType type) { return type == btCDCover ? 0.125 : 0.24; }

QByteArray CoverGlb(const TComposedCover& cover, const TCoverRenderSettings& settings, const TPhotoLook& look)
{
    TCoverRenderSettings s = settings;
    s.AngleX = 0;
    s.AngleY = 0; // the front faces +z
    // A whole view far taller than wide: the box is never shrunk to fit it, so its front is
    // exactly FrontHeight / FrontWidth high for a width of 1.
    s.Crop = false;
    s.Width = 1;
    s.Height = 8192;
    s.ViewWidth = s.ViewHeight = 0;
    const TPhotoScene scene = BuildPhotoScene(cover, s, look);
    const double frontHeight = BoxProportionsFor(cover.FrontWidth, cover.FrontHeight, cover.SideWidth).Y;
    return EncodeGlb(scene, StandOnFloor(scene.Mesh, frontHeight, FrontHeightMetres(s.Type)));
}

void SaveCoverGlb(TBitmap32 front, TBitmap32 side, TBitmap32 top, const TCoverRenderSettings& settings,
                  const TPhotoLook& look, const QString& path)
{
    const TComposedCover cover = ComposeCover(settings.Type, front, side, top.Empty() ? nullptr : &top, settings.Back.get());
    const QByteArray bytes = CoverGlb(cover, settings, look);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(QStringLiteral("Cannot create file %1").arg(path).toStdString());
}

void SaveCoverGlb(const TFinalSettings& f, const TBitmap32& front, const TBitmap32& side, const TBitmap32& top,
                  const QString& path, const TBitmap32& back)
{
    TCoverRenderSettings s;
    s.Type = f.Type;
    if (!back.Empty())
        s.Back = std::make_shared<const TBitmap32>(back);
    s.CDPosition = float(f.CDPosition / 100.0);
    TPhotoLook look;
    look.Gloss = f.Gloss;
    SaveCoverGlb(front, side, top, s, look, path);
}
