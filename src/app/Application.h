#pragma once
// The application object: shows every exception that reaches the event loop in the information
// box (the program goes on), and formats hints.

#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // The default OpenGL surface format of every view; must be set before the application exists.
    static void SetDefaultSurfaceFormat();
    // Shows an exception's message as the program does.
    static void ShowException(const QString& message);
};
