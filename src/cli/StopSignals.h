#pragma once
// SIGINT and SIGTERM turned into a call on the event loop (the handler only writes a byte to a
// pipe), so a batch can stop its workers and say what it did instead of dying halfway.

#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <memory>

class TStopSignals {
public:
    // Handles SIGINT (unless it was ignored, as for a background job of a shell) and SIGTERM
    // until destroyed; onStop runs on the event loop, once per signal.
    explicit TStopSignals(std::function<void()> onStop);
    ~TStopSignals();
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    // True from the moment a signal arrives, before the event loop hears of it: a worker that
    // died of the same Ctrl+C is then known to be stopped, not failed.
    static bool Caught();

private:
    std::unique_ptr<QSocketNotifier> FNotifier;
    struct sigaction FOldInt = {}, FOldTerm = {};
    bool FHandlesInt = false;
};
