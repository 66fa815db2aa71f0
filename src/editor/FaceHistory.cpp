#include "editor/FaceHistory.h"

#include <algorithm>
#include <memory>

TFaceHistory::TFaceHistory(const std::array<QUndoStack*, 3>& stacks, QObject* parent) : QObject(parent), FStacks(stacks)
{
    for (QUndoStack* stack : FStacks)
        connect(stack, &QUndoStack::indexChanged, this, &TFaceHistory::Changed);
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
