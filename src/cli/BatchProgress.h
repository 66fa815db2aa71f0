#pragma once
// What `tavlo batch` tells its user: a progress bar redrawn in place on a terminal, one line per
// job otherwise (for logs), failures with their line on stderr, and a closing summary that says
// what was done and, after an interruption, what is left.

#include "BatchJobs.h"

#include <QStringList>
#include <QTextStream>

class TBatchProgress {
public:
    TBatchProgress(QTextStream& out, QTextStream& err, int total, bool terminal);

    void Skipped(const TBatchJob& job);
    void Finished(const TBatchJob& job, bool ok, const QString& message);
    // A problem of the whole batch that does not stop it.
    void Warn(const QString& message);
    // The closing line; answers the exit status: 0 all done, 1 a row failed, 130 interrupted.
    int Summary(qint64 ms, bool interrupted);

private:
    int Count() const { return FDone + FSkipped + int(FFailedLines.size()); }
    void Report(const QString& line);
    void ClearBar();

    QTextStream& FOut;
    QTextStream& FErr;
    int FTotal;
    bool FTerminal;
    int FDone = 0, FSkipped = 0;
    QStringList FFailedLines;
};
