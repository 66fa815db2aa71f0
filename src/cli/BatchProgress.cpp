#include "BatchProgress.h"

TBatchProgress::TBatchProgress(QTextStream& out, QTextStream& err, int total, bool terminal)
    : FOut(out), FErr(err), FTotal(total), FTerminal(terminal)
{
}

void TBatchProgress::Skipped(const TBatchJob& job)
{
    ++FSkipped;
    Report(QString("line %1: up to date, skipped %2").arg(job.Line).arg(job.Output));
}

void TBatchProgress::Finished(const TBatchJob& job, bool ok, const QString& message)
{
    if (ok) {
        ++FDone;
        Report(QString("line %1: wrote %2").arg(job.Line).arg(job.Output));
        return;
    }
    FFailedLines << QString::number(job.Line);
    ClearBar();
    FErr << "tavlo batch: line " << job.Line << ": " << message << "\n";
    FErr.flush();
    Report({});
}

void TBatchProgress::Warn(const QString& message)
{
    ClearBar();
    FErr << "tavlo batch: " << message << "\n";
    FErr.flush();
    Report({});
}

int TBatchProgress::Summary(qint64 ms, bool interrupted)
{
    ClearBar();
    if (interrupted)
        FOut << "interrupted: ";
    FOut << FDone << " rendered, " << FSkipped << " up to date, " << FFailedLines.size() << " failed";
    if (!FFailedLines.isEmpty())
        FOut << " (line" << (FFailedLines.size() > 1 ? "s " : " ") << FFailedLines.join(", ") << ")";
    if (interrupted)
        FOut << ", " << FTotal - Count() << " left";
    FOut << " in " << QString::number(ms / 1000.0, 'f', 1) << " s.";
    if (interrupted)
        FOut << " The same command renders what is left.";
    FOut << "\n";
    FOut.flush();
    if (interrupted)
        return 130;
    return FFailedLines.isEmpty() ? 0 : 1;
}

void TBatchProgress::Report(const QString& line)
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

void TBatchProgress::ClearBar()
{
    if (FTerminal) {
        FOut << "\r" << QString(70, ' ') << "\r";
        FOut.flush();
    }
}
