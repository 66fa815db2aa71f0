#include "app/PhotoTracer.h"

#include "app/TracerPriority.h"
#include "render/HeadlessPicture.h"
#include "render/MemoryRoom.h"

#include <QEventLoop>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <exception>
#include <stdexcept>

struct TPhotoTracer::TJob {
    TPhotoRequest Request;
    std::atomic<bool> Cancel{false};
};

TPhotoTracer::TPhotoTracer(QObject* parent) : QObject(parent)
{
    FPool.setMaxThreadCount(1);
    connect(&FWatcher, &QFutureWatcher<void>::finished, this, &TPhotoTracer::JobEnded);
}

TPhotoTracer::~TPhotoTracer()
{
    FWaiting.reset();
    if (FRunning)
        FRunning->Cancel = true;
    FWatcher.waitForFinished();
}

void TPhotoTracer::Start(TPhotoRequest request)
{
    if (FRunning) {
        // The worker polls the flag between tiles; the newest request starts when it has stopped.
        FRunning->Cancel = true;
        FWaiting = std::move(request);
        return;
    }
    auto job = std::make_shared<TJob>();
    job->Request = std::move(request);
    Launch(std::move(job));
}

void TPhotoTracer::Stop()
{
    FWaiting.reset();
    if (FRunning)
        FRunning->Cancel = true;
}

void TPhotoTracer::Launch(std::shared_ptr<TJob> job)
{
    FRunning = job;
    FWatcher.setFuture(QtConcurrent::run(&FPool, [this, job] {
        // Pictures travel as events to this object's thread, in order, before the watcher's end.
        const auto deliver = [this, job](std::shared_ptr<const TBitmap32> picture, TPhotoProgress progress) {
            QMetaObject::invokeMethod(this, [this, job, picture = std::move(picture), progress] {
                if (job == FRunning && !job->Cancel)
                    emit PassReady(picture, progress);
            }, Qt::QueuedConnection);
        };
        LowerTracerPriority();
        try {
            const TPhotoScene scene = BuildRequestedScene(job->Request);
            // Refused before it is traced: running out would end the program with the user's work in it.
            RequirePhotoMemory(QSize(scene.Camera.Width, scene.Camera.Height), AvailableMemory(), QStringLiteral("width"));
            TPhotoOptions options;
            options.Samples = RequestedSamples(job->Request);
            options.Cancel = &job->Cancel;
            RenderPhoto(scene, options, [&](const TPhotoProgress& progress, const TBitmap32& picture) {
                if (job->Cancel)
                    return false;
                deliver(std::make_shared<const TBitmap32>(picture), progress);
                return true;
            });
        } catch (const std::exception& e) {
            const QString message = QString::fromUtf8(e.what());
            QMetaObject::invokeMethod(this, [this, job, message] {
                if (job == FRunning && !job->Cancel)
                    emit Failed(message);
            }, Qt::QueuedConnection);
        }
    }));
}

void TPhotoTracer::JobEnded()
{
    FRunning.reset();
    if (FWaiting) {
        auto job = std::make_shared<TJob>();
        job->Request = std::move(*FWaiting);
        FWaiting.reset();
        Launch(std::move(job));
        return;
    }
    emit Idle();
}

std::optional<TBitmap32> TPhotoTracer::TraceAndWait(TPhotoRequest request)
{
    std::shared_ptr<const TBitmap32> finished;
    QString failure;
    QEventLoop loop;
    const auto pass = connect(this, &TPhotoTracer::PassReady, &loop,
                              [&](std::shared_ptr<const TBitmap32> picture, const TPhotoProgress& progress) {
                                  if (progress.Last)
                                      finished = std::move(picture);
                              });
    const auto failed = connect(this, &TPhotoTracer::Failed, &loop, [&](const QString& message) { failure = message; });
    connect(this, &TPhotoTracer::Idle, &loop, &QEventLoop::quit);
    Start(std::move(request));
    loop.exec();
    disconnect(pass);
    disconnect(failed);
    if (!failure.isEmpty())
        throw std::runtime_error(failure.toStdString());
    if (!finished)
        return std::nullopt;
    return *finished;
}
