#pragma once
// A modal window that no test drives holds its test in exec() for ever. While alive, the watchdog
// fails the running test once the same modal window has stayed open for the deadline, naming it,
// and closes it so the test goes on. Progress dialogs close by themselves and are left alone.
#include "WhenModal.h" // beside it: the gtest mains include it without the tests folder on their path

#include <QElapsedTimer>
#include <QProgressDialog>

class TModalWatchdog {
public:
    explicit TModalWatchdog(std::chrono::milliseconds deadline = ModalDeadline) : FDeadline(deadline)
    {
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Check(); });
        FTimer.start(250);
    }

private:
    void Check()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || qobject_cast<QProgressDialog*>(modal) || modal != FSeen) {
            FSeen = modal;
            FOpenFor.start();
            return;
        }
        if (FOpenFor.elapsed() < FDeadline.count())
            return;
        ADD_FAILURE() << modal_wait::Describe(modal) << " stayed open for " << FDeadline.count()
                      << " ms with no test answering it; it is closed";
        FSeen = nullptr;
        modal_wait::Dismiss(modal);
    }

    std::chrono::milliseconds FDeadline;
    QTimer FTimer;
    QPointer<QWidget> FSeen;
    QElapsedTimer FOpenFor;
};
