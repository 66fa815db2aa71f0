#include "render/HeadlessCover.h"

#include "render/HeadlessView.h"
#include "render/scene/ComposedCover.h"

#include <QSize>
#include <memory>
#include <numbers>
#include <stdexcept>

namespace {
void Require(bool condition, const char* message)
{
    if (!condition)
        throw std::runtime_error(message);
}

float Radians(float degrees) { return float(double(degrees) * std::numbers::pi / 180.0); }
} // namespace

void ValidateSettings(const TCoverRenderSettings& s)
{
    Require(s.Width >= 1 && s.Height >= 1 && s.Width <= 8192 && s.Height <= 8192,
            "The picture size must be between 1 x 1 and 8192 x 8192 pixels.");
    Require(s.ViewWidth >= 0 && s.ViewHeight >= 0 && s.ViewWidth <= 8192 && s.ViewHeight <= 8192,
            "The view size must be between 1 x 1 and 8192 x 8192 pixels.");
    Require(s.LightElevation >= 0 && s.LightElevation <= 1, "The light elevation must be between 0 and 100.");
    Require(s.LightAzimuth >= 0 && s.LightAzimuth <= 1, "The light azimuth must be between 0 and 100.");
    Require(s.ShadowStrength >= 0 && s.ShadowStrength <= 1, "The shadow strength must be between 0 and 100.");
    // Below about 0.7603 the view's zoom formula opens the field of view to 180 degrees and
    // beyond, where the picture turns over.
    Require(s.Zoom >= MinZoom && s.Zoom < 10, "The zoom must be from 0.761 to 9.99.");
    Require(s.Passes >= 1 && s.Passes <= 255, "The smoothing passes must be between 1 and 255.");
    Require(s.CDPosition >= 0 && s.CDPosition <= 1, "The CD position must be between 0 and 100.");
    Require(int(s.Type) < BookTypeCount, "Unknown book type.");
}

QSize HeadlessViewSize(const TCoverRenderSettings& s)
{
    // The view keeps the picture's shape at a window-like size; the picture itself is then drawn
    // at full size, so the smoothing jitter has the same size in pixels as in the program.
    QSize viewSize(s.Width, s.Height);
    if (s.ViewWidth > 0 && s.ViewHeight > 0)
        viewSize = QSize(s.ViewWidth, s.ViewHeight); // a window's view, framed exactly as it framed
    else if (viewSize.width() > 800 || viewSize.height() > 800)
        viewSize.scale(800, 800, Qt::KeepAspectRatio);
    return viewSize.expandedTo(QSize(1, 1));
}

std::unique_ptr<THeadlessView> HeadlessViewOf(const TComposedCover& cover, const TCoverRenderSettings& s)
{
    ValidateSettings(s);
    const QSize viewSize = HeadlessViewSize(s);
    bool ok = false;
    auto view = std::make_unique<THeadlessView>(viewSize.width(), viewSize.height(), ok);
    if (!ok)
        throw std::runtime_error(view->Error().toStdString());
    view->FBackColor = s.Background | 0xFF000000u;
    view->SetLight(s.LightElevation, s.LightAzimuth);
    view->FShadow = s.Shadow.value_or(!ClearsShadow(s.Type));
    view->SetShadowStrength(s.ShadowStrength);
    view->SetZoom(s.Zoom);
    view->FCDPosition = s.CDPosition;
    view->FPasses = uint8_t(s.Passes);
    // What composition told the view, in the order it tells it.
    view->SetRingBinding(cover.Ring);
    view->SetIsCD(cover.IsCD);
    view->SetPagedBook(cover.Paged);
    view->SetAngleX(cover.AngleX);
    view->SetAngleY(cover.AngleY);
    view->SetPageInset(cover.PageInset);
    view->ShowCover(&cover.Atlas, cover.FrontWidth, cover.FrontHeight, cover.SideWidth);
    if (s.AngleX)
        view->SetAngleX(Radians(*s.AngleX));
    if (s.AngleY)
        view->SetAngleY(Radians(*s.AngleY));
    view->FSmooth = s.Smooth;
    view->FTransparent = s.Transparent;
    Require(view->MakeCurrent(), "The OpenGL context was lost.");
    return view;
}

namespace {
// A view set up with the settings and the faces composed for its type.
std::unique_ptr<THeadlessView> PrepareView(TBitmap32& front, TBitmap32& side, TBitmap32* top,
                                           const TCoverRenderSettings& s)
{
    ValidateSettings(s);
    return HeadlessViewOf(ComposeCover(s.Type, front, side, top, s.Back.get()), s);
}
} // namespace

TBitmap32 RenderCoverHeadless(TBitmap32& front, TBitmap32& side, TBitmap32* top, const TCoverRenderSettings& s)
{
    const auto view = PrepareView(front, side, top, s);
    if (s.Crop)
        return view->RenderContent(s.Width);
    return view->RenderToBitmap(s.Width, s.Height);
}

TTurntableGif HeadlessTurntableGif(const TCoverRenderSettings& s, int frames)
{
    TTurntableGif gif;
    gif.Frames = frames;
    gif.Size = QSize(s.Width, 0);
    gif.Transparent = s.Transparent;
    gif.Background = s.Background;
    return gif;
}

QSize SaveTurntableHeadless(TBitmap32& front, TBitmap32& side, TBitmap32* top, const TCoverRenderSettings& s,
                           int frames, const QString& path, const TTurntableProgressFn& progress)
{
    const auto view = PrepareView(front, side, top, s);
    TTurntableGifWriter writer(*view, HeadlessTurntableGif(s, frames));
    return writer.Save(path, progress) ? writer.FrameSize() : QSize();
}
