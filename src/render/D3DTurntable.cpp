// The renderer's turntable: frames of the cover turning a full circle, all framed alike.
#include "render/D3DRenderer.h"

#include <algorithm>
#include <stdexcept>

namespace {
// Sets the angle about the vertical axis for frame k of a turn and puts it back at the end.
struct TTurn {
    float& Angle;
    const float Start;
    const int Frames;
    void To(int k) { Angle = Start + 360.0f * float(k) / float(Frames); }
    ~TTurn() { Angle = Start; }
};
} // namespace

TContentFrame TD3DRenderer::TurntableFrame(int frames, QSize size)
{
    if (size.width() < 1 || size.width() > 8192 || size.height() < 0 || size.height() > 8192)
        throw std::runtime_error("The picture size must be between 1 x 1 and 8192 x 8192 pixels.");
    // One frame for all: the union of where the cover and its shadow land at every angle.
    return FrameContent(size, QSize(FWidth, FHeight), [&](double viewPixelsPerPixel) {
        return TurnContentBounds(FramingInput(viewPixelsPerPixel), frames, FShadow);
    });
}

QSize TD3DRenderer::TurntableFrameSize(int frames, QSize size)
{
    const TContentFrame frame = TurntableFrame(frames, size);
    return {frame.Width, frame.Height};
}

bool TD3DRenderer::RenderTurntable(int frames, int width,
                                   const std::function<bool(int index, const TBitmap32& frame)>& frameDone)
{
    return RenderTurntable(frames, QSize(width, 0), frameDone);
}

bool TD3DRenderer::RenderTurntable(int frames, QSize size,
                                   const std::function<bool(int index, const TBitmap32& frame)>& frameDone)
{
    if (!FGLReady)
        throw std::runtime_error("The 3D view is not available.");
    const TContentFrame frame = TurntableFrame(frames, size);
    TTurn turn{FAngleY, FAngleY, std::max(frames, 1)};
    for (int k = 0; k < turn.Frames; ++k) {
        turn.To(k);
        if (!frameDone(k, RenderFramed(frame, 2048)))
            return false;
    }
    return true;
}
