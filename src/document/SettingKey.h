#pragma once
// The settings of the final page that change one at a time: a history step changes one of them,
// and steps of the same key in one gesture merge.

enum class TSettingKey {
    Type,
    Angles,
    Light,
    Shadow,
    ShadowStrength,
    Zoom,
    Background,
    Transparent,
    CDPosition,
    ExportWidth,
    Smooth,
    Quality,
    Reflection,
    Gloss,
};
