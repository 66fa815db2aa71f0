// `tavlo split-cover`: cuts the wrap-around cover a printer wants (back, spine and front on one
// sheet, with bleed) into the three face pictures the other commands and the window take.
#include "CliCommand.h"
#include "CliOptions.h"
#include "PrintCoverOptions.h"

#include "printcover/CoverSplit.h"

#include <QDir>

namespace {

int RunSplitCover(const QStringList& args, QTextStream& out, QTextStream&)
{
    QCommandLineParser parser;
    AddPrintCoverOptions(parser);
    parser.addOption(QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")}, QString(), QStringLiteral("dir")));
    ParseCliOptions(parser, args);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        throw TCliUsageError(QStringLiteral("wants one cover FILE, got %1 file names").arg(files.size()));
    if (!parser.isSet("output"))
        throw TCliUsageError(QStringLiteral("-o DIR is missing"));
    const TCoverMeasures measures = PrintCoverSpec(parser);
    const double dpi = PrintCoverDpi(parser);

    const TCoverPicture cover = ReadCheckedCover(files[0], measures, dpi);
    const TCoverFaces faces = SplitCover(cover, measures, dpi);
    WriteCoverFaces(faces, parser.value("output"));
    const QDir dir(parser.value("output"));
    for (const auto& [name, face] : {std::pair{"front", &faces.Front}, {"spine", &faces.Spine}, {"back", &faces.Back}})
        out << "Wrote " << QDir::toNativeSeparators(dir.filePath(QLatin1String(name) + QStringLiteral(".png"))) << " ("
            << face->Width() << " x " << face->Height() << ")\n";
    return 0;
}

const TCliCommandRegistrar Registrar({
    "split-cover",
    "cut a print wrap-around cover into front, spine and back pictures",
    QString::fromLatin1(
        "Usage: tavlo split-cover FILE --trim SIZE (--pages N --paper PAPER | --spine LENGTH)\n"
        "                         [--bleed LENGTH] [--dpi N] -o DIR\n\n"
        "Cuts the wrap-around cover of a printed book (the back on the left, then the spine, then\n"
        "the front, the bleed around them) into DIR/front.png, DIR/spine.png and DIR/back.png at the\n"
        "given resolution, the bleed cut away. FILE is a PDF (its first page is drawn) or any\n"
        "picture below.\n\n")
        + QString::fromLatin1(PrintCoverOptionsHelp)
        + QString::fromLatin1(
            "  -o, --output DIR        the folder the faces are written to (made when missing)\n\n"
            "Lengths are in inches or millimetres (0.125in, 3.2mm; without unit, inches).\n"
            "The cover must be two trims and the spine wide and the trim high, plus the bleed on\n"
            "every side, within 1 % in each direction; otherwise the expected and the found sizes\n"
            "are printed and nothing is written. A PDF's size is its first page's. A picture's is\n"
            "its pixels at the resolution its file declares (JPEG's JFIF header, PNG's pHYs chunk);\n"
            "a picture that declares none is taken to be exactly as high as the cover should be,\n"
            "so only its width is checked.\n\n"
            "Exit status: 0 written, 1 failed (unreadable file, wrong size, write error),\n"
            "2 wrong usage."),
    RunSplitCover,
});

} // namespace
