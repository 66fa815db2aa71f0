// A libFuzzer entry point for one target (TAVLO_FUZZ_TARGET of TAVLO_FUZZ_GROUP); see scripts/fuzz.
#include "FuzzTargets.h"

#include <QGuiApplication>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Fonts and the settings folder need an application; no display is used.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", QByteArray(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/tavlo-fuzz-config");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString target = QStringLiteral(TAVLO_FUZZ_TARGET);
    RunFuzzTarget(TAVLO_FUZZ_GROUP(), target, data, size);
    return 0;
}
