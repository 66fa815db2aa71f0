#pragma once
// Answers the program's Save As dialog in tests as a user would: types a name and confirms.

#include "common/WhenModal.h"

#include <QFileDialog>
#include <QLineEdit>

// Answers the next save dialog: records how it was set up, then accepts `name` typed into its
// file name field (an empty name cancels). The dialog's own checks (overwrite question,
// default extension) run as for a user.
struct TDialogDriver {
    QString Title, Selected, Directory, Offered;

    // Fails the test when no file dialog shows within the deadline (see WhenModal).
    void Answer(const QString& name)
    {
        WhenModal<QFileDialog>([this, name](QFileDialog* dialog) {
            Title = dialog->windowTitle();
            Selected = dialog->selectedNameFilter();
            Directory = dialog->directory().absolutePath();
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!edit) {
                ADD_FAILURE() << "the file dialog has no name field";
                dialog->reject();
                return;
            }
            Offered = edit->text();
            if (name.isEmpty()) {
                dialog->reject();
                return;
            }
            edit->setText(name);
            static_cast<QDialog*>(dialog)->accept(); // runs the file dialog's own checks
        });
    }
};
