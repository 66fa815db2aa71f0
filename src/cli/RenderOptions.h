#pragma once
// The options of `tavlo render` in one table: the command parses them and `tavlo batch` offers
// each as a column, so a new option becomes a batch column without a second list to keep.

#include <QCommandLineParser>
#include <QString>
#include <vector>

enum class TRenderOptionKind {
    Value,    // --name VALUE
    File,     // --name FILE: an input whose bytes make the picture
    Template, // --template NAME: a template stored by the program (its face files)
    Flag,     // --name, without a value
};

struct TRenderOption {
    QString Name;
    TRenderOptionKind Kind;
    QString Opposite; // a flag's counterpart ("shadow" and "no-shadow"); empty when it has none
};

const std::vector<TRenderOption>& RenderOptions();
// The option of that name (without dashes), or null.
const TRenderOption* FindRenderOption(const QString& name);
// Every option of the table, and -o/--output.
void AddRenderOptions(QCommandLineParser& parser);
