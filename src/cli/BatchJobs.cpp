#include "BatchJobs.h"

#include "CsvReader.h"
#include "RenderOptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <optional>
#include <stdexcept>

namespace {

constexpr QStringView OutputColumn = u"output";

[[noreturn]] void Fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

QString ColumnName(QString name)
{
    name = name.trimmed().toLower();
    while (name.startsWith(u'-'))
        name.remove(0, 1);
    return name == u"o" ? OutputColumn.toString() : name;
}

std::optional<bool> YesNo(const QString& value)
{
    const QString v = value.trimmed().toLower();
    if (v == u"yes" || v == u"true" || v == u"1" || v == u"on")
        return true;
    if (v == u"no" || v == u"false" || v == u"0" || v == u"off")
        return false;
    return std::nullopt;
}

// The output as one spelling per file: a folder that exists is taken with its links resolved.
QString OutputKey(const QString& output)
{
    const QFileInfo info(output);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? output : QDir(folder).filePath(info.fileName());
}

// Two rows writing one file would race each other's atomic saves and one would be lost silently.
void RequireDistinctOutputs(const QString& path, const std::vector<TBatchJob>& jobs)
{
    QHash<QString, int> firstLine;
    for (const TBatchJob& job : jobs) {
        if (!job.Problem.isEmpty())
            continue;
        const QString key = OutputKey(job.Output);
        if (const auto seen = firstLine.constFind(key); seen != firstLine.cend())
            Fail(QStringLiteral("%1: lines %2 and %3 both write %4; nothing was rendered.")
                     .arg(path)
                     .arg(*seen)
                     .arg(job.Line)
                     .arg(job.Output));
        firstLine.insert(key, job.Line);
    }
}

TBatchJob JobOf(const TCsvRecord& record, const QStringList& columns, const QDir& base)
{
    TBatchJob job;
    job.Line = record.Line;
    if (!record.Problem.isEmpty()) {
        job.Problem = record.Problem;
        return job;
    }
    if (record.Fields.size() != columns.size()) {
        job.Problem = QStringLiteral("%1 fields where the header has %2").arg(record.Fields.size()).arg(columns.size());
        return job;
    }
    for (qsizetype c = 0; c < columns.size(); ++c) {
        QString value = record.Fields[c];
        if (value.isEmpty())
            continue;
        if (columns[c] == OutputColumn) {
            job.Output = QDir::cleanPath(base.absoluteFilePath(value));
            continue;
        }
        const TRenderOption& option = *FindRenderOption(columns[c]);
        if (option.Kind == TRenderOptionKind::Flag) {
            const std::optional<bool> on = YesNo(value);
            if (!on) {
                job.Problem = QStringLiteral("\"%1\" in the column \"%2\" is none of yes/no, true/false, 1/0, on/off")
                                  .arg(value, option.Name);
                return job;
            }
            if (*on)
                job.RenderArgs << QLatin1String("--") + option.Name;
            else if (!option.Opposite.isEmpty())
                job.RenderArgs << QLatin1String("--") + option.Opposite;
            continue;
        }
        if (option.Kind == TRenderOptionKind::File)
            value = QDir::cleanPath(base.absoluteFilePath(value));
        job.RenderArgs << QLatin1String("--") + option.Name << value;
    }
    if (job.Output.isEmpty())
        job.Problem = QStringLiteral("the output is empty");
    return job;
}

} // namespace

std::vector<TBatchJob> ReadBatchJobs(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    const std::vector<TCsvRecord> records = ReadCsvRecords(file.readAll());
    if (records.empty())
        Fail(QStringLiteral("%1 has no header line.").arg(path));
    const TCsvRecord& header = records.front();
    if (!header.Problem.isEmpty())
        Fail(QStringLiteral("%1, line %2: %3.").arg(path).arg(header.Line).arg(header.Problem));

    QStringList columns;
    for (const QString& raw : header.Fields) {
        const QString name = ColumnName(raw);
        if (name != OutputColumn && !FindRenderOption(name))
            Fail(QStringLiteral("%1, line %2: \"%3\" is no column of a job (see 'tavlo batch --help').")
                     .arg(path)
                     .arg(header.Line)
                     .arg(raw.trimmed()));
        if (columns.contains(name))
            Fail(QStringLiteral("%1, line %2: the column \"%3\" is there twice.").arg(path).arg(header.Line).arg(name));
        columns << name;
    }
    if (!columns.contains(OutputColumn))
        Fail(QStringLiteral("%1, line %2: there is no \"output\" column.").arg(path).arg(header.Line));

    const QDir base = QFileInfo(path).absoluteDir();
    std::vector<TBatchJob> jobs;
    for (size_t r = 1; r < records.size(); ++r)
        jobs.push_back(JobOf(records[r], columns, base));
    RequireDistinctOutputs(path, jobs);
    return jobs;
}
