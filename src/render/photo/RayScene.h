#pragma once
// The cover's triangles in an Embree scene: closest hits and the see-through parts' light
// transmission along a segment. Embree is used only here.

#include "render/photo/PhotoMath.h"
#include "render/scene/PhotoScene.h"

#include <memory>

struct TRayHit {
    double T = 0;           // distance along the (unit) ray
    TVec Pos, Ng, Ns;       // geometric and interpolated normals, unit, not yet turned to the ray
    double S = 0, Tc = 0;   // texture coordinates
    TScenePart Part = TScenePart::CoverPrint;
};

class TRayScene {
public:
    // Throws std::runtime_error when Embree cannot make its device or scene.
    explicit TRayScene(const TPhotoScene& scene);
    ~TRayScene();
    TRayScene(const TRayScene&) = delete;
    TRayScene& operator=(const TRayScene&) = delete;

    // The nearest triangle along origin + t dir for tMin < t < tMax.
    bool Intersect(const TVec& origin, const TVec& dir, double tMin, double tMax, TRayHit& hit) const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
    const TSceneMesh& FMesh;
};
