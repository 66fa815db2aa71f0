#pragma once
// A change of the final page's settings as a step of the history: it holds the settings before
// and after (a few dozen bytes), so undo puts back exactly what was there.

#include "document/SettingKey.h"
#include "project/Project.h"

#include <QUndoCommand>
#include <functional>

class TSettingsCommand : public QUndoCommand {
public:
    // apply puts settings into the document (and tells its views).
    using TApply = std::function<void(const TFinalSettings&)>;
    TSettingsCommand(TApply apply, TFinalSettings before, TFinalSettings after, TSettingKey key, int gesture);

    void redo() override;
    void undo() override;
    int id() const override;
    // A later step of the same key and gesture is taken into this one.
    bool mergeWith(const QUndoCommand* other) override;

    TSettingKey Key() const { return FKey; }

private:
    TApply FApply;
    TFinalSettings FBefore, FAfter;
    TSettingKey FKey;
    int FGesture;
};

// The caption of a step changing key, as undo and redo name it.
QString SettingCaption(TSettingKey key);
