#pragma once
// The face editor's view of the document's history: one stack per face, kept while the wizard
// moves between steps, so undo on a face step only ever touches that face. The document owns
// the stacks and says whether the work is modified.

#include <QObject>
#include <QUndoStack>
#include <array>

class TFaceHistory : public QObject {
    Q_OBJECT
public:
    // stacks: the document's face stacks (front, side, top), which outlive this.
    TFaceHistory(const std::array<QUndoStack*, 3>& stacks, QObject* parent = nullptr);

    // The face undo and redo act on; -1 off the face steps.
    void SetFace(int face);
    int Face() const { return FFace; }

    // Records a step taken on the current face (the command's first redo only repeats what was
    // done unless the command says otherwise). Without a current face the step is carried out
    // and dropped.
    void Push(QUndoCommand* command);
    void Undo();
    void Redo();
    bool CanUndo() const;
    bool CanRedo() const;

    // The steps pushed while one of these lives are undone and redone as one.
    class TStepGroup {
    public:
        explicit TStepGroup(TFaceHistory& history);
        ~TStepGroup();
        TStepGroup(const TStepGroup&) = delete;
        TStepGroup& operator=(const TStepGroup&) = delete;

    private:
        QUndoStack* FStack;
    };

    int Count(int face) const { return FStacks[std::size_t(face)]->count(); }

signals:
    // What can be undone or redone may have changed.
    void Changed();

private:
    QUndoStack* Current() const { return FFace >= 0 ? FStacks[std::size_t(FFace)] : nullptr; }

    std::array<QUndoStack*, 3> FStacks{};
    int FFace = -1;
};
