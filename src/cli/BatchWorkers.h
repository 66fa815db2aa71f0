#pragma once
// The worker processes of `tavlo batch`: one `tavlo render` per job, writing its output through
// one atomic save at the output's own name, so a crash costs one row and never an old picture.
// Workers die with the batch even when it is killed outright, and each one's software renderer
// and photo tracer get its share of the cores, so N workers do not fight over threads.

#include "BatchJobs.h"

#include <QDateTime>
#include <QProcessEnvironment>
#include <functional>
#include <vector>

class QProcess;

struct TWorkerResult {
    enum TStatus { Written, Failed, Stopped } Status = Failed;
    QString Message; // why it failed, in the renderer's words
};

class TBatchWorkers {
public:
    using TDone = std::function<void(const TBatchJob& job, const TWorkerResult& result)>;

    // At most `count` workers at once; done is called on the event loop as each one ends.
    TBatchWorkers(int count, TDone done);
    ~TBatchWorkers();
    TBatchWorkers(const TBatchWorkers&) = delete;
    TBatchWorkers& operator=(const TBatchWorkers&) = delete;

    bool HasRoom() const { return int(FRunning.size()) < FCount && !FStopping; }
    bool Idle() const { return FRunning.empty(); }
    // The job must live until its done call.
    void Start(const TBatchJob& job);
    // Ends every worker (SIGTERM, SIGKILL after a grace time) and waits for each; their jobs are
    // reported Stopped, or Written when one finished just then. Starts no more afterwards.
    void Stop();

private:
    struct TRunning {
        QProcess* Process;
        const TBatchJob* Job;
        QDateTime Started;
        QString OutputBefore; // the output's size and time when the worker started
    };
    void Ended(QProcess* process);

    int FCount;
    TDone FDone;
    QProcessEnvironment FEnvironment;
    std::vector<TRunning> FRunning;
    bool FStopping = false;
};
