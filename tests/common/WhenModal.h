#pragma once
// Drives modal dialogs in tests: `action` runs on the first modal widget of type T that shows
// (polled from the event loop the dialog's exec() runs).
#include <QApplication>
#include <QTimer>
#include <functional>
#include <type_traits>

template <class T = QWidget>
void WhenModal(std::type_identity_t<std::function<void(T*)>> action, QWidget* ignore = nullptr)
{
    QTimer::singleShot(10, [action, ignore] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* t = qobject_cast<T*>(modal); t && modal != ignore)
            action(t);
        else
            WhenModal<T>(action, ignore);
    });
}
