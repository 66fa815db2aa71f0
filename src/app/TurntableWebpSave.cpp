#include "app/TurntableWebpSave.h"

#include "app/SaveFlow.h"
#include "app/TurntableSave.h"
#include "export/TurntableWebp.h"
#include "render/D3DWin.h"

bool SaveTurntableWebp(QWidget* parent, TD3DWin& view, int frames, QSize size, bool transparent, const QString& path)
{
    const TSavedPictureLook look(view, transparent);
    TTurntableWebp settings;
    settings.Frames = frames;
    settings.Size = size;
    settings.Transparent = transparent;
    TTurntableWebpWriter writer(view, settings, [&view](int count, QSize frameSize, const TTurnFrameDone& frameDone) {
        return view.RenderTurntableOffscreen(count, frameSize, frameDone);
    });
    return SaveTurntableWithProgress(parent, writer, QStringLiteral("Animated WebP (turntable)"), frames, path);
}
