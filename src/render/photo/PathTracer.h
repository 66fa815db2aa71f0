#pragma once
// One sample of one picture point: the camera's ray to the cover (traced), the floor (caught
// shadow and reflection) or the background (exactly its colour, or nothing when transparent).

#include "render/photo/FloorCatcher.h"

enum class TPixelKind : uint8_t { Background = 0, Floor = 1, Cover = 2 };

struct TPixelSample {
    TRgb Colour;        // linear, premultiplied by Alpha
    float Alpha = 1;
    TPixelKind Kind = TPixelKind::Background;
    TRgb Albedo{1, 1, 1}; // guides for the noise filter
    TVec Normal{0, 0, 0};
    float Depth = 0;
};

class TPathTracer {
public:
    TPathTracer(const TPhotoScene& scene, const TRayScene& rays);

    // (x, y) in picture pixels from the top left corner, sub-pixel position included.
    TPixelSample Trace(double x, double y, TSampler& sampler) const;

private:
    const TPhotoScene& FScene;
    TCoverTransport FTransport;
    TFloorCatcher FFloor;
    TRgb FBackground;
    TVec FOrigin, FCorner, FStepX, FStepY; // the camera's rays
};
