#include "app/ProjectFlow.h"

#include "app/RecentProjects.h"
#include "document/TavloDocument.h"
#include "imageio/LastFolder.h"
#include "project/ProjectFile.h"
#include "ui/MsgBox.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QToolButton>

namespace {

const QString ProjectFilter = QStringLiteral("Tavlo Project (*.tavlo)");

// The busy cursor for as long as a project is read or written.
struct TBusy {
    TBusy() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusy() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TProjectFlow::TProjectFlow(QWidget* window, QWidget* bar, QWidget* startPage, TTavloDocument& document,
                           TProjectFlowHost host)
    : QObject(window), FWindow(window), FDocument(document), FHost(std::move(host))
{
    actSaveProject = new QAction(QStringLiteral("&Save Project..."), window);
    actSaveProject->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    actSaveProject->setToolTip(QStringLiteral("Keeps the whole Tavlo (faces, layers and 3D settings) in a project file"));
    actSaveProjectAs = new QAction(QStringLiteral("Save Project &As..."), window);
    actSaveProjectAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    actOpenProject = new QAction(QStringLiteral("&Open Project..."), window);
    actOpenProject->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    actOpenProject->setToolTip(QStringLiteral("Continues a Tavlo kept in a project file"));
    for (QAction* a : {actSaveProject, actSaveProjectAs, actOpenProject}) {
        a->setShortcutContext(Qt::WindowShortcut);
        window->addAction(a);
    }
    connect(actSaveProject, &QAction::triggered, this, [this] { SaveProject(false); });
    connect(actSaveProjectAs, &QAction::triggered, this, [this] { SaveProject(true); });
    connect(actOpenProject, &QAction::triggered, this, [this] { OpenProject(); });

    btnProject = new QToolButton(bar);
    btnProject->setObjectName("btnProject");
    btnProject->setText(QStringLiteral("&Project"));
    btnProject->setToolTip(QStringLiteral("Save or open a project: the whole Tavlo to continue later "
                                          "(Ctrl+S saves, Ctrl+Shift+O opens)"));
    btnProject->setPopupMode(QToolButton::InstantPopup);
    btnProject->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* menu = new QMenu(btnProject);
    menu->addAction(actOpenProject);
    menu->addAction(actSaveProject);
    menu->addAction(actSaveProjectAs);
    menu->setToolTipsVisible(true);
    btnProject->setMenu(menu);

    FRecent = new TRecentProjects(startPage);
    connect(FRecent, &TRecentProjects::OpenRequested, this, [this](const QString& path) { OpenProjectFile(path); });
}

QString TProjectFlow::ProjectPath() const { return FDocument.Origin().ProjectPath; }

QString TProjectFlow::Title(const QString& caption) const
{
    const QString path = ProjectPath();
    return path.isEmpty() ? caption + QStringLiteral("[*]")
                          : QFileInfo(path).completeBaseName() + QStringLiteral("[*] -") + caption;
}

QString TProjectFlow::ChooseFile(bool save) const
{
    QFileDialog dialog(FWindow);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(save ? QStringLiteral("Save Project") : QStringLiteral("Open Project"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(ProjectFilter);
    dialog.setDefaultSuffix(QLatin1String(ProjectExtension));
    const QString current = ProjectPath();
    const QString folder = current.isEmpty() ? LastFolder() : QFileInfo(current).absolutePath();
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    if (save)
        dialog.selectFile(current.isEmpty() ? FDocument.DisplayName() : QFileInfo(current).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    RememberFolder(dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

bool TProjectFlow::SaveProject(bool chooseName)
{
    QString path = ProjectPath();
    if (chooseName || path.isEmpty())
        path = ChooseFile(true);
    if (path.isEmpty())
        return false;
    try {
        const TBusy busy;
        ::SaveProject(FDocument.ToProject(FHost.Step()), path);
    } catch (const std::exception& e) {
        ShowInfo(QString::fromUtf8(e.what()));
        return false;
    }
    FDocument.MarkSaved(path);
    FRecent->Add(ProjectPath());
    return true;
}

bool TProjectFlow::OpenProject()
{
    if (!FHost.ConfirmDiscard())
        return false;
    const QString path = ChooseFile(false);
    return !path.isEmpty() && OpenProjectFile(path, true);
}

bool TProjectFlow::OpenProjectFile(const QString& path, bool asked)
{
    if (!asked && !FHost.ConfirmDiscard())
        return false;
    TProject project;
    try {
        const TBusy busy;
        project = LoadProject(path);
    } catch (const std::exception& e) {
        // Nothing of the open work has changed.
        ShowInfo(QString::fromUtf8(e.what()));
        if (!QFileInfo::exists(path))
            FRecent->Remove(path);
        return false;
    }
    ShowProject(project, path);
    FRecent->Add(ProjectPath());
    return true;
}

void TProjectFlow::ShowProject(const TProject& project, const QString& origin)
{
    const TBusy busy;
    // Back to the start page first, so the face on show goes into its record and is replaced there.
    FHost.GoToStep(0);
    FHost.ClearFaceEditor();
    FDocument.ReplaceWithProject(project, origin);
    FHost.GoToStep(project.Step);
}
