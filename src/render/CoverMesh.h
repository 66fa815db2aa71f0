#pragma once
// The geometry of the box, the ring binding and the disc, first as plain data (so it can be
// checked without a GL context) and then compiled into display lists.

#include "cover/BookType.h"

#include <array>
#include <vector>

// The box's proportions and their fit to the window come from the book types.
using TBoxSize = TBoxProportions;

struct TVec3 {
    float x = 0, y = 0, z = 0;
};
struct TMeshVertex {
    TVec3 Normal;
    double S = 0, T = 0;
    TVec3 Pos;
};
using TMeshQuad = std::array<TMeshVertex, 4>;

struct TBoxParams {
    TBoxSize Box;
    bool PagedBook = false;
    float PageInset = 1.0f;
    bool BackRegion = false; // the atlas holds a back cover beside the front (a paged type's only)
};

// The six quads of the box in drawing order: spine, top, opposite side, bottom, front, back.
// A paged type with a back region samples its back cover there, every other box the front
// region mirrored.
std::vector<TMeshQuad> BoxQuads(const TBoxParams& params);
// The quad strip around the ring binding's cylinder (64 vertices, 2 per step).
std::vector<TMeshVertex> RingStrip(const TBoxSize& box, float ringRadius, float ringRepeat);

// Display lists; each Compile* replaces the list named `list` when it is not 0 and returns the
// list name. Lists are generated, not fixed numbers: views inside one window share GL objects.
unsigned CompileBoxList(unsigned list, const TBoxParams& params);
unsigned CompileRingList(unsigned list, const TBoxSize& box, float ringRadius, float ringRepeat);
unsigned CompileDiscList(unsigned list, void* quadric);
