// Program entry of Tavlo Generator: a project file named on the command line is opened.
#include "app/Application.h"
#include "app/FrameFrm.h"
#include "TavloVersion.h"

#include <cstdio>
#include <cstring>

#include <QTimer>

int main(int argc, char** argv)
{
    // Answered before any window or display is needed, so they work on a plain terminal.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tavlo-generator (Tavlo Generator) %s\n", TAVLO_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: tavlo-generator [OPTIONS] [PROJECT.tavlo]\n\n"
                        "Turns flat artwork into a 3D product picture, step by step.\n"
                        "A project file given opens where it was saved.\n\n"
                        "  --version   print the version and exit\n"
                        "  -h, --help  print this help and exit\n\n"
                        "Qt's own options (for example -platform, -style) are accepted too.\n"
                        "tavlo(1) does the same work on the command line.\n");
            return 0;
        }
    }
    TApplication::SetDefaultSurfaceFormat();
    TApplication app(argc, argv);
    TExperChild window; // shows itself
    // Once the window is up, so a question or a message about a file has a parent.
    QTimer::singleShot(0, &window, [&window, args = app.arguments().mid(1)] { window.StartUp(args); });
    return app.exec();
}
