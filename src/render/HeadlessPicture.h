#pragma once
// A cover picture at the quality asked for, without a display: Standard is the 3D view's own
// drawing (RenderCoverHeadless), Photo traces the light through the same scene (BuildPhotoScene,
// RenderPhoto). `tavlo render`, its batch workers and the window's Save As and Copy all come
// through here, so every way of saving a picture makes the same one.

#include "render/HeadlessCover.h"
#include "render/scene/CoverScene.h" // TPhotoLook

#include <atomic>

struct TFinalSettings;

struct TPictureQuality {
    bool Photo = false;
    TPhotoLook Look; // the photo's floor reflection, gloss and reflection blur
    int Samples = 0; // per pixel of the photo, 1..65536; 0: the photo renderer's default
    int Threads = 0; // the photo renderer's threads; 0: every core
};

// Throws std::runtime_error naming the first value out of range.
void ValidateQuality(const TPictureQuality& quality);

struct TPictureProgress {
    double Done = 0;                    // 0..1
    const TBitmap32* Preview = nullptr; // the photo as far as it is sampled, when there is one
};
// Told as the picture grows; answers false to stop it.
using TPictureProgressFn = std::function<bool(const TPictureProgress& progress)>;

// RenderCoverHeadless at the quality asked for; nothing when progress or cancel stopped it
// (cancel is polled while the photo is traced; the Standard picture is drawn in one go). Throws
// std::runtime_error with a message for the user as RenderCoverHeadless does, and when a photo
// that large would not fit into the free memory.
std::optional<TBitmap32> RenderCoverPicture(TBitmap32& front, TBitmap32& side, TBitmap32* top,
                                            const TCoverRenderSettings& settings, const TPictureQuality& quality,
                                            const TPictureProgressFn& progress = {},
                                            const std::atomic<bool>* cancel = nullptr);

// SaveTurntableHeadless at the quality asked for. A photo turntable traces every frame, all
// framed alike with their floor reflection, and is refused at once when memory cannot hold the
// GIF's frames together with one traced frame. Answers the frames' size, or an empty size when
// progress or cancel stopped it (nothing is written then).
QSize SaveTurntablePicture(TBitmap32& front, TBitmap32& side, TBitmap32* top, const TCoverRenderSettings& settings,
                           const TPictureQuality& quality, int frames, const QString& path,
                           const TTurntableProgressFn& progress = {}, const std::atomic<bool>* cancel = nullptr);

// The memory a photo of that size takes while it is traced and filtered, in bytes.
qint64 PhotoMemoryNeeded(QSize size);
// Refuses a photo of that size (std::runtime_error with the message for the user) when it needs
// more than room bytes; a negative room is unknown and refuses nothing. `smaller` is what the
// user makes smaller where the size is chosen: "width" in the window, "size" on the command line.
void RequirePhotoMemory(QSize size, qint64 room, const QString& smaller);

// A project's or the final page's settings as the renderers take them: the angles it keeps (the
// type's own when absent), light, shadow, zoom, background, the disc, the saved picture's size
// and view, smoothing and transparency; and the quality it is saved at. The window and `tavlo
// render --project` both start from these, so one settings record makes one picture.
TCoverRenderSettings FinalRenderSettings(const TFinalSettings& settings);
TPictureQuality FinalPictureQuality(const TFinalSettings& settings);
