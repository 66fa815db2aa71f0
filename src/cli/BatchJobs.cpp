#include "BatchJobs.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <optional>
#include <stdexcept>

namespace {

const QSet<QString> ValueColumns = {"project", "template", "front", "side", "top", "type", "size",
                                    "angle-x", "angle-y", "light-elevation", "light-azimuth",
                                    "shadow-strength", "zoom", "background", "passes", "cd-position"};
const QSet<QString> FlagColumns = {"shadow", "no-shadow", "smooth", "no-crop"};
const QSet<QString> PathColumns = {"output", "project", "front", "side", "top"};

struct TRecord {
    int Line;
    QStringList Fields;
};

// RFC 4180 records: commas between fields, "..." quoting with "" for a quote, line breaks
// inside quotes kept; CR LF and LF both end a record.
std::vector<TRecord> ParseCsv(const QString& text)
{
    std::vector<TRecord> records;
    TRecord record{1, {}};
    QString field;
    bool quoted = false, fieldStarted = false;
    int line = 1;
    auto endRecord = [&] {
        record.Fields.append(field);
        const bool blank = record.Fields.size() == 1 && record.Fields[0].trimmed().isEmpty() && !fieldStarted;
        if (!blank)
            records.push_back(record);
        record = {line, {}};
        field.clear();
        fieldStarted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
            fieldStarted = true;
        } else if (c == u',') {
            record.Fields.append(field);
            field.clear();
            fieldStarted = true;
        } else if (c == u'\n') {
            ++line;
            endRecord();
        } else if (c != u'\r') {
            field += c;
        }
    }
    if (!field.isEmpty() || !record.Fields.isEmpty() || fieldStarted)
        endRecord();
    return records;
}

QString ColumnName(QString name)
{
    name = name.trimmed().toLower();
    while (name.startsWith(u'-'))
        name.remove(0, 1);
    return name == u"o" ? QStringLiteral("output") : name;
}

std::optional<bool> YesNo(const QString& value)
{
    const QString v = value.trimmed().toLower();
    if (v == u"1" || v == u"yes" || v == u"true" || v == u"y" || v == u"on")
        return true;
    if (v.isEmpty() || v == u"0" || v == u"no" || v == u"false" || v == u"n" || v == u"off")
        return false;
    return std::nullopt;
}

} // namespace

std::vector<TBatchJob> ReadBatchJobs(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    const std::vector<TRecord> records = ParseCsv(QString::fromUtf8(file.readAll()));
    if (records.empty())
        throw std::runtime_error(QStringLiteral("%1 has no header line.").arg(path).toStdString());

    QStringList columns;
    for (const QString& raw : records[0].Fields) {
        const QString name = ColumnName(raw);
        if (name != u"output" && !ValueColumns.contains(name) && !FlagColumns.contains(name))
            throw std::runtime_error(QStringLiteral("%1, line 1: \"%2\" is no column of a job (see 'tavlo batch --help').")
                                         .arg(path, raw.trimmed())
                                         .toStdString());
        if (columns.contains(name))
            throw std::runtime_error(QStringLiteral("%1, line 1: the column \"%2\" is there twice.").arg(path, name).toStdString());
        columns << name;
    }
    if (!columns.contains(u"output"))
        throw std::runtime_error(QStringLiteral("%1, line 1: there is no \"output\" column.").arg(path).toStdString());

    const QDir base = QFileInfo(path).absoluteDir();
    std::vector<TBatchJob> jobs;
    for (size_t r = 1; r < records.size(); ++r) {
        const TRecord& record = records[r];
        TBatchJob job;
        job.Line = record.Line;
        if (record.Fields.size() != columns.size()) {
            job.Problem = QStringLiteral("%1 fields where the header has %2").arg(record.Fields.size()).arg(columns.size());
            jobs.push_back(job);
            continue;
        }
        for (qsizetype c = 0; c < columns.size(); ++c) {
            const QString& name = columns[c];
            QString value = record.Fields[c].trimmed();
            if (value.isEmpty())
                continue;
            if (PathColumns.contains(name))
                value = QDir::cleanPath(base.absoluteFilePath(value));
            if (name == u"output") {
                job.Output = value;
            } else if (FlagColumns.contains(name)) {
                const std::optional<bool> on = YesNo(value);
                if (!on)
                    job.Problem = QStringLiteral("\"%1\" in the column \"%2\" is neither yes nor no").arg(value, name);
                else if (*on)
                    job.RenderArgs << QLatin1String("--") + name;
            } else {
                job.RenderArgs << QLatin1String("--") + name << value;
                if (PathColumns.contains(name))
                    job.Inputs << value;
            }
        }
        if (job.Output.isEmpty() && job.Problem.isEmpty())
            job.Problem = QStringLiteral("the output is empty");
        jobs.push_back(job);
    }
    return jobs;
}

bool IsUpToDate(const TBatchJob& job)
{
    const QFileInfo output(job.Output);
    if (!job.Problem.isEmpty() || !output.exists())
        return false;
    const QDateTime written = output.lastModified();
    for (const QString& input : job.Inputs) {
        const QFileInfo info(input);
        if (!info.exists() || info.lastModified() > written)
            return false;
    }
    return true;
}

QString PartialName(const QString& output)
{
    const QFileInfo info(output);
    return info.absoluteDir().filePath(QStringLiteral(".%1.partial.%2").arg(info.completeBaseName(), info.suffix()));
}
