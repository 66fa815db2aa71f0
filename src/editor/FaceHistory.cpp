#include "editor/FaceHistory.h"

#include <algorithm>
#include <memory>

TFaceHistory::TFaceHistory(QObject* parent) : QObject(parent)
{
    for (QUndoStack*& stack : FStacks) {
        stack = new QUndoStack(this);
        connect(stack, &QUndoStack::indexChanged, this, [this] {
            emit CleanChanged();
            emit Changed();
        });
    }
}

void TFaceHistory::SetFace(int face)
{
    FFace = face >= 0 && face < int(FStacks.size()) ? face : -1;
    emit Changed();
}

void TFaceHistory::Push(QUndoCommand* command)
{
    if (QUndoStack* stack = Current()) {
        stack->push(command);
        return;
    }
    std::unique_ptr<QUndoCommand> dropped(command);
    dropped->redo();
}

void TFaceHistory::Undo()
{
    if (QUndoStack* stack = Current())
        stack->undo();
}

void TFaceHistory::Redo()
{
    if (QUndoStack* stack = Current())
        stack->redo();
}

bool TFaceHistory::CanUndo() const { return Current() && Current()->canUndo(); }
bool TFaceHistory::CanRedo() const { return Current() && Current()->canRedo(); }

void TFaceHistory::SetClean()
{
    for (QUndoStack* stack : FStacks)
        stack->setClean();
    emit CleanChanged();
    emit Changed();
}

void TFaceHistory::Clear()
{
    for (QUndoStack* stack : FStacks)
        stack->clear();
    emit CleanChanged();
    emit Changed();
}

bool TFaceHistory::Modified() const
{
    return std::any_of(FStacks.begin(), FStacks.end(), [](const QUndoStack* stack) { return !stack->isClean(); });
}

TFaceHistory::TStepGroup::TStepGroup(TFaceHistory& history) : FStack(history.Current())
{
    if (FStack)
        FStack->beginMacro(QString());
}

TFaceHistory::TStepGroup::~TStepGroup()
{
    if (FStack)
        FStack->endMacro();
}
