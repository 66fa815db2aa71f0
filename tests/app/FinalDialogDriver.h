#pragma once
// Answers the program's Save As dialog in tests as a user would: types a name and confirms.

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

// Answers the next save dialog: records how it was set up, then accepts `name` typed into its
// file name field (an empty name cancels). The dialog's own checks (overwrite question,
// default extension) run as for a user.
struct TDialogDriver {
    QString Title, Selected, Directory, Offered;

    void Answer(const QString& name)
    {
        QTimer::singleShot(0, [this, name] { Poll(name); });
    }

private:
    void Poll(const QString& name)
    {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, [this, name] { Poll(name); });
            return;
        }
        Title = dialog->windowTitle();
        Selected = dialog->selectedNameFilter();
        Directory = dialog->directory().absolutePath();
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        Offered = edit->text();
        if (name.isEmpty()) {
            dialog->reject();
            return;
        }
        edit->setText(name);
        static_cast<QDialog*>(dialog)->accept(); // runs the file dialog's own checks
    }
};
