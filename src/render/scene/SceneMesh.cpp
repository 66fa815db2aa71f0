#include "render/scene/SceneMesh.h"

#include <cmath>
#include <numbers>

namespace {
using TV = std::array<double, 3>;

TV ToV(const TVec3& v) { return {v.x, v.y, v.z}; }

class TMeshWriter {
public:
    explicit TMeshWriter(TSceneMesh& mesh) : FMesh(mesh) {}

    uint32_t Vertex(const TV& pos, const TV& normal, double s, double t)
    {
        FMesh.Vertices.push_back({pos, normal, s, t});
        return uint32_t(FMesh.Vertices.size() - 1);
    }
    // a b c d counter-clockwise seen from the side the normals face.
    void Quad(uint32_t a, uint32_t b, uint32_t c, uint32_t d, TScenePart part)
    {
        FMesh.Triangles.push_back({{a, b, c}, part});
        FMesh.Triangles.push_back({{a, c, d}, part});
    }

private:
    TSceneMesh& FMesh;
};

// The paged types' page block is the top, the edge opposite the spine and the bottom.
TScenePart BoxPart(const TCoverPlacement& c, size_t quad)
{
    if (c.IsCD)
        return TScenePart::CaseInsert;
    if (c.Paged && quad >= 1 && quad <= 3)
        return TScenePart::PageBlock;
    return TScenePart::CoverPrint;
}

void AddBox(const TCoverPlacement& c, TMeshWriter& out)
{
    const auto quads = BoxQuads({c.Box, c.Paged, c.PageInset, c.BackRegion});
    for (size_t q = 0; q < quads.size(); ++q) {
        std::array<uint32_t, 4> idx{};
        for (int i = 0; i < 4; ++i) {
            const TMeshVertex& v = quads[q][size_t(i)];
            idx[size_t(i)] = out.Vertex(c.BoxToFloor(ToV(v.Pos)), c.BoxDirToFloor(ToV(v.Normal)), v.S, v.T);
        }
        out.Quad(idx[0], idx[1], idx[2], idx[3], BoxPart(c, q));
    }
}

void AddRing(const TCoverPlacement& c, TMeshWriter& out)
{
    const auto strip = RingStrip(c.Box, c.RingRadius, c.RingRepeat);
    std::vector<uint32_t> idx;
    for (const TMeshVertex& v : strip)
        idx.push_back(out.Vertex(c.BoxToFloor(ToV(v.Pos)), c.BoxDirToFloor(ToV(v.Normal)), v.S, v.T));
    for (size_t i = 0; i + 3 < idx.size(); i += 2)
        out.Quad(idx[i], idx[i + 2], idx[i + 3], idx[i + 1], TScenePart::RingMetal);
}

void AddDisc(const TCoverPlacement& c, TMeshWriter& out)
{
    // An annulus in the disc's plane, textured as the view's disc: s and t run from 0 to 1 across
    // the outer diameter.
    const TV normal = c.DiscDirToFloor({0, 0, 1});
    std::vector<uint32_t> inner, outer;
    for (int i = 0; i <= DiscSteps; ++i) {
        const double a = 2 * std::numbers::pi * i / DiscSteps;
        for (double r : {DiscInner, DiscOuter}) {
            const double x = r * std::cos(a), y = r * std::sin(a);
            const uint32_t v =
                out.Vertex(c.DiscToFloor({x, y, 0}), normal, 0.5 + x / (2 * DiscOuter), 0.5 + y / (2 * DiscOuter));
            (r == DiscInner ? inner : outer).push_back(v);
        }
    }
    for (int i = 0; i < DiscSteps; ++i)
        out.Quad(inner[size_t(i)], outer[size_t(i)], outer[size_t(i) + 1], inner[size_t(i) + 1], TScenePart::Disc);
}
} // namespace

TSceneMesh BuildCoverMesh(const TCoverPlacement& cover)
{
    TSceneMesh mesh;
    TMeshWriter out(mesh);
    AddBox(cover, out);
    if (cover.Ring)
        AddRing(cover, out);
    if (cover.IsCD)
        AddDisc(cover, out);
    return mesh;
}
