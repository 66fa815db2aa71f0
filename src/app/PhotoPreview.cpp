#include "app/PhotoPreview.h"

#include "app/PhotoTracer.h"

#include <QLabel>
#include <QPainter>

TPhotoPreview::TPhotoPreview(QWidget* parent, QLabel* status)
    : QWidget(parent), FTracer(new TPhotoTracer(this)), FStatus(status)
{
    setObjectName("PhotoPreview");
    setAttribute(Qt::WA_TransparentForMouseEvents); // the 3D view below turns and zooms the cover
    connect(FTracer, &TPhotoTracer::PassReady, this, &TPhotoPreview::ShowPass);
    connect(FTracer, &TPhotoTracer::Failed, this, [this](const QString& message) {
        FStatus->setText(message);
        FRequest.reset(); // the next change tries again
    });
}

TPhotoPreview::~TPhotoPreview() = default;

void TPhotoPreview::Trace(const TPhotoRequest& request)
{
    if (FRequest && SamePhoto(*FRequest, request))
        return;
    FRequest = request;
    FFinished = false;
    FStatus->setText(QStringLiteral("Tracing the photo..."));
    FTracer->Start(request);
}

void TPhotoPreview::Stop()
{
    FTracer->Stop();
    FRequest.reset();
    FPicture.reset();
    FSamplesShown = 0;
    FFinished = false;
    FStatus->clear();
}

void TPhotoPreview::Pause()
{
    FTracer->Stop();
    FRequest.reset();
}

void TPhotoPreview::ShowPass(std::shared_ptr<const TBitmap32> picture, const TPhotoProgress& progress)
{
    FPicture = std::move(picture);
    FSamplesShown = progress.SamplesDone;
    FFinished = progress.Last;
    FStatus->setText(progress.Last ? QStringLiteral("Photo: %1 samples per pixel").arg(progress.SamplesDone)
                                   : QStringLiteral("Refining the photo: %1 of %2 samples per pixel...")
                                         .arg(progress.SamplesDone)
                                         .arg(progress.SamplesTotal));
    update();
    emit PictureShown();
}

void TPhotoPreview::paintEvent(QPaintEvent*)
{
    // Until the first pass the 3D view below shows through: the cover never vanishes.
    if (!FPicture || FPicture->Empty())
        return;
    QPainter painter(this);
    // Traced in device pixels; an older pass of another size is stretched until the next comes.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), FPicture->ConstImageView());
}
