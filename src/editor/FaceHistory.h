#pragma once
// The undo history of the three faces: one stack per face, kept while the wizard moves between
// steps, so undo on a face step only ever touches that face. The picture counts as modified
// while any face stands away from the state it was last saved (or opened) in.

#include <QObject>
#include <QUndoStack>
#include <array>

class TFaceHistory : public QObject {
    Q_OBJECT
public:
    explicit TFaceHistory(QObject* parent = nullptr);

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

    // Every face's present state is the saved one.
    void SetClean();
    // The faces were replaced: nothing to undo on any of them.
    void Clear();
    bool Modified() const;
    int Count(int face) const { return FStacks[std::size_t(face)]->count(); }

signals:
    // What can be undone or redone may have changed.
    void Changed();
    // A step was taken, undone or redone, or the saved state moved: Modified() may differ.
    void CleanChanged();

private:
    QUndoStack* Current() const { return FFace >= 0 ? FStacks[std::size_t(FFace)] : nullptr; }

    std::array<QUndoStack*, 3> FStacks{};
    int FFace = -1;
};
