#pragma once
// Option parsing shared by the `tavlo` commands, so that every command reports a wrong command
// line the same way: "tavlo render: unknown option '--bogus'", the option echoed as typed.

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <stdexcept>

// A wrong command line; the dispatcher prints it after "tavlo COMMAND: " and exits with 2.
struct TCliUsageError : std::runtime_error {
    explicit TCliUsageError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// Parses the arguments after the command name; throws TCliUsageError on an unknown option, a
// missing or unexpected value.
void ParseCliOptions(QCommandLineParser& parser, const QStringList& args);

// The option as the user typed it ("-o", "--front", "-bogus"), for messages about it.
QString OptionAsTyped(const QString& name, const QStringList& args);
