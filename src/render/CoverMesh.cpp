#include "render/CoverMesh.h"

#include "render/GLHeaders.h"

#include <cmath>
#include <numbers>

std::vector<TMeshQuad> BoxQuads(const TBoxParams& params)
{
    const float X = params.Box.X, Y = params.Box.Y, Z = params.Box.Z;
    const bool paged = params.PagedBook;
    // A paged type's atlas may hold its back cover beside the front (Composition.h).
    const bool backRegion = paged && params.BackRegion;
    const float sW = backRegion ? Z + 2 * X : Z + X;
    const float sL = Z / sW;
    const float sR = sL + X / sW;
    const float tF = Y / (Z + Y);
    const float tT = tF + Z / (Z + Y);
    const float x0 = -0.5f * X, x1 = 0.5f * X, y0 = -0.5f * Y, y1 = 0.5f * Y, z0 = -0.5f * Z, z1 = 0.5f * Z;
    const float k = 1.0f - 0.04f * params.PageInset;
    // The page block is inset at the top, the bottom and the edge opposite the spine.
    const float xk = paged ? 0.5f * X * k : x1;
    const float ykT = paged ? 0.5f * Y * k : y1;
    const float ykB = paged ? -0.5f * Y * k : y0;

    auto quad = [](TVec3 n, std::array<std::array<double, 2>, 4> st, std::array<TVec3, 4> v) {
        TMeshQuad q;
        for (int i = 0; i < 4; ++i)
            q[i] = TMeshVertex{n, st[i][0], st[i][1], v[i]};
        return q;
    };
    std::vector<TMeshQuad> quads;
    // Spine: the side image from the back edge (s = 0) to the front edge (s = sL).
    quads.push_back(quad({-1, 0, 0}, {{{0, 0}, {sL, 0}, {sL, tF}, {0, tF}}},
                         {{{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}}}));
    // Top.
    quads.push_back(quad({0, 1, 0}, {{{sL, tT}, {sL, tF}, {sR, tF}, {sR, tT}}},
                         {{{x0, ykT, z0}, {x0, ykT, z1}, {xk, ykT, z1}, {xk, ykT, z0}}}));
    // Opposite the spine: the side again mirrored, or the page block of the top region.
    if (!paged)
        quads.push_back(quad({1, 0, 0}, {{{sL, tF}, {0, tF}, {0, 0}, {sL, 0}}},
                             {{{x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}, {x1, y0, z0}}}));
    else
        quads.push_back(quad({1, 0, 0}, {{{sL, tT}, {sL, tF}, {sR, tF}, {sR, tT}}},
                             {{{xk, ykT, z0}, {xk, ykT, z1}, {xk, ykB, z1}, {xk, ykB, z0}}}));
    // Bottom.
    quads.push_back(quad({0, -1, 0}, {{{sR, tF}, {sR, tT}, {sL, tT}, {sL, tF}}},
                         {{{xk, ykB, z0}, {xk, ykB, z1}, {x0, ykB, z1}, {x0, ykB, z0}}}));
    // Front and back covers keep the full size. The back shows the front region mirrored, or the
    // back region the same way: seen from behind, either reads left to right.
    quads.push_back(quad({0, 0, 1}, {{{sR, 0}, {sR, tF}, {sL, tF}, {sL, 0}}},
                         {{{x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, {x0, y0, z1}}}));
    const float bL = backRegion ? sR : sL, bR = backRegion ? 1.0f : sR;
    quads.push_back(quad({0, 0, -1}, {{{bL, tF}, {bL, 0}, {bR, 0}, {bR, tF}}},
                         {{{x1, y1, z0}, {x1, y0, z0}, {x0, y0, z0}, {x0, y1, z0}}}));
    return quads;
}

std::vector<TMeshVertex> RingStrip(const TBoxSize& box, float ringRadius, float ringRepeat)
{
    const float x0 = -0.5f * box.X, y0 = -0.5f * box.Y, y1 = 0.5f * box.Y;
    const float r = ringRadius * box.X;
    std::vector<TMeshVertex> strip;
    for (int i = 1; i <= 32; ++i) {
        // 31 steps around, so the first and last points coincide and the cylinder closes.
        const double a = (i - 1) * 2 * std::numbers::pi / 31;
        const float c = float(std::cos(a)), s = float(std::sin(a));
        const TVec3 n{-c, 0, s};
        const double tex = 1.0 - i / 32.0;
        strip.push_back({n, tex, ringRepeat, {x0 - r * c, y0, r * s}});
        strip.push_back({n, tex, 0, {x0 - r * c, y1, r * s}});
    }
    return strip;
}

namespace {
unsigned BeginList(unsigned list)
{
    if (list)
        glDeleteLists(list, 1);
    list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    return list;
}

void EmitVertex(const TMeshVertex& v)
{
    glNormal3f(v.Normal.x, v.Normal.y, v.Normal.z);
    glTexCoord2d(v.S, v.T);
    glVertex3f(v.Pos.x, v.Pos.y, v.Pos.z);
}
} // namespace

unsigned CompileBoxList(unsigned list, const TBoxParams& params)
{
    list = BeginList(list);
    glBegin(GL_QUADS);
    for (const auto& q : BoxQuads(params))
        for (const auto& v : q)
            EmitVertex(v);
    glEnd();
    glEndList();
    return list;
}

unsigned CompileRingList(unsigned list, const TBoxSize& box, float ringRadius, float ringRepeat)
{
    list = BeginList(list);
    glBegin(GL_QUAD_STRIP);
    for (const auto& v : RingStrip(box, ringRadius, ringRepeat))
        EmitVertex(v);
    glEnd();
    glEndList();
    return list;
}

unsigned CompileDiscList(unsigned list, void* quadric)
{
    list = BeginList(list);
    gluDisk(static_cast<GLUquadric*>(quadric), 0.09, 0.5, 30, 2);
    glEndList();
    return list;
}
