#pragma once
// TTemplatesFrm: adds, deletes, renames and re-points templates and sets the type they select. It
// works directly on the main window's list of cover documents; nothing reaches the settings file
// until the window closes.

#include "ui/ListEx.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QGridLayout;
class TBookCover;
class TTemplateStore;

// Asks the user for a picture file, offering the extension last chosen as the default one; an
// empty string when cancelled.
using TPicturePicker = std::function<QString(QWidget* parent, const QString& defaultExtension)>;

class TTemplatesFrm : public QDialog {
    Q_OBJECT
public:
    // store may be null (nothing is then read for added templates, and renames are not recorded).
    TTemplatesFrm(TListEx<TBookCover>& templates, TTemplateStore* store, QWidget* parent = nullptr);

    // Set by every successful Add, Delete and Apply: the dialog's answer to its caller.
    bool Changed() const { return FChanged; }
    TBookCover* SelectedTemplate() const;
    QLineEdit* OpenTarget() const { return FOpenTarget; }
    // The extension (at most 5 characters, no dot) of the file Browse chose last.
    QString DefaultExtension() const { return FDefaultExtension; }

    // The picture file dialog of the browse button (tests install their own).
    static void SetPicturePicker(TPicturePicker picker);

    // Whether no other live template has this name (ASCII case ignored); warns the user when not.
    bool IsUniqueName(const QString& name, const TBookCover* exclude) const;

    void btnAddClick();
    void btnDeleteClick();
    void btnApplyClick();
    void btnOpenClick();

    QLabel* lblSel = nullptr;
    QComboBox* cbTemplates = nullptr;
    QToolButton* btnAdd = nullptr;
    QToolButton* btnDelete = nullptr;
    QGroupBox* pnlTemplates = nullptr;
    QLineEdit* txtItemName = nullptr;
    QLineEdit* txtFrontImage = nullptr;
    QLineEdit* txtSideImage = nullptr;
    QLineEdit* txtTopImage = nullptr;
    QComboBox* cmbBookType = nullptr; // " None", then the types in the order of their numbers
    QToolButton* btnOpen = nullptr;
    QPushButton* btnApply = nullptr;
    QPushButton* btnDone = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void FillList();
    // Adds the template's entry at its alphabetical place; returns its index.
    int AddEntry(TBookCover* cover);
    void cbTemplatesChange();
    void UpdateApply();
    void MoveOpenButton(QLineEdit* field);

    TListEx<TBookCover>& FTemplates;
    TTemplateStore* FStore;
    bool FChanged = false;
    QLineEdit* FOpenTarget = nullptr;
    QString FDefaultExtension;
    QGridLayout* FFieldGrid = nullptr;
};

// Runs the dialog modally on the list; answers whether anything was added, deleted or applied.
bool EditTemplates(QWidget* parent, TListEx<TBookCover>* templates, TTemplateStore* store);
