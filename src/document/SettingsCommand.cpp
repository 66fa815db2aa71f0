#include "document/SettingsCommand.h"

namespace {
// Ids of QUndoCommand must not be -1; the other steps of the history leave id() at -1.
constexpr int FirstSettingId = 100;
} // namespace

QString SettingCaption(TSettingKey key)
{
    switch (key) {
    case TSettingKey::Type: return QStringLiteral("Tavlo Type");
    case TSettingKey::Angles: return QStringLiteral("Turn");
    case TSettingKey::Light: return QStringLiteral("Light");
    case TSettingKey::Shadow: return QStringLiteral("Shadow");
    case TSettingKey::ShadowStrength: return QStringLiteral("Shadow Intensity");
    case TSettingKey::Zoom: return QStringLiteral("Zoom");
    case TSettingKey::Background: return QStringLiteral("Background Color");
    case TSettingKey::Transparent: return QStringLiteral("Transparent background");
    case TSettingKey::CDPosition: return QStringLiteral("CD Position");
    case TSettingKey::ExportWidth: return QStringLiteral("Saved Picture Width");
    case TSettingKey::Smooth: return QStringLiteral("Smooth Edges");
    case TSettingKey::Quality: return QStringLiteral("Quality");
    case TSettingKey::Reflection: return QStringLiteral("Reflection");
    case TSettingKey::Gloss: return QStringLiteral("Gloss");
    }
    return {};
}

TSettingsCommand::TSettingsCommand(TApply apply, TFinalSettings before, TFinalSettings after, TSettingKey key,
                                   int gesture)
    : QUndoCommand(SettingCaption(key)), FApply(std::move(apply)), FBefore(std::move(before)), FAfter(std::move(after)),
      FKey(key), FGesture(gesture)
{
}

void TSettingsCommand::redo() { FApply(FAfter); }

void TSettingsCommand::undo() { FApply(FBefore); }

int TSettingsCommand::id() const { return FirstSettingId + int(FKey); }

bool TSettingsCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = dynamic_cast<const TSettingsCommand*>(other);
    if (!next || next->FKey != FKey || FGesture == 0 || next->FGesture != FGesture)
        return false;
    FAfter = next->FAfter;
    // A drag that ends where it began changed nothing: the step goes.
    setObsolete(FAfter == FBefore);
    return true;
}
