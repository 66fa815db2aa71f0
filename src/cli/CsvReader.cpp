#include "CsvReader.h"

#include <QStringDecoder>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

class TCsvParser {
public:
    explicit TCsvParser(QByteArrayView text) : FText(text)
    {
        if (FText.startsWith("\xEF\xBB\xBF"))
            FPos = 3;
    }

    std::vector<TCsvRecord> ReadAll()
    {
        std::vector<TCsvRecord> records;
        while (FPos < FText.size()) {
            const qsizetype start = FPos;
            TCsvRecord record;
            record.Line = FLine;
            bool blank = false;
            record.Problem = ReadRecord(record.Fields, blank);
            if (!record.Problem.isEmpty()) {
                record.Fields.clear();
                Resume(start, record.Line);
            }
            if (!blank || !record.Problem.isEmpty())
                records.push_back(record);
        }
        return records;
    }

private:
    bool AtEnd() const { return FPos >= FText.size(); }
    char Peek() const { return FText[FPos]; }

    // After a broken record: the next line after the one it started on, whatever quotes said.
    void Resume(qsizetype start, int line)
    {
        const qsizetype end = FText.indexOf('\n', start);
        FPos = end < 0 ? FText.size() : end + 1;
        FLine = line + 1;
    }

    // Consumes a line break (LF or CR LF) when one is next.
    bool LineBreak()
    {
        if (!AtEnd() && Peek() == '\n') {
            ++FPos;
            ++FLine;
            return true;
        }
        if (FPos + 1 < FText.size() && Peek() == '\r' && FText[FPos + 1] == '\n') {
            FPos += 2;
            ++FLine;
            return true;
        }
        return false;
    }

    // One record; an empty answer when it was read, else the problem.
    QString ReadRecord(QStringList& fields, bool& blank)
    {
        bool anyQuote = false;
        QString problem;
        for (;;) {
            const int number = int(fields.size()) + 1;
            QByteArray bytes;
            bool quoted = false;
            if (QString error = ReadField(bytes, quoted, number); !error.isEmpty())
                return error;
            anyQuote = anyQuote || quoted;
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            QString field = utf8.decode(bytes);
            if (utf8.hasError() && problem.isEmpty())
                problem = QStringLiteral("field %1 is no valid UTF-8").arg(number);
            fields << (quoted ? field : field.trimmed());
            if (AtEnd() || LineBreak())
                break;
            ++FPos; // the comma
        }
        blank = !anyQuote && fields.size() == 1 && fields[0].isEmpty();
        return problem;
    }

    // One field up to (not including) the comma, line break or end after it.
    QString ReadField(QByteArray& bytes, bool& quoted, int number)
    {
        qsizetype p = FPos;
        while (p < FText.size() && IsBlank(FText[p]))
            ++p;
        quoted = p < FText.size() && FText[p] == '"';
        if (!quoted) {
            for (; !AtEnd() && Peek() != ',' && Peek() != '\n'; ++FPos) {
                if (Peek() == '"')
                    return QStringLiteral("a quote inside the unquoted field %1 (quote the whole field and double "
                                          "the quotes in it)")
                        .arg(number);
                if (Peek() == '\r' && FPos + 1 < FText.size() && FText[FPos + 1] == '\n')
                    break;
                bytes += Peek();
            }
            return {};
        }
        const int opened = FLine;
        for (FPos = p + 1;; ++FPos) {
            if (AtEnd())
                return QStringLiteral("the quote opened on line %1 is never closed").arg(opened);
            if (Peek() == '"') {
                if (FPos + 1 < FText.size() && FText[FPos + 1] == '"') {
                    bytes += '"';
                    ++FPos;
                    continue;
                }
                ++FPos;
                break;
            }
            if (Peek() == '\n')
                ++FLine;
            bytes += Peek();
        }
        while (!AtEnd() && IsBlank(Peek()))
            ++FPos;
        if (AtEnd() || Peek() == ',' || Peek() == '\n' || (Peek() == '\r' && FPos + 1 < FText.size() && FText[FPos + 1] == '\n'))
            return {};
        // Closed on a later line, the quote most likely was never meant to be closed there.
        if (FLine != opened)
            return QStringLiteral("the quote opened on line %1 is never closed (the next quote, on line %2, does not "
                                  "end a field)")
                .arg(opened)
                .arg(FLine);
        return QStringLiteral("text after the closing quote of field %1").arg(number);
    }

    QByteArrayView FText;
    qsizetype FPos = 0;
    int FLine = 1;
};

} // namespace

std::vector<TCsvRecord> ReadCsvRecords(QByteArrayView text) { return TCsvParser(text).ReadAll(); }
