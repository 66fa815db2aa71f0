// Whole-window tests run inside the program's own application object, so its exception and hint
// handling are what the tests see.
#include "app/Application.h"
#include "common/ModalWatchdog.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    TApplication::SetDefaultSurfaceFormat();
    TApplication app(argc, argv);
    const TModalWatchdog watchdog; // a modal window nobody answers fails its test instead of hanging it
    return RUN_ALL_TESTS();
}
