#include "StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

int Pipe[2] = {-1, -1};
volatile std::sig_atomic_t CaughtSignal = 0;

void OnSignal(int signal)
{
    CaughtSignal = signal;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(Pipe[1], &byte, 1);
}

} // namespace

TStopSignals::TStopSignals(std::function<void()> onStop)
{
    // Close-on-exec: the workers must not hold the pipe.
    if (::pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    FNotifier = std::make_unique<QSocketNotifier>(Pipe[0], QSocketNotifier::Read);
    QObject::connect(FNotifier.get(), &QSocketNotifier::activated, [onStop = std::move(onStop)] {
        char bytes[16];
        ssize_t n = 0;
        while ((n = ::read(Pipe[0], bytes, sizeof bytes)) > 0)
            for (ssize_t i = 0; i < n; ++i)
                onStop();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, nullptr, &FOldInt);
    FHandlesInt = FOldInt.sa_handler != SIG_IGN;
    if (FHandlesInt)
        sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, &FOldTerm);
}

TStopSignals::~TStopSignals()
{
    if (!FNotifier)
        return;
    if (FHandlesInt)
        sigaction(SIGINT, &FOldInt, nullptr);
    sigaction(SIGTERM, &FOldTerm, nullptr);
    FNotifier.reset();
    ::close(Pipe[0]);
    ::close(Pipe[1]);
    Pipe[0] = Pipe[1] = -1;
}

bool TStopSignals::Caught() { return CaughtSignal != 0; }
