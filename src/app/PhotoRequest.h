#pragma once
// What a traced photo of the final page's cover is made from: the composed cover, the page's
// settings as the renderers take them, the photo's look and its samples per pixel. The view's
// progressive picture, Save As, Copy Picture and the turntable all trace one of these.

#include "project/Project.h"
#include "render/HeadlessCover.h"
#include "render/scene/ComposedCover.h"
#include "render/scene/CoverScene.h"
#include "render/scene/PhotoScene.h"

#include <memory>
#include <optional>

struct TPhotoRequest {
    std::shared_ptr<const TComposedCover> Cover; // shared with the page: never copied per trace
    TCoverRenderSettings Settings;
    TPhotoLook Look;
    int Samples = 0;                    // per pixel; 0: the renderer's default
    std::optional<TSceneCamera> Camera; // replaces the framing the settings give (turntable frames)
};

// The samples per pixel the request's trace ends at.
int RequestedSamples(const TPhotoRequest& request);
// Whether two requests give the same picture (a trace under way need not start again).
bool SamePhoto(const TPhotoRequest& a, const TPhotoRequest& b);
// The camera of every frame of a turn of `frames` frames of exactly `size` from the request's
// angle: one framing for the whole turn, around where the cover (with its shadow and reflection)
// lands at every angle, as a cut picture is framed around one. The request is the view's.
TSceneCamera PhotoTurntableCamera(const TPhotoRequest& request, int frames, QSize size);
// The scene to trace. Throws std::runtime_error when a setting is out of range or there is no cover.
TPhotoScene BuildRequestedScene(const TPhotoRequest& request);
