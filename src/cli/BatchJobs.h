#pragma once
// The jobs of `tavlo batch`: rows of a CSV file turned into `tavlo render` arguments.

#include <QString>
#include <QStringList>
#include <vector>

struct TBatchJob {
    int Line = 0;           // line of the CSV file the row starts on (the header is line 1)
    QString Output;         // absolute path of the picture to write
    QStringList RenderArgs; // arguments for `tavlo render`, without -o
    QStringList Inputs;     // files the picture is made from (for resuming)
    QString Problem;        // why the row cannot be rendered; empty when it can
};

// Reads the CSV file. Throws std::runtime_error when it cannot be read or its header names a
// column that is no render option; a faulty row becomes a job with a Problem instead.
std::vector<TBatchJob> ReadBatchJobs(const QString& path);
// The output exists and is newer than every input file.
bool IsUpToDate(const TBatchJob& job);
// The name the picture is written under until it is complete: hidden, in the same folder, with
// the same extension (which chooses the format).
QString PartialName(const QString& output);
