#pragma once
// Sub-commands of the `tavlo` command-line companion. Each command lives in its own Cmd*.cpp and
// registers itself with a static TCliCommandRegistrar, so adding one touches no other file.

#include <QStringList>
#include <QTextStream>
#include <functional>

struct TCliCommand {
    QString Name;      // "convert", "atlas", "render", ...
    QString Synopsis;  // one line for `tavlo --help`
    QString Help;      // full text for `tavlo help NAME` / `tavlo NAME --help`
    // Arguments after the command name; returns the process exit code.
    std::function<int(const QStringList& args, QTextStream& out, QTextStream& err)> Run;
};

void RegisterCliCommand(TCliCommand command);
const std::vector<TCliCommand>& CliCommands();

struct TCliCommandRegistrar {
    explicit TCliCommandRegistrar(TCliCommand command) { RegisterCliCommand(std::move(command)); }
};
