#include "render/photo/RayScene.h"

#include <embree3/rtcore.h>

#include <cmath>
#include <limits>
#include <stdexcept>

struct TRayScene::TImpl {
    RTCDevice Device = nullptr;
    RTCScene Scene = nullptr;
};

namespace {
TVec Unit(double x, double y, double z)
{
    const double n = std::sqrt(x * x + y * y + z * z);
    return n > 0 ? TVec{x / n, y / n, z / n} : TVec{0, 1, 0};
}
} // namespace

TRayScene::TRayScene(const TPhotoScene& scene) : FImpl(std::make_unique<TImpl>()), FMesh(scene.Mesh)
{
    FImpl->Device = rtcNewDevice(nullptr);
    if (!FImpl->Device)
        throw std::runtime_error("The photo renderer could not start (Embree).");
    FImpl->Scene = rtcNewScene(FImpl->Device);
    rtcSetSceneBuildQuality(FImpl->Scene, RTC_BUILD_QUALITY_HIGH);
    RTCGeometry geometry = rtcNewGeometry(FImpl->Device, RTC_GEOMETRY_TYPE_TRIANGLE);
    const auto& mesh = scene.Mesh;
    auto* vertices = static_cast<float*>(rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0,
                                                                 RTC_FORMAT_FLOAT3, 3 * sizeof(float),
                                                                 std::max<size_t>(mesh.Vertices.size(), 1)));
    auto* indices = static_cast<unsigned*>(rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0,
                                                                   RTC_FORMAT_UINT3, 3 * sizeof(unsigned),
                                                                   std::max<size_t>(mesh.Triangles.size(), 1)));
    if (!vertices || !indices) {
        rtcReleaseGeometry(geometry);
        throw std::runtime_error("The photo renderer ran out of memory.");
    }
    for (size_t i = 0; i < mesh.Vertices.size(); ++i)
        for (size_t k = 0; k < 3; ++k)
            vertices[3 * i + k] = float(mesh.Vertices[i].Pos[k]);
    for (size_t i = 0; i < mesh.Triangles.size(); ++i)
        for (size_t k = 0; k < 3; ++k)
            indices[3 * i + k] = mesh.Triangles[i].V[k];
    rtcCommitGeometry(geometry);
    rtcAttachGeometry(FImpl->Scene, geometry);
    rtcReleaseGeometry(geometry);
    rtcCommitScene(FImpl->Scene);
    if (rtcGetDeviceError(FImpl->Device) != RTC_ERROR_NONE)
        throw std::runtime_error("The photo renderer could not build its scene (Embree).");
}

TRayScene::~TRayScene()
{
    if (FImpl->Scene)
        rtcReleaseScene(FImpl->Scene);
    if (FImpl->Device)
        rtcReleaseDevice(FImpl->Device);
}

bool TRayScene::Intersect(const TVec& o, const TVec& d, double tMin, double tMax, TRayHit& hit) const
{
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRayHit rh{};
    rh.ray.org_x = float(o.x);
    rh.ray.org_y = float(o.y);
    rh.ray.org_z = float(o.z);
    rh.ray.dir_x = float(d.x);
    rh.ray.dir_y = float(d.y);
    rh.ray.dir_z = float(d.z);
    rh.ray.tnear = float(tMin);
    rh.ray.tfar = tMax < 1e30 ? float(tMax) : std::numeric_limits<float>::infinity();
    rh.ray.mask = 0xFFFFFFFFu;
    rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(FImpl->Scene, &context, &rh);
    if (rh.hit.geomID == RTC_INVALID_GEOMETRY_ID)
        return false;
    const TSceneTriangle& tri = FMesh.Triangles[rh.hit.primID];
    const TSceneVertex& a = FMesh.Vertices[tri.V[0]];
    const TSceneVertex& b = FMesh.Vertices[tri.V[1]];
    const TSceneVertex& c = FMesh.Vertices[tri.V[2]];
    const double u = rh.hit.u, v = rh.hit.v, w = 1 - u - v;
    hit.T = rh.ray.tfar;
    hit.Part = tri.Part;
    // The position from the barycentrics in double, not origin + t dir: no drift off the surface.
    hit.Pos = {w * a.Pos[0] + u * b.Pos[0] + v * c.Pos[0], w * a.Pos[1] + u * b.Pos[1] + v * c.Pos[1],
               w * a.Pos[2] + u * b.Pos[2] + v * c.Pos[2]};
    hit.Ng = Unit(rh.hit.Ng_x, rh.hit.Ng_y, rh.hit.Ng_z);
    hit.Ns = Unit(w * a.Normal[0] + u * b.Normal[0] + v * c.Normal[0], w * a.Normal[1] + u * b.Normal[1] + v * c.Normal[1],
                  w * a.Normal[2] + u * b.Normal[2] + v * c.Normal[2]);
    hit.S = w * a.S + u * b.S + v * c.S;
    hit.Tc = w * a.T + u * b.T + v * c.T;
    return true;
}
