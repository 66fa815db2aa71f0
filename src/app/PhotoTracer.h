#pragma once
// Traces photos on a worker thread, one at a time, so the window never waits for the path
// tracer: every pass's picture comes back to the owner's thread as a signal. Starting another
// trace cancels the one under way; only the latest request is kept, so a run of changes (a drag)
// costs one trace, not one per change.

#include "app/PhotoRequest.h"
#include "render/photo/PhotoRenderer.h"

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <memory>
#include <optional>

class TPhotoTracer : public QObject {
    Q_OBJECT
public:
    explicit TPhotoTracer(QObject* parent = nullptr);
    // Cancels the trace under way and waits for the worker to let go.
    ~TPhotoTracer() override;

    // Traces request, after cancelling the trace under way.
    void Start(TPhotoRequest request);
    // Cancels the trace under way and any waiting; Idle follows when the worker has stopped.
    void Stop();
    bool Busy() const { return FRunning != nullptr; }

    // Traces request while a local event loop runs (the window stays responsive) and answers the
    // finished picture, or nothing when Stop() cancelled it. Throws std::runtime_error with the
    // message for the user when the scene cannot be traced.
    std::optional<TBitmap32> TraceAndWait(TPhotoRequest request);

signals:
    // A pass is done; progress.Last marks the finished picture.
    void PassReady(std::shared_ptr<const TBitmap32> picture, const TPhotoProgress& progress);
    void Failed(const QString& message);
    // No trace runs and none waits.
    void Idle();

private:
    struct TJob;
    void Launch(std::shared_ptr<TJob> job);
    void JobEnded();

    QThreadPool FPool; // one worker: the tracer itself runs on every core
    QFutureWatcher<void> FWatcher;
    std::shared_ptr<TJob> FRunning;
    std::optional<TPhotoRequest> FWaiting;
};
