#pragma once
// A 3D view without a display: its own EGL context and a framebuffer object of a fixed size.
// ShowCover draws at once and keeps the frame, as the widget does for saving.

#include "render/D3DRenderer.h"
#include "render/HeadlessContext.h"

#include <memory>

class THeadlessView : public TD3DRenderer {
public:
    // `ok` reports whether a context could be made and set up; Error() then says why not.
    THeadlessView(int width, int height, bool& ok);
    ~THeadlessView() override;

    void ShowCover(const TBitmap32* atlas, int frontWidth, int frontHeight, int sideWidth) override;
    void Resize(int width, int height);
    bool MakeCurrent() { return FContext.MakeCurrent(); }

    QString Error() const;
    const TBitmap32& LastFrame() const { return FLastFrame; }
    int Width() const { return FWidthPx; }
    int Height() const { return FHeightPx; }

private:
    THeadlessContext FContext;
    std::unique_ptr<TOffscreenTarget> FTarget;
    int FWidthPx, FHeightPx;
    TBitmap32 FLastFrame;
};
