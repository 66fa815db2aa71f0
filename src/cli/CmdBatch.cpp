// `tavlo batch`: many `tavlo render` jobs from one CSV file, several at a time, resumable and
// splittable across machines.
#include "CliCommand.h"
#include "CliOptions.h"

#include "BatchJobs.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <deque>
#include <unistd.h>

namespace {

const char* HelpText =
    "Usage: tavlo batch JOBS.csv [-j N] [--force] [--shard K/N]\n"
    "\n"
    "Renders every row of a CSV file as `tavlo render` would. The first line names the columns:\n"
    "  output                  the picture to write (required; its folder is made when missing)\n"
    "  project | template | front, side, top   what to render, as in `tavlo render`\n"
    "  any other `tavlo render` option without its dashes: type, size, angle-x, angle-y,\n"
    "  light-elevation, light-azimuth, shadow-strength, zoom, background, passes, cd-position;\n"
    "  shadow, no-shadow, smooth, no-crop take yes/no (1/0, true/false).\n"
    "Empty cells are left out. Relative paths are taken from the CSV file's folder. Fields may be\n"
    "quoted with \"...\" (\"\" inside for a quote), so names may hold commas.\n"
    "\n"
    "  -j, --jobs N            renders at once (default: the number of cores)\n"
    "  --force                 render every row; otherwise a row whose output exists and is newer\n"
    "                          than its input files is skipped, so an interrupted batch resumes\n"
    "  --shard K/N             only rows K, K+N, K+2N, ... (rows counted from 0 below the header),\n"
    "                          to spread one catalogue over N machines or job-array tasks\n"
    "\n"
    "Shows a progress bar on a terminal and one line per job otherwise, then a summary. A row that\n"
    "fails is reported with its line number and the others go on. Each picture is written under a\n"
    "temporary name and renamed when complete.\n"
    "Exit status: 0 all rendered or up to date, 1 a row failed, 2 wrong usage or unreadable CSV.";

struct TUsage {
    QString Message;
};

struct TRunning {
    QProcess* Process;
    const TBatchJob* Job;
};

class TBatchRun {
public:
    TBatchRun(QTextStream& out, QTextStream& err, int total, bool terminal)
        : FOut(out), FErr(err), FTotal(total), FTerminal(terminal)
    {
    }

    void Skipped(const TBatchJob& job)
    {
        ++FSkipped;
        Report(QString("line %1: up to date, skipped %2").arg(job.Line).arg(job.Output));
    }
    void Finished(const TBatchJob& job, bool ok, const QString& message)
    {
        if (ok) {
            ++FDone;
            Report(QString("line %1: wrote %2").arg(job.Line).arg(job.Output));
        } else {
            FFailedLines << QString::number(job.Line);
            ClearBar();
            FErr << "tavlo batch: line " << job.Line << ": " << message << "\n";
            FErr.flush();
            Report({});
        }
    }
    int Summary(qint64 ms)
    {
        ClearBar();
        FOut << FDone << " rendered, " << FSkipped << " up to date, " << FFailedLines.size() << " failed";
        if (!FFailedLines.isEmpty())
            FOut << " (line" << (FFailedLines.size() > 1 ? "s " : " ") << FFailedLines.join(", ") << ")";
        FOut << " in " << QString::number(ms / 1000.0, 'f', 1) << " s.\n";
        FOut.flush();
        return FFailedLines.isEmpty() ? 0 : 1;
    }

private:
    int Count() const { return FDone + FSkipped + int(FFailedLines.size()); }
    void Report(const QString& line)
    {
        if (!FTerminal) {
            if (!line.isEmpty())
                FOut << line << "\n";
            FOut.flush();
            return;
        }
        constexpr int Width = 30;
        const int filled = FTotal ? Count() * Width / FTotal : Width;
        FOut << "\r[" << QString(filled, '#') << QString(Width - filled, ' ') << "] " << Count() << "/" << FTotal
             << "  failed " << FFailedLines.size();
        FOut.flush();
    }
    void ClearBar()
    {
        if (FTerminal) {
            FOut << "\r" << QString(70, ' ') << "\r";
            FOut.flush();
        }
    }

    QTextStream& FOut;
    QTextStream& FErr;
    int FTotal;
    bool FTerminal;
    int FDone = 0, FSkipped = 0;
    QStringList FFailedLines;
};

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

int Run(const QStringList& args, QTextStream& out, QTextStream& err)
{
    try {
        QString jobsFile;
        int workers = std::max(1, QThread::idealThreadCount());
        bool force = false;
        int shard = 0, shards = 1;
        for (int i = 0; i < args.size(); ++i) {
            const QString& a = args[i];
            auto value = [&]() -> QString {
                if (i + 1 >= args.size())
                    throw TCliUsageError(QString("missing value after '%1'").arg(a));
                return args[++i];
            };
            if (a == "-j" || a == "--jobs") {
                bool ok = false;
                workers = value().toInt(&ok);
                if (!ok || workers < 1 || workers > 256)
                    throw TUsage{"-j wants a number of jobs from 1 to 256."};
            } else if (a == "--force") {
                force = true;
            } else if (a == "--shard") {
                const QStringList parts = value().split('/');
                bool ok1 = false, ok2 = false;
                if (parts.size() == 2) {
                    shard = parts[0].toInt(&ok1);
                    shards = parts[1].toInt(&ok2);
                }
                if (!ok1 || !ok2 || shards < 1 || shard < 0 || shard >= shards)
                    throw TUsage{"--shard wants K/N with 0 <= K < N, e.g. 0/4."};
            } else if (a.startsWith('-')) {
                throw TCliUsageError(QString("unknown option '%1'").arg(a));
            } else if (jobsFile.isEmpty()) {
                jobsFile = a;
            } else {
                throw TUsage{QString("Unexpected argument \"%1\".").arg(a)};
            }
        }
        if (jobsFile.isEmpty())
            throw TUsage{"The CSV file of jobs is missing."};

        std::vector<TBatchJob> jobs;
        try {
            jobs = ReadBatchJobs(jobsFile);
        } catch (const std::runtime_error& e) {
            err << "tavlo batch: " << QString::fromUtf8(e.what()) << "\n";
            return 2;
        }
        std::deque<const TBatchJob*> pending;
        for (size_t i = 0; i < jobs.size(); ++i)
            if (int(i % size_t(shards)) == shard)
                pending.push_back(&jobs[i]);

        TBatchRun run(out, err, int(pending.size()), isatty(STDOUT_FILENO));
        QElapsedTimer clock;
        clock.start();
        QEventLoop loop;
        int running = 0;
        std::function<void()> startMore = [&] {
            while (running < workers && !pending.empty()) {
                const TBatchJob* job = pending.front();
                pending.pop_front();
                if (!job->Problem.isEmpty()) {
                    run.Finished(*job, false, job->Problem);
                    continue;
                }
                if (!force && IsUpToDate(*job)) {
                    run.Skipped(*job);
                    continue;
                }
                QDir().mkpath(QFileInfo(job->Output).absolutePath());
                auto* p = new QProcess(&loop);
                ++running;
                const QString partial = PartialName(job->Output);
                QObject::connect(p, &QProcess::finished, &loop, [&, p, job, partial] {
                    const bool ok = p->error() != QProcess::FailedToStart && p->exitStatus() == QProcess::NormalExit
                        && p->exitCode() == 0;
                    QString message = ok ? QString() : ChildMessage(*p);
                    bool placed = ok;
                    if (ok) {
                        QFile::remove(job->Output);
                        placed = QFile::rename(partial, job->Output);
                        if (!placed)
                            message = QString("%1 cannot be replaced").arg(job->Output);
                    }
                    if (!placed)
                        QFile::remove(partial);
                    run.Finished(*job, placed, message);
                    p->deleteLater();
                    --running;
                    startMore();
                    if (running == 0 && pending.empty())
                        loop.quit();
                });
                QObject::connect(p, &QProcess::errorOccurred, &loop, [p](QProcess::ProcessError e) {
                    if (e == QProcess::FailedToStart)
                        emit p->finished(-1, QProcess::CrashExit);
                });
                p->start(QCoreApplication::applicationFilePath(), QStringList{"render"} + job->RenderArgs + QStringList{"-o", partial});
            }
        };
        startMore();
        if (running > 0)
            loop.exec();
        return run.Summary(clock.elapsed());
    } catch (const TUsage& e) {
        err << "tavlo batch: " << e.Message << "\n'tavlo batch --help' describes the CSV file.\n";
        return 2;
    }
}

const TCliCommandRegistrar Registrar{
    {"batch", "render many covers from a CSV file of jobs, in parallel and resumably", HelpText, Run}};

} // namespace
