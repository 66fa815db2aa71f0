// The window's keys: Escape, and the face editor's and the document's keys, each where they
// belong (the face view's keys only while no other control takes them).
#include "app/FrameFrm.h"

#include "document/TavloDocument.h"
#include "editor/ImgView32.h"
#include "editor/LayerCommands.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextEdit>
#include <QUndoGroup>

bool TExperChild::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pageEditVarGroup && event->type() == QEvent::Resize)
        LayoutPage1();
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this && !QApplication::activeModalWidget())
        return HandleKey(static_cast<QKeyEvent*>(event));
    return QMainWindow::eventFilter(watched, event);
}

bool TExperChild::FaceViewHasKeys() const
{
    if (FStep < 1 || FStep > 3)
        return false;
    // Any other control with the focus (an edit box, a spin box) keeps Delete and the clipboard keys.
    const QWidget* focus = QApplication::focusWidget();
    return !focus || focus == this || focus == FLayerCommands->imgView || FLayerCommands->imgView->isAncestorOf(focus);
}

bool TExperChild::HandleKey(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (event->key() == Qt::Key_Escape) {
        if (!ctrl)
            close();
        return true;
    }
    if (!FaceViewHasKeys())
        return HandleSettingsUndoKey(event);
    switch (event->key()) {
    case Qt::Key_Z:
        if (ctrl) {
            (event->modifiers() & Qt::ShiftModifier) ? FLayerCommands->Redo() : FLayerCommands->Undo();
            return true;
        }
        break;
    case Qt::Key_Y:
        if (ctrl) { FLayerCommands->Redo(); return true; }
        break;
    case Qt::Key_Delete:
        DeleteLayer();
        return true;
    case Qt::Key_O:
        if (ctrl) { AddImageLayerFromFile(); return true; }
        break;
    case Qt::Key_C:
        if (ctrl) { CopySelected(); return true; }
        break;
    case Qt::Key_X:
        if (ctrl) { CutSelected(); return true; }
        break;
    case Qt::Key_V:
        if (ctrl) { PasteLayer(); return true; }
        break;
    default:
        break;
    }
    return false;
}

bool TExperChild::HandleSettingsUndoKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (!(mods & Qt::ControlModifier) || (FStep >= 1 && FStep <= 3))
        return false;
    // An edit box keeps its own undo.
    const QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<const QAbstractSpinBox*>(focus) || qobject_cast<const QLineEdit*>(focus)
        || qobject_cast<const QTextEdit*>(focus))
        return false;
    QUndoGroup* history = FDocument->History();
    if (event->key() == Qt::Key_Z && !(mods & Qt::ShiftModifier))
        history->undo();
    else if (event->key() == Qt::Key_Y || (event->key() == Qt::Key_Z && (mods & Qt::ShiftModifier)))
        history->redo();
    else
        return false;
    return true;
}

void TExperChild::DeleteLayer()
{
    if (FStep >= 1 && FStep <= 3)
        FLayerCommands->DeleteLayer();
}
void TExperChild::AddImageLayerFromFile()
{
    if (FStep >= 1 && FStep <= 3)
        FLayerCommands->AddImageLayerFromFile();
}
// The layer clipboard's keys act on the face steps only.
static void RunOnFaceStep(int step, const std::function<void()>& command)
{
    if (step >= 1 && step <= 3 && command)
        command();
}
void TExperChild::CopySelected() { RunOnFaceStep(FStep, FLayerCommands->Hooks.Copy); }
void TExperChild::CutSelected() { RunOnFaceStep(FStep, FLayerCommands->Hooks.Cut); }
void TExperChild::PasteLayer() { RunOnFaceStep(FStep, FLayerCommands->Hooks.Paste); }
