#pragma once
// TInputDlgFrm: asks for the name of a new template. A validator may refuse the typed name (it
// tells the user why); the dialog then stays open with the focus back in the edit.

#include <QDialog>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;

// Given the trimmed text; answers whether it is acceptable.
using TNameValidator = std::function<bool(const QString& name)>;

class TInputDlgFrm : public QDialog {
    Q_OBJECT
public:
    explicit TInputDlgFrm(QWidget* owner, TNameValidator validator = {});

    QString Value() const; // the trimmed text

    QLabel* Image1 = nullptr;
    QLabel* lblPrompt = nullptr;
    QLineEdit* txtValue = nullptr;
    QFrame* Bevel1 = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void txtValueChange();
    void btnOKClick();

    TNameValidator FValidator;
};

// Shows the dialog modally; the trimmed name when it ends with OK.
std::optional<QString> InputName(QWidget* owner, TNameValidator validator);
