#pragma once
// CSV as RFC 4180 writes it, read strictly: a record that breaks the rules is reported with its
// line and the records after it are still read, so one bad row of a catalogue costs one row.

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

struct TCsvRecord {
    int Line = 0;       // the line the record starts on, counted from 1
    QStringList Fields; // unquoted fields without surrounding blanks, quoted ones exactly as written
    QString Problem;    // why the record cannot be read; empty when it can
};

// Commas between fields; "..." quotes a field, "" inside it stands for one quote, and line breaks
// inside quotes belong to the field; CR LF and LF end a record; blank lines are no records; a
// UTF-8 byte order mark at the start is dropped. An unmatched quote, text after a closing quote or
// a quote inside an unquoted field make a record with a Problem, and reading goes on at the line
// after the one it started on; a field that is no valid UTF-8 makes one too.
std::vector<TCsvRecord> ReadCsvRecords(QByteArrayView text);
