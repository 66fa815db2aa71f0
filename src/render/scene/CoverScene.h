#pragma once
// Builds the photo scene of a composed cover from the final page's settings: the same camera,
// angles, zoom, framing, light and shadow as the 3D view, plus the photo's own look (floor
// reflection, gloss of the laminate, blur of the reflection).

#include "render/HeadlessCover.h" // TCoverRenderSettings
#include "render/scene/ComposedCover.h"
#include "render/scene/PhotoScene.h"
#include "render/scene/SceneFraming.h"

struct TPhotoLook {
    int Reflection = 30; // 0..100: the floor's reflection where the cover meets it
    int Gloss = 50;      // 0..100: matte print to glossy laminate
    int Blur = 25;       // 0..100: a mirror to a blurred reflection
};

// Throws std::runtime_error naming the first value out of range.
void ValidateLook(const TPhotoLook& look);

// The framing input of the cover as the view would show it in a view of viewWidth x viewHeight.
TFramingInput FramingInputFor(const TComposedCover& cover, const TCoverRenderSettings& settings, int viewWidth,
                              int viewHeight);

// The whole scene, framed as RenderCoverHeadless frames its picture: cut to the content (the
// shadow's place counted when the shadow is on, and the floor's reflection) `Width` wide, or the
// whole Width x Height view framed exactly as the 3D view frames it.
// Throws std::runtime_error when a setting is out of range or the cover has no atlas.
TPhotoScene BuildPhotoScene(const TComposedCover& cover, const TCoverRenderSettings& settings,
                            const TPhotoLook& look);
