#pragma once
// Project files in the window: "Save Project..." and "Open Project..." (a menu button in the prompt
// bar and Ctrl+S / Ctrl+Shift+O on every step), the recent projects on the start page, and the
// window title naming the project with "*" while it has unsaved changes.

#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QToolButton;
class QWidget;
struct TProject;
class TRecentProjects;
class TTavloDocument;

// What the project commands need of the window.
struct TProjectFlowHost {
    std::function<bool()> ConfirmDiscard;  // unsaved changes asked about; true: go on
    std::function<int()> Step;             // the wizard step shown
    std::function<void()> ClearFaceEditor; // the face view's selection, layers and image
    std::function<void(int step)> GoToStep;
};

class TProjectFlow : public QObject {
    Q_OBJECT
public:
    // The menu button goes into bar (the prompt bar); the shortcuts act anywhere in window; the
    // recent list is built on startPage.
    TProjectFlow(QWidget* window, QWidget* bar, QWidget* startPage, TTavloDocument& document, TProjectFlowHost host);

    // Asks for a file when the work has none yet (or always with chooseName); true when written.
    bool SaveProject(bool chooseName = false);
    // Asks about unsaved changes, then for a file; false when nothing was opened.
    bool OpenProject();
    // Opens path (after the unsaved-changes question unless asked already); a damaged file
    // changes nothing.
    bool OpenProjectFile(const QString& path, bool asked = false);
    // Replaces the work with project (read already), shown at its step; origin: its file, or
    // empty for work recovered after a crash.
    void ShowProject(const TProject& project, const QString& origin);

    // The project the work came from or was last saved to; empty when none.
    QString ProjectPath() const;
    // The window's title: its caption with the place of the modified mark "[*]", after the
    // project's name when there is one.
    QString Title(const QString& caption) const;

    QToolButton* btnProject = nullptr;
    QAction* actSaveProject = nullptr;
    QAction* actSaveProjectAs = nullptr;
    QAction* actOpenProject = nullptr;
    TRecentProjects* Recent() const { return FRecent; }

private:
    QString ChooseFile(bool save) const;

    QWidget* FWindow;
    TTavloDocument& FDocument;
    TProjectFlowHost FHost;
    TRecentProjects* FRecent = nullptr;
};
