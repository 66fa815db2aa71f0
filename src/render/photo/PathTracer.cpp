#include "render/photo/PathTracer.h"

#include <limits>

TPathTracer::TPathTracer(const TPhotoScene& scene, const TRayScene& rays)
    : FScene(scene), FTransport(scene, rays), FFloor(scene, FTransport)
{
    const uint32_t bg = scene.Background;
    FBackground = {SrgbToLinear(int((bg >> 16) & 255)), SrgbToLinear(int((bg >> 8) & 255)), SrgbToLinear(int(bg & 255))};
    const TSceneCamera::TRayPlane plane = scene.Camera.RayPlane();
    FOrigin = ToVec(scene.Camera.Position());
    FCorner = ToVec(plane.Corner);
    FStepX = ToVec(plane.StepX);
    FStepY = ToVec(plane.StepY);
}

TPixelSample TPathTracer::Trace(double x, double y, TSampler& sampler) const
{
    TPixelSample out;
    const TVec origin = FOrigin;
    const TVec dir = Normalized(FCorner + FStepX * x + FStepY * y);
    const TSceneFloor& floor = FScene.Floor;
    double floorT = std::numeric_limits<double>::infinity();
    if (floor.Present && dir.y < 0)
        floorT = (floor.Y - origin.y) / dir.y;

    TRayHit hit;
    if (FTransport.NextSurface(origin, dir, floorT, sampler, hit)) {
        out.Kind = TPixelKind::Cover;
        out.Colour = FTransport.Radiance(hit, dir, sampler);
        out.Albedo = FTransport.MaterialAt(hit).Albedo;
        out.Normal = Dot(hit.Ng, dir) < 0 ? hit.Ng : -hit.Ng;
        out.Depth = float(Dot(hit.Pos - origin, dir));
        return out;
    }
    if (floorT < std::numeric_limits<double>::infinity()) {
        out.Kind = TPixelKind::Floor;
        out.Normal = {0, 1, 0};
        out.Depth = float(floorT);
        const TFloorShade f = FFloor.Shade(origin + dir * floorT, dir, sampler);
        if (FScene.Transparent) {
            // Over black: the reflection as colour, the shadow and the reflection as cover.
            out.Colour = f.Reflected * f.Reflection;
            out.Alpha = 1 - f.Kept * (1 - f.Reflection);
        } else {
            out.Colour = FBackground * (f.Kept * (1 - f.Reflection)) + f.Reflected * f.Reflection;
        }
        return out;
    }
    if (FScene.Transparent) {
        out.Alpha = 0;
        return out;
    }
    out.Colour = FBackground;
    return out;
}
