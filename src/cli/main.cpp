// `tavlo`: the command-line companion of Tavlo Generator. Runs without a display.
#include "CliCommand.h"
#include "CliOptions.h"
#include "ReadFormats.h"
#include "TavloVersion.h"
#include "imageio/ProductName.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>

static_assert(ProductVersionMajor == TAVLO_VERSION_MAJOR && ProductVersionMinor == TAVLO_VERSION_MINOR,
              "imageio/ProductName.h must carry the version of the project() line");

namespace {
std::vector<TCliCommand>& Registry()
{
    static std::vector<TCliCommand> commands;
    return commands;
}

void PrintUsage(QTextStream& out)
{
    out << "Usage: tavlo COMMAND [OPTIONS...]\n\n"
        << "The command-line companion of Tavlo Generator.\n\nCommands:\n";
    auto commands = Registry();
    std::sort(commands.begin(), commands.end(), [](auto& a, auto& b) { return a.Name < b.Name; });
    for (const auto& c : commands)
        out << "  " << c.Name.leftJustified(12) << c.Synopsis << "\n";
    out << "\n" << ReadFormatsLine() << ".\n"
        << "\n'tavlo COMMAND --help' describes one command; 'tavlo --version' prints the version.\n";
}

// Every command reads pictures: its help ends with the formats read.
void PrintHelp(QTextStream& out, const TCliCommand& command)
{
    out << command.Help << "\n\n" << ReadFormatsLine() << ".\n";
}

// Qt's notes (a missing XDG_RUNTIME_DIR, font fallbacks) mean nothing to a user of a command-line
// tool; its errors still show. TAVLO_VERBOSE=1 shows everything.
QtMessageHandler QtStandardHandler = nullptr;

void QuietQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtCriticalMsg && type != QtFatalMsg && qEnvironmentVariableIntValue("TAVLO_VERBOSE") == 0)
        return;
    if (QtStandardHandler)
        QtStandardHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}
} // namespace

void RegisterCliCommand(TCliCommand command) { Registry().push_back(std::move(command)); }
const std::vector<TCliCommand>& CliCommands() { return Registry(); }

int main(int argc, char** argv)
{
    // Text measuring and QPainter need a GUI application; the offscreen platform needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The version needs no platform at all, whatever QT_QPA_PLATFORM says.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tavlo (Tavlo Generator) %s\n", TAVLO_VERSION);
        return 0;
    }
    QtStandardHandler = qInstallMessageHandler(QuietQtMessages);
    QGuiApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        if (args.size() > 1) {
            for (const auto& c : Registry())
                if (c.Name == args[1]) {
                    PrintHelp(out, c);
                    return 0;
                }
        }
        PrintUsage(args.isEmpty() ? err : out);
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    for (const auto& c : Registry()) {
        if (c.Name != name)
            continue;
        if (args.contains("--help") || args.contains("-h")) {
            PrintHelp(out, c);
            return 0;
        }
        try {
            return c.Run(args, out, err);
        } catch (const TCliUsageError& e) {
            err << "tavlo " << name << ": " << QString::fromUtf8(e.what()) << "\n'tavlo " << name
                << " --help' lists the options.\n";
            return 2;
        } catch (const std::exception& e) {
            err << "tavlo " << name << ": " << QString::fromUtf8(e.what()) << "\n";
            return 1;
        }
    }
    err << "tavlo: unknown command '" << name << "'\n\n";
    PrintUsage(err);
    return 2;
}
