#pragma once
// What one step costs this test process: the kernel's high-water mark of resident memory is reset
// first (clear_refs 5), so whatever earlier tests used cannot hide the step's peak; and how long
// the step took, for the report (budget checks are not timed tests).
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <cstdio>
#include <gtest/gtest.h>

class TPeakMemory {
public:
    TPeakMemory()
    {
        QFile reset(QStringLiteral("/proc/self/clear_refs"));
        FReset = reset.open(QIODevice::WriteOnly) && reset.write("5") == 1;
        FStart = Status("VmRSS");
        FTimer.start();
    }
    bool Reset() const { return FReset; }
    // The highest resident size since the start, less the size at the start, in MiB.
    double RiseMiB() const { return double(Status("VmHWM") - FStart) / 1024.0; }
    double Seconds() const { return double(FTimer.nsecsElapsed()) / 1e9; }
    // Both figures, for the report and the test's own output.
    void Report(const char* what) const
    {
        const QString line = QStringLiteral("%1: %2 ms, %3 MiB above the start").arg(QLatin1String(what)).arg(Seconds() * 1000, 0, 'f', 2).arg(RiseMiB(), 0, 'f', 1);
        testing::Test::RecordProperty(what, line.toStdString());
        std::printf("%s\n", qPrintable(line));
    }

private:
    static long Status(const char* field)
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("%1:\\s*(\\d+) kB").arg(QLatin1String(field))).match(QString::fromLatin1(status.readAll()));
        return m.hasMatch() ? m.captured(1).toLong() : 0;
    }

    bool FReset = false;
    long FStart = 0;
    QElapsedTimer FTimer;
};

// AddressSanitizer keeps freed blocks resident a while (its quarantine): peaks of several
// pictures in a row mean nothing there.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool SanitizedMemory = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool SanitizedMemory = true;
#else
inline constexpr bool SanitizedMemory = false;
#endif
#else
inline constexpr bool SanitizedMemory = false;
#endif
