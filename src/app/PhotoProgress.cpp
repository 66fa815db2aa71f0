#include "app/PhotoProgress.h"

#include "app/PhotoTracer.h"
#include "ui/BusyCursor.h"

#include <QProgressDialog>

std::optional<TBitmap32> TracePhotoModal(QWidget* parent, const TPhotoRequest& request)
{
    const int samples = RequestedSamples(request);
    QProgressDialog progress(QStringLiteral("Tracing the photo..."), QStringLiteral("Cancel"), 0, samples, parent);
    progress.setWindowTitle(QStringLiteral("Photo"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);
    TPhotoTracer tracer;
    QObject::connect(&progress, &QProgressDialog::canceled, &tracer, &TPhotoTracer::Stop);
    QObject::connect(&tracer, &TPhotoTracer::PassReady, &progress,
                     [&progress](const std::shared_ptr<const TBitmap32>&, const TPhotoProgress& at) {
                         progress.setLabelText(
                             QStringLiteral("Tracing the photo: %1 of %2 samples per pixel...").arg(at.SamplesDone).arg(at.SamplesTotal));
                         progress.setValue(at.Last ? progress.maximum() : std::min(at.SamplesDone, progress.maximum() - 1));
                     });
    const TBusyCursor busy;
    std::optional<TBitmap32> picture = tracer.TraceAndWait(request);
    if (progress.wasCanceled())
        return std::nullopt; // a picture finished as Cancel was pressed is not used either
    return picture;
}
