// gtest main for widget and OpenGL tests: a real QApplication (xcb under Xvfb in CI) with the
// same default surface format as the program, and a watchdog on modal windows nobody answers.
#include "ModalWatchdog.h"

#include <QApplication>
#include <QSurfaceFormat>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    QSurfaceFormat fmt;
    fmt.setProfile(QSurfaceFormat::CompatibilityProfile);
    fmt.setVersion(2, 1);
    fmt.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(fmt);
    QApplication app(argc, argv);
    const TModalWatchdog watchdog;
    return RUN_ALL_TESTS();
}
