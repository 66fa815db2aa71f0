#include "CliOptions.h"

#include <QRegularExpression>

QString OptionAsTyped(const QString& name, const QStringList& args)
{
    for (const QString& arg : args) {
        if (arg == QLatin1String("--"))
            break;
        QString bare = arg;
        while (bare.startsWith(QLatin1Char('-')))
            bare.remove(0, 1);
        if (bare.section(QLatin1Char('='), 0, 0) == name && bare.size() < arg.size())
            return arg.section(QLatin1Char('='), 0, 0);
    }
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

void ParseCliOptions(QCommandLineParser& parser, const QStringList& args)
{
    if (parser.parse(QStringList{QStringLiteral("tavlo")} + args))
        return;
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        throw TCliUsageError(QStringLiteral("unknown option '%1'").arg(OptionAsTyped(unknown.first(), args)));
    // Qt's own text ("Missing value after 'front'."): the option as typed, the sentence with the
    // lower-case start and no full stop of the other messages.
    QString text = parser.errorText();
    const auto quoted = QRegularExpression(QStringLiteral("'([^'-][^']*)'")).match(text);
    if (quoted.hasMatch())
        text.replace(quoted.capturedStart(1), quoted.capturedLength(1), OptionAsTyped(quoted.captured(1), args));
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    throw TCliUsageError(text);
}
