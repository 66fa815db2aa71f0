#pragma once
// Drives modal dialogs in tests: `action` runs on the first modal widget of type T that shows
// (polled from the event loop the dialog's exec() runs). A test fails, it never hangs: when no
// such dialog shows within the deadline the wait fails the test naming T, closes whatever other
// modal window holds the event loop, and stops; a wait still pending when its test ends fails
// that test, so it can never act on a later test's dialogs.
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>
#include <gtest/gtest.h>

// How long a test waits for a modal dialog before it fails.
inline constexpr std::chrono::milliseconds ModalDeadline{10000};

namespace modal_wait {

// A window as a failure names it: its class and title.
inline std::string Describe(const QWidget* window)
{
    return std::string(window->metaObject()->className()) + " \"" + window->windowTitle().toStdString() + "\"";
}

// Ends the exec() a modal window holds: a dialog is rejected, anything else closed.
inline void Dismiss(QWidget* window)
{
    if (auto* dialog = qobject_cast<QDialog*>(window))
        dialog->reject();
    else
        window->close();
}

struct TWait {
    std::string What; // "modal TFontDlgFrm"
    bool Done = false;
};

// The waits armed in the running test; a listener fails the test that leaves one pending.
class TPendingWaits : public testing::EmptyTestEventListener {
public:
    void Add(std::shared_ptr<TWait> wait) { FWaits.push_back(std::move(wait)); }
    void OnTestEnd(const testing::TestInfo&) override
    {
        for (const auto& wait : FWaits)
            if (!wait->Done) {
                wait->Done = true;
                ADD_FAILURE() << "the test ended while still waiting for a " << wait->What;
            }
        FWaits.clear();
    }

private:
    std::vector<std::shared_ptr<TWait>> FWaits;
};

inline TPendingWaits& PendingWaits()
{
    // Appended after gtest's printer, so it hears of a test's end first and the failure is printed.
    static TPendingWaits* waits = [] {
        auto* listener = new TPendingWaits; // owned by gtest's listener list
        testing::UnitTest::GetInstance()->listeners().Append(listener);
        return listener;
    }();
    return *waits;
}

template <class T>
void Poll(std::function<void(T*)> action, QPointer<QWidget> ignore, QDeadlineTimer deadline,
          std::chrono::milliseconds allowed, std::shared_ptr<TWait> wait)
{
    QTimer::singleShot(10, [=] {
        if (wait->Done)
            return; // its test has ended
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* t = qobject_cast<T*>(modal); t && modal != ignore) {
            wait->Done = true;
            action(t);
            return;
        }
        if (!deadline.hasExpired()) {
            Poll<T>(action, ignore, deadline, allowed, wait);
            return;
        }
        wait->Done = true;
        const bool other = modal && modal != ignore;
        ADD_FAILURE() << "no " << wait->What << " showed within " << allowed.count() << " ms"
                      << (other ? "; " + Describe(modal) + " was open instead and is closed" : std::string());
        if (other)
            Dismiss(modal);
    });
}

} // namespace modal_wait

template <class T = QWidget>
void WhenModal(std::type_identity_t<std::function<void(T*)>> action, QWidget* ignore = nullptr,
               std::chrono::milliseconds deadline = ModalDeadline)
{
    auto wait = std::make_shared<modal_wait::TWait>();
    wait->What = std::string("modal ") + T::staticMetaObject.className();
    modal_wait::PendingWaits().Add(wait);
    modal_wait::Poll<T>(std::move(action), QPointer<QWidget>(ignore), QDeadlineTimer(deadline), deadline, wait);
}
