#pragma once
// A whole cover picture without a display: the faces composed for a book type, drawn on EGL
// surfaceless with the final page's settings at any size, and cut to its contents as Save As
// does. `tavlo render` is built on it.

#include "cover/BookType.h"
#include "raster/TBitmap32.h"
#include "render/TurntableGif.h"

#include <QSize>
#include <functional>
#include <memory>
#include <optional>

class TComposedCover;
class THeadlessView;

// The smallest zoom a picture can be drawn at: the field of view is then about 178 degrees.
constexpr float MinZoom = 0.761f;

struct TCoverRenderSettings {
    TBookType Type = btTwoSidedBox;
    std::optional<float> AngleX, AngleY; // degrees; the type's default angles when not given
    float LightElevation = 0.72f;        // 0..1, as the final page's "Light Attitude" / 100
    float LightAzimuth = 0.1f;           // 0..1, as "Light Orientation" / 100
    std::optional<bool> Shadow;          // on unless the type clears it (3, 4, 5, 6)
    float ShadowStrength = 0.5f;         // 0..1
    float Zoom = 1.0f;                   // the zoom asked of the view, MinZoom <= zoom < 10
    TColor32 Background = Color32(255, 255, 255);
    bool Smooth = false;
    int Passes = 9;                      // 1..255
    float CDPosition = 0.5f;             // 0..1
    int Width = 800, Height = 600;       // the view's shape; cut: the picture's width
    int ViewWidth = 0, ViewHeight = 0;   // the exact view to frame in, when not Width x Height
    bool Crop = true;                    // framed to the cover and its whole shadow
    bool Transparent = false;            // alpha 0 around the cover, the shadow see-through
    // The back cover of the paged types, shared by the copies of the settings; none draws the
    // front mirrored there.
    std::shared_ptr<const TBitmap32> Back;
};

// Checks the settings; throws std::runtime_error naming the first value out of range.
void ValidateSettings(const TCoverRenderSettings& settings);

// The shape of the view the cover is framed in: the exact view when given, otherwise the
// picture's own shape at a window-like size (at most 800 a side).
QSize HeadlessViewSize(const TCoverRenderSettings& settings);

// A view of a composed cover set up with the settings, current and ready to draw. Throws
// std::runtime_error like RenderCoverHeadless.
std::unique_ptr<THeadlessView> HeadlessViewOf(const TComposedCover& cover, const TCoverRenderSettings& settings);

// Composes front, side and top (may be null; the faces are reshaped in place) and renders them:
// cut, a picture `Width` wide holding the cover and its whole shadow (the height follows);
// otherwise the whole Width x Height view. Throws std::runtime_error with a message for the
// user when there is no OpenGL driver, a face is empty or a setting is out of range.
TBitmap32 RenderCoverHeadless(TBitmap32& front, TBitmap32& side, TBitmap32* top,
                              const TCoverRenderSettings& settings);

// The animated GIF of a turn of `frames` frames drawn with the settings.
TTurntableGif HeadlessTurntableGif(const TCoverRenderSettings& settings, int frames);

// The cover turning a full circle in `frames` frames `Width` wide, all framed alike, written to
// path as an animated GIF while they are rendered (TTurntableGifWriter): a turn that memory cannot
// hold is refused before any frame is drawn. Answers the frames' size, or an empty size when
// progress stopped it (nothing is written then).
QSize SaveTurntableHeadless(TBitmap32& front, TBitmap32& side, TBitmap32* top, const TCoverRenderSettings& settings,
                           int frames, const QString& path, const TTurntableProgressFn& progress = {});
