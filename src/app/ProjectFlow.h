#pragma once
// Project files in the window: "Save Project..." and "Open Project..." (a menu button in the prompt
// bar and Ctrl+S / Ctrl+Shift+O on every step), the recent projects on the start page, and the
// window title naming the project with "*" while it has unsaved changes.

#include "app/ProjectState.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QAction;
class QToolButton;
class QWidget;
class TRecentProjects;

// What the project commands need of the window.
struct TProjectFlowHost {
    std::function<bool()> ConfirmDiscard;        // unsaved changes asked about; true: go on
    std::function<TProjectStateAccess()> State;  // the window's cover, records, editor, final page
    std::function<TBookCover*(const QString& name)> NewCover; // a cover document the window keeps
    std::function<void()> ClearFaceEditor;       // the face view's selection, layers and image
    std::function<void(int step)> GoToStep;
    std::function<void(bool)> SetModified;
    std::function<void()> TitleChanged;
};

class TProjectFlow : public QObject {
    Q_OBJECT
public:
    // The menu button goes into bar (the prompt bar); the shortcuts act anywhere in window; the
    // recent list is built on startPage.
    TProjectFlow(QWidget* window, QWidget* bar, QWidget* startPage, TProjectFlowHost host);

    // Asks for a file when the work has none yet (or always with chooseName); true when written.
    bool SaveProject(bool chooseName = false);
    // Asks about unsaved changes, then for a file; false when nothing was opened.
    bool OpenProject();
    // Opens path (after the unsaved-changes question); a damaged file changes nothing.
    bool OpenProjectFile(const QString& path);
    // The final step was entered: angles kept in an opened project are put back once.
    void FinalStepEntered();

    // The project the work came from or was last saved to; empty when none.
    QString ProjectPath() const { return FPath; }
    // The window's title: its caption, after the project's name and "[*]" when there is one.
    QString Title(const QString& caption) const;
    void Forget() { FPath.clear(); }

    QToolButton* btnProject = nullptr;
    QAction* actSaveProject = nullptr;
    QAction* actSaveProjectAs = nullptr;
    QAction* actOpenProject = nullptr;
    TRecentProjects* Recent() const { return FRecent; }

private:
    QString ChooseFile(bool save) const;

    QWidget* FWindow;
    TProjectFlowHost FHost;
    TRecentProjects* FRecent = nullptr;
    QString FPath;
    std::optional<TFinalSettings> FPendingAngles;
};
