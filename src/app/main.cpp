// Program entry of Tavlo Generator: no command-line arguments are read.
#include "app/Application.h"
#include "app/FrameFrm.h"

int main(int argc, char** argv)
{
    TApplication::SetDefaultSurfaceFormat();
    TApplication app(argc, argv);
    TExperChild window; // shows itself
    return app.exec();
}
