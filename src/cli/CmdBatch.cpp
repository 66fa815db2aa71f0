// `tavlo batch`: many `tavlo render` jobs from one CSV file, several at a time, resumable and
// splittable across machines.
#include "CliCommand.h"
#include "CliOptions.h"

#include "BatchDigest.h"
#include "BatchJobs.h"
#include "BatchProgress.h"
#include "BatchState.h"
#include "BatchWorkers.h"
#include "RenderOptions.h"
#include "StopSignals.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QThread>
#include <deque>
#include <unistd.h>

namespace {

// The column names, wrapped for an 80-column terminal.
QString ColumnList()
{
    QString text, line = QStringLiteral("   ");
    for (const TRenderOption& option : RenderOptions()) {
        const QString& name = option.Name;
        if (line.size() + name.size() + 2 > 78) {
            text += line + u'\n';
            line = QStringLiteral("   ");
        }
        line += u' ' + name + u',';
    }
    line.chop(1);
    return text + line;
}

QString HelpText()
{
    return QStringLiteral(
               "Usage: tavlo batch JOBS.csv [-j N] [--force] [--shard K/N]\n"
               "\n"
               "Renders every row of a CSV file as `tavlo render` would. The first line names the columns:\n"
               "  output                  the picture to write (required; its folder is made when missing)\n"
               "  and every `tavlo render` option without its dashes:\n"
               "%1\n"
               "  project | template | print-cover | front, side, top choose what to render; a print-cover\n"
               "  takes the columns trim, pages, paper and optionally spine, bleed, dpi.\n"
               "  back is a book's back cover picture (Book Cover, Electronic Magazine, Special Report, Thin\n"
               "  Book), also in place of a project's or a print cover's back; without one the back cover\n"
               "  shows the front mirrored.\n"
               "  A row with a project and face columns is one title of a series: the project's scene (type,\n"
               "  angles, light, shadow, size, quality, background, and the faces the row does not give, with\n"
               "  their layers) with the row's pictures in place of its faces and of the layers on them; the\n"
               "  other option columns still override the project.\n"
               "  Columns of options without a value take yes/no, true/false, 1/0 or on/off, and \"no\" takes\n"
               "  effect: shadow=no turns the shadow off whatever the project or the type would do. photo=yes\n"
               "  traces the row as a photograph (samples, reflection and gloss shape it), each render on its\n"
               "  share of the cores.\n"
               "Empty cells are left out. Relative paths are taken from the CSV file's folder. Fields may be\n"
               "quoted with \"...\" (\"\" inside for a quote), so names may hold commas; a quoted field is\n"
               "kept exactly. A row that is no valid CSV or UTF-8 fails with its line number.\n"
               "\n"
               "  -j, --jobs N            renders at once (default: the number of cores)\n"
               "  --force                 render every row; otherwise a row whose output was made from the\n"
               "                          same options and the same input files (faces, template, project)\n"
               "                          is skipped, so an interrupted batch resumes. What was made is kept\n"
               "                          in JOBS.csv.tavlo-state beside the CSV file.\n"
               "  --shard K/N             only rows K, K+N, K+2N, ... (rows counted from 0 below the header),\n"
               "                          to spread one catalogue over N machines or job-array tasks\n"
               "\n"
               "Shows a progress bar on a terminal and one line per job otherwise, then a summary. A row that\n"
               "fails is reported with its line number and the others go on. Each picture is written in one\n"
               "step at its own name, so an old picture stays whole until the new one replaces it; two rows\n"
               "writing one picture stop the batch before it starts. Ctrl+C or SIGTERM stops the renders,\n"
               "says what was done and what is left, and exits with 130.\n"
               "Exit status: 0 all rendered or up to date, 1 a row failed, 2 wrong usage or unreadable CSV,\n"
               "130 interrupted.")
        .arg(ColumnList());
}

struct TUsage {
    QString Message;
};

struct TBatchArgs {
    QString JobsFile;
    int Workers = std::max(1, QThread::idealThreadCount());
    bool Force = false;
    int Shard = 0, Shards = 1;
};

TBatchArgs ParseArgs(const QStringList& args)
{
    TBatchArgs parsed;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size())
                throw TCliUsageError(QString("missing value after '%1'").arg(a));
            return args[++i];
        };
        if (a == "-j" || a == "--jobs") {
            bool ok = false;
            parsed.Workers = value().toInt(&ok);
            if (!ok || parsed.Workers < 1 || parsed.Workers > 256)
                throw TUsage{"-j wants a number of jobs from 1 to 256."};
        } else if (a == "--force") {
            parsed.Force = true;
        } else if (a == "--shard") {
            const QStringList parts = value().split('/');
            bool ok1 = false, ok2 = false;
            if (parts.size() == 2) {
                parsed.Shard = parts[0].toInt(&ok1);
                parsed.Shards = parts[1].toInt(&ok2);
            }
            if (!ok1 || !ok2 || parsed.Shards < 1 || parsed.Shard < 0 || parsed.Shard >= parsed.Shards)
                throw TUsage{"--shard wants K/N with 0 <= K < N, e.g. 0/4."};
        } else if (a.startsWith('-')) {
            throw TCliUsageError(QString("unknown option '%1'").arg(a));
        } else if (parsed.JobsFile.isEmpty()) {
            parsed.JobsFile = a;
        } else {
            throw TUsage{QString("Unexpected argument \"%1\".").arg(a)};
        }
    }
    if (parsed.JobsFile.isEmpty())
        throw TUsage{"The CSV file of jobs is missing."};
    return parsed;
}

int Run(const QStringList& args, QTextStream& out, QTextStream& err)
{
    TBatchArgs options;
    try {
        options = ParseArgs(args);
    } catch (const TUsage& e) {
        err << "tavlo batch: " << e.Message << "\n'tavlo batch --help' describes the CSV file.\n";
        return 2;
    }
    std::vector<TBatchJob> jobs;
    try {
        jobs = ReadBatchJobs(options.JobsFile);
    } catch (const std::runtime_error& e) {
        err << "tavlo batch: " << QString::fromUtf8(e.what()) << "\n";
        return 2;
    }
    std::deque<const TBatchJob*> pending;
    for (size_t i = 0; i < jobs.size(); ++i)
        if (int(i % size_t(options.Shards)) == options.Shard)
            pending.push_back(&jobs[i]);

    TBatchProgress progress(out, err, int(pending.size()), isatty(STDOUT_FILENO));
    TBatchState state(options.JobsFile, options.Shard, options.Shards);
    bool stateReported = false;
    auto reportState = [&] {
        if (!stateReported && !state.Problem().isEmpty()) {
            stateReported = true;
            progress.Warn(state.Problem() + "; a rerun renders these rows again");
        }
    };
    reportState();

    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    TBatchDigest digest;
    QHash<const TBatchJob*, QByteArray> asked; // the digest each running job was started for
    bool interrupted = false;
    const auto finished = [&] { return pending.empty() || interrupted; };

    std::function<void()> startMore;
    TBatchWorkers workers(std::min(options.Workers, int(pending.size())),
                          [&](const TBatchJob& job, const TWorkerResult& result) {
                              if (result.Status == TWorkerResult::Written) {
                                  state.Record(job.Output, asked.take(&job));
                                  reportState();
                                  progress.Finished(job, true, {});
                              } else if (result.Status == TWorkerResult::Failed && !TStopSignals::Caught()) {
                                  progress.Finished(job, false, result.Message);
                              } // else stopped, by us or by the same Ctrl+C: left for the rerun
                              startMore();
                          });
    startMore = [&] {
        // A signal already caught but not yet handled starts nothing new either.
        while (!interrupted && !TStopSignals::Caught() && workers.HasRoom() && !pending.empty()) {
            const TBatchJob* job = pending.front();
            pending.pop_front();
            if (!job->Problem.isEmpty()) {
                progress.Finished(*job, false, job->Problem);
                continue;
            }
            const QByteArray request = digest.Of(job->RenderArgs);
            if (!options.Force && state.IsUpToDate(job->Output, request)) {
                progress.Skipped(*job);
                continue;
            }
            asked.insert(job, request);
            workers.Start(*job);
        }
        if (workers.Idle() && finished())
            loop.quit();
    };
    const TStopSignals stopSignals([&] {
        if (interrupted)
            return;
        interrupted = true;
        workers.Stop();
        loop.quit();
    });
    startMore();
    if (!(workers.Idle() && finished()))
        loop.exec();
    return progress.Summary(clock.elapsed(), interrupted);
}

const TCliCommandRegistrar Registrar{
    {"batch", "render many covers from a CSV file of jobs, in parallel and resumably", HelpText(), Run}};

} // namespace
