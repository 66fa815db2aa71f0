#pragma once
// The options that describe a print-on-demand wrap cover (--trim, --pages, --paper, --bleed,
// --spine, --dpi), shared by the commands that read one.

#include "printcover/WrapLayout.h"

#include <QCommandLineParser>

// The lines of a help text that describe the options.
extern const char* const PrintCoverOptionsHelp;

void AddPrintCoverOptions(QCommandLineParser& parser);
// The cover the options describe; throws TCliUsageError when one is missing or wrong.
TCoverMeasures PrintCoverSpec(const QCommandLineParser& parser);
// --dpi, 300 when not given.
double PrintCoverDpi(const QCommandLineParser& parser);
