#include "PrintCoverOptions.h"

#include "CliOptions.h"

const char* const PrintCoverOptionsHelp =
    "  --trim SIZE             the book's trim, WxH in inches or millimetres (6x9in, 148x210mm;\n"
    "                          a size without unit is in inches) or one of the common trims by\n"
    "                          name: A5 (148 x 210 mm), B5 (176 x 250 mm)\n"
    "  --pages N               the book's page count\n"
    "  --paper PAPER           white, cream or colour: the spine is pages x the paper's\n"
    "                          thickness per page (0.002252, 0.0025 and 0.002347 in)\n"
    "  --spine LENGTH          the spine's width, instead of --pages and --paper (0.5in, 12mm)\n"
    "  --bleed LENGTH          the bleed cut from the four outer edges (default 0.125in)\n"
    "  --dpi N                 the faces' resolution, and a PDF's (default 300)\n";

namespace {

double Length(const QCommandLineParser& p, const QString& name)
{
    try {
        return ParseLength(p.value(name), name);
    } catch (const TPrintMeasureError& e) {
        throw TCliUsageError(QString::fromUtf8(e.what()));
    }
}

} // namespace

void AddPrintCoverOptions(QCommandLineParser& p)
{
    for (const char* name : {"trim", "pages", "paper", "spine", "bleed", "dpi"})
        p.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
}

TCoverMeasures PrintCoverSpec(const QCommandLineParser& p)
{
    if (!p.isSet("trim"))
        throw TCliUsageError(QStringLiteral("--trim is missing"));
    TCoverMeasures measures;
    try {
        measures.Trim = ParseTrim(p.value("trim"));
        if (p.isSet("spine")) {
            if (p.isSet("pages") || p.isSet("paper"))
                throw TCliUsageError(QStringLiteral("give either --spine or --pages and --paper, not both"));
            measures.Spine = Length(p, QStringLiteral("spine"));
        } else {
            if (!p.isSet("pages") || !p.isSet("paper"))
                throw TCliUsageError(QStringLiteral("--pages and --paper (or --spine) are missing"));
            bool ok = false;
            const int pages = p.value("pages").toInt(&ok);
            const auto paper = PaperFromName(p.value("paper"));
            if (!ok)
                throw TCliUsageError(QStringLiteral("--pages wants a whole number, not '%1'").arg(p.value("pages")));
            if (!paper)
                throw TCliUsageError(QStringLiteral("--paper is white, cream or colour, not '%1'").arg(p.value("paper")));
            measures.Spine = SpineWidth(pages, *paper);
        }
        if (p.isSet("bleed"))
            measures.Bleed = Length(p, QStringLiteral("bleed"));
    } catch (const TPrintMeasureError& e) {
        throw TCliUsageError(QString::fromUtf8(e.what()));
    }
    return measures;
}

double PrintCoverDpi(const QCommandLineParser& p)
{
    if (!p.isSet("dpi"))
        return 300;
    bool ok = false;
    const double dpi = p.value("dpi").toDouble(&ok);
    if (!ok || !(dpi >= 10 && dpi <= 2400))
        throw TCliUsageError(QStringLiteral("--dpi wants a number from 10 to 2400, not '%1'").arg(p.value("dpi")));
    return dpi;
}
