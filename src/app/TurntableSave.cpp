#include "app/TurntableSave.h"

#include "app/PhotoTracer.h"
#include "app/SaveFlow.h"
#include "render/D3DWin.h"
#include "render/MemoryRoom.h"
#include "render/TurntableGif.h"
#include "ui/BusyCursor.h"

#include <QApplication>
#include <QProgressDialog>

namespace {
// Frames of a traced turn: each one a photo at its angle, all framed alike, `size` exactly.
TTurnRenderer TracedTurn(TPhotoTracer& tracer, const TPhotoRequest& photo, bool transparent)
{
    return [&tracer, photo, transparent](int count, QSize size, const TTurnFrameDone& frameDone) {
        TPhotoRequest frame = photo;
        frame.Settings.Crop = true;
        frame.Settings.Width = size.width();
        frame.Settings.Height = size.height();
        frame.Settings.Transparent = transparent;
        frame.Camera = PhotoTurntableCamera(frame, count, size);
        const float start = photo.Settings.AngleY.value_or(0);
        for (int k = 0; k < count; ++k) {
            frame.Settings.AngleY = start + 360.0f * float(k) / float(count);
            const std::optional<TBitmap32> picture = tracer.TraceAndWait(frame);
            if (!picture || !frameDone(k, *picture))
                return false;
        }
        return true;
    };
}
} // namespace

bool SaveTurntable(QWidget* parent, TD3DWin& view, int frames, QSize size, bool transparent, const QString& path,
                   const TPhotoRequest* photo)
{
    const TSavedPictureLook look(view, transparent);
    TTurntableGif settings;
    settings.Frames = frames;
    settings.Size = size;
    settings.Transparent = transparent;
    settings.Background = view.FBackColor;
    TPhotoTracer tracer;
    TTurnRenderer render = [&view](int count, QSize frameSize, const TTurnFrameDone& frameDone) {
        return view.RenderTurntableOffscreen(count, frameSize, frameDone);
    };
    if (photo)
        render = TracedTurn(tracer, *photo, transparent);
    TTurntableGifWriter writer(view, settings, render);
    return SaveTurntableWithProgress(parent, writer, QStringLiteral("Animated GIF (turntable)"), 2 * frames, path,
                                     [&tracer] { tracer.Stop(); });
}

bool SaveTurntableWithProgress(QWidget* parent, TTurntableWriter& writer, const QString& title, int steps,
                               const QString& path, const std::function<void()>& stop)
{
    // Refused before the dialog shows, while nothing is drawn: a turntable too large for memory
    // would otherwise end the program with the user's work in it.
    writer.RequireMemory(AvailableMemory());

    QProgressDialog progress(QStringLiteral("Rendering the turntable..."), QStringLiteral("Cancel"), 0, steps, parent);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    if (stop)
        QObject::connect(&progress, &QProgressDialog::canceled, stop);
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
