#include "app/TurntableSave.h"

#include "app/SaveFlow.h"
#include "imageio/GifAnimation.h"
#include "imageio/ProductName.h"
#include "render/D3DWin.h"

#include <QApplication>
#include <QProgressDialog>
#include <cmath>

bool SaveTurntable(QWidget* parent, TD3DWin& view, int frames, QSize size, bool transparent, const QString& path)
{
    QProgressDialog progress(QStringLiteral("Rendering the turntable..."), QStringLiteral("Cancel"), 0, frames, parent);
    progress.setWindowTitle(QStringLiteral("Animated GIF (turntable)"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    TGifAnimation animation;
    if (transparent)
        animation.SetTransparentBackground(view.FBackColor);
    animation.SetComment(QByteArray("produced by ") + ProductNameVersion);
    const int delay = std::max(2, int(std::lround(400.0 / frames)));

    const TSavedPictureLook look(view, transparent);
    const bool done = view.RenderTurntableOffscreen(frames, size, [&](int index, const TBitmap32& frame) {
        animation.AddFrame(frame, delay);
        progress.setValue(index + 1);
        progress.setLabelText(QStringLiteral("Rendering frame %1 of %2...").arg(index + 1).arg(frames));
        QApplication::processEvents(); // the window stays responsive and Cancel is heard
        return !progress.wasCanceled();
    });
    if (!done || progress.wasCanceled())
        return false;
    progress.setLabelText(QStringLiteral("Writing %1...").arg(path));
    QApplication::processEvents();
    animation.SaveToFile(path);
    return true;
}
