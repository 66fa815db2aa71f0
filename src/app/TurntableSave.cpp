#include "app/TurntableSave.h"

#include "app/SaveFlow.h"
#include "render/D3DWin.h"
#include "render/MemoryRoom.h"
#include "render/TurntableGif.h"
#include "ui/BusyCursor.h"

#include <QApplication>
#include <QProgressDialog>

bool SaveTurntable(QWidget* parent, TD3DWin& view, int frames, QSize size, bool transparent, const QString& path)
{
    const TSavedPictureLook look(view, transparent);
    TTurntableGif settings;
    settings.Frames = frames;
    settings.Size = size;
    settings.Transparent = transparent;
    settings.Background = view.FBackColor;
    TTurntableGifWriter writer(view, settings, [&view](int count, QSize frameSize, const TTurnFrameDone& frameDone) {
        return view.RenderTurntableOffscreen(count, frameSize, frameDone);
    });
    // Refused before the dialog shows, while nothing is drawn: a turntable too large for memory
    // would otherwise end the program with the user's work in it.
    writer.RequireMemory(AvailableMemory());

    QProgressDialog progress(QStringLiteral("Rendering the turntable..."), QStringLiteral("Cancel"), 0, 2 * frames, parent);
    progress.setWindowTitle(QStringLiteral("Animated GIF (turntable)"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    const TBusyCursor busy;
    // Every frame is written as soon as it is drawn; a cancel drops the unfinished file.
    const bool done = writer.Save(path, [&](const TTurntableProgress& at) {
        progress.setLabelText(at.Sampling ? QStringLiteral("Choosing the colours (%1 of %2)...").arg(at.Index + 1).arg(at.Count)
                                          : QStringLiteral("Rendering frame %1 of %2...").arg(at.Index + 1).arg(at.Count));
        progress.setValue(at.Done); // a modal dialog lets events run here: the label first
        QApplication::processEvents(); // the window stays responsive and Cancel is heard
        return !progress.wasCanceled();
    });
    return done && !progress.wasCanceled();
}
