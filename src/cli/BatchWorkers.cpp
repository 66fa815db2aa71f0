#include "BatchWorkers.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// How long stopped workers get to end before they are killed.
constexpr int StopGraceMs = 5000;

// The child's own message, without its program prefix and the usage hint.
QString ChildMessage(QProcess& p)
{
    QString text = QString::fromUtf8(p.readAllStandardError()).trimmed();
    text.remove(QRegularExpression("\n?'tavlo render --help' lists the options\\.$"));
    text.replace("tavlo render: ", QString());
    if (p.error() == QProcess::FailedToStart || p.exitStatus() != QProcess::NormalExit)
        return QString("the renderer stopped (%1)").arg(p.errorString());
    return text.isEmpty() ? QString("the renderer failed with status %1").arg(p.exitCode()) : text.replace('\n', ' ');
}

// Where the file system has no unnamed temporary files (some network file systems), QSaveFile
// writes "<output>.XXXXXX" beside the output, and a worker ended mid-write leaves it behind.
void RemoveUnfinishedSave(const QString& output, const QDateTime& started)
{
    const QFileInfo target(output);
    static const QRegularExpression random("^[A-Za-z0-9]{6}$");
    const QFileInfoList files = target.absoluteDir().entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files) {
        const QString name = file.fileName();
        if (name.size() == target.fileName().size() + 7 && name.startsWith(target.fileName() + u'.')
            && random.match(name.right(6)).hasMatch() && file.lastModified() >= started)
            QFile::remove(file.filePath());
    }
}

// Size and time of a file, to tell whether a worker replaced it.
QString Stamp(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() ? QStringLiteral("%1 %2").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch()) : QString();
}

} // namespace

TBatchWorkers::TBatchWorkers(int count, TDone done)
    : FCount(std::max(1, count)), FDone(std::move(done)), FEnvironment(QProcessEnvironment::systemEnvironment())
{
    // llvmpipe and the photo's tracer each start a thread per core in every worker; N workers on
    // N cores would then run N times too many. The user's own setting wins.
    const QString share = QString::number(std::max(1, QThread::idealThreadCount() / FCount));
    for (const char* name : {"LP_NUM_THREADS", "TAVLO_PHOTO_THREADS"})
        if (!FEnvironment.contains(name))
            FEnvironment.insert(name, share);
}

TBatchWorkers::~TBatchWorkers() { Stop(); }

void TBatchWorkers::Start(const TBatchJob& job)
{
    QDir().mkpath(QFileInfo(job.Output).absolutePath());
    auto* p = new QProcess;
    p->setProgram(QCoreApplication::applicationFilePath());
    p->setArguments(QStringList{"render"} + job.RenderArgs + QStringList{"-o", job.Output});
    p->setProcessEnvironment(FEnvironment);
    p->setStandardOutputFile(QProcess::nullDevice());
    const pid_t batch = ::getpid();
    p->setChildProcessModifier([batch] {
        // Killed with the batch, whatever kills it; if it died before this line, end now.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != batch)
            ::_exit(127);
    });
    QObject::connect(p, &QProcess::finished, p, [this, p] { Ended(p); });
    QObject::connect(p, &QProcess::errorOccurred, p, [this, p](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            Ended(p);
    });
    // Two seconds of slack: the file times of some file systems are that coarse.
    FRunning.push_back({p, &job, QDateTime::currentDateTime().addSecs(-2), Stamp(job.Output)});
    p->start();
}

void TBatchWorkers::Ended(QProcess* p)
{
    const auto it = std::find_if(FRunning.begin(), FRunning.end(), [p](const TRunning& r) { return r.Process == p; });
    if (it == FRunning.end())
        return;
    const TRunning running = *it;
    FRunning.erase(it);
    p->deleteLater();

    TWorkerResult result;
    const bool succeeded = p->error() != QProcess::FailedToStart && p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
    // The save is atomic: a worker ended after it replaced the output (stopped while it shut its
    // renderer down, say) has written it whole.
    const QString after = Stamp(running.Job->Output);
    if (succeeded || (!after.isEmpty() && after != running.OutputBefore)) {
        result.Status = TWorkerResult::Written;
    } else {
        RemoveUnfinishedSave(running.Job->Output, running.Started);
        result.Status = FStopping ? TWorkerResult::Stopped : TWorkerResult::Failed;
        if (!FStopping)
            result.Message = ChildMessage(*p);
    }
    FDone(*running.Job, result);
}

void TBatchWorkers::Stop()
{
    FStopping = true;
    std::vector<QProcess*> processes;
    for (const TRunning& r : FRunning)
        processes.push_back(r.Process);
    for (QProcess* p : processes)
        p->terminate();
    const QDeadlineTimer grace(StopGraceMs);
    for (QProcess* p : processes) {
        if (p->state() != QProcess::NotRunning && !p->waitForFinished(int(std::max<qint64>(1, grace.remainingTime())))) {
            p->kill();
            p->waitForFinished(StopGraceMs);
        }
        Ended(p); // a no-op for one whose end was already reported
    }
}
