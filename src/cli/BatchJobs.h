#pragma once
// The jobs of `tavlo batch`: rows of a CSV file turned into `tavlo render` arguments. Every
// render option is a column; a yes/no column passes the option or its opposite, so "no" takes
// effect even where a project or a type would have said yes.

#include <QString>
#include <QStringList>
#include <vector>

struct TBatchJob {
    int Line = 0;           // line of the CSV file the row starts on (the header is line 1)
    QString Output;         // absolute path of the picture to write
    QStringList RenderArgs; // arguments for `tavlo render`, without -o
    QString Problem;        // why the row cannot be rendered; empty when it can
};

// Reads the CSV file. Throws std::runtime_error when it cannot be read, its header is broken or
// names a column that is no render option, or two rows write one output; a faulty row becomes a
// job with a Problem instead.
std::vector<TBatchJob> ReadBatchJobs(const QString& path);
