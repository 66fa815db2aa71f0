#include "render/HeadlessView.h"

#include <stdexcept>

THeadlessView::THeadlessView(int width, int height, bool& ok)
    : FWidthPx(std::max(width, 1)), FHeightPx(std::max(height, 1))
{
    ok = FContext.Ok();
    if (!ok)
        return;
    try {
        FTarget = std::make_unique<TOffscreenTarget>(FWidthPx, FHeightPx);
    } catch (const std::exception&) {
        ok = false;
        return;
    }
    ok = InitGL(FWidthPx, FHeightPx);
}

THeadlessView::~THeadlessView()
{
    if (FContext.MakeCurrent()) {
        ReleaseGL();
        FTarget.reset();
    }
}

QString THeadlessView::Error() const
{
    if (!FContext.Error().isEmpty())
        return FContext.Error();
    return GLReady() ? QString() : QString("The OpenGL driver cannot draw the 3D view.");
}

void THeadlessView::Resize(int width, int height)
{
    FContext.MakeCurrent();
    FWidthPx = std::max(width, 1);
    FHeightPx = std::max(height, 1);
    FTarget.reset();
    FTarget = std::make_unique<TOffscreenTarget>(FWidthPx, FHeightPx);
    SetupProjection(FWidthPx, FHeightPx);
}

void THeadlessView::ShowCover(const TBitmap32* atlas, int frontWidth, int frontHeight, int sideWidth)
{
    if (!GLReady() || !FContext.MakeCurrent())
        return;
    LoadCover(atlas, frontWidth, frontHeight, sideWidth);
    Paint();
    FLastFrame = ReadFramebuffer(FWidthPx, FHeightPx);
}
