#include "app/TurntableWebpSave.h"

#include "app/SaveFlow.h"
#include "export/TurntableWebp.h"
#include "render/D3DWin.h"
#include "render/MemoryRoom.h"
#include "ui/BusyCursor.h"

#include <QApplication>
#include <QProgressDialog>

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
    // Refused before the dialog shows, while nothing is drawn.
    writer.RequireMemory(AvailableMemory());

    QProgressDialog progress(QStringLiteral("Rendering the turntable..."), QStringLiteral("Cancel"), 0, frames, parent);
    progress.setWindowTitle(QStringLiteral("Animated WebP (turntable)"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    const TBusyCursor busy;
    const bool done = writer.Save(path, [&](const TTurntableProgress& at) {
        progress.setLabelText(QStringLiteral("Rendering frame %1 of %2...").arg(at.Index + 1).arg(at.Count));
        progress.setValue(at.Done);
        QApplication::processEvents(); // Cancel is heard between frames
        return !progress.wasCanceled();
    });
    return done && !progress.wasCanceled();
}
