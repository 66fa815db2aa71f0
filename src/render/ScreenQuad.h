#pragma once
// Full-viewport passes that lay a texture over what is drawn (the smoothing sum, the soft
// shadow): clip coordinates, no depth test, lighting, alpha test or culling.

// While it lives, the matrices are identities and `texture` is bound; every piece of GL state
// comes back when it ends.
class TScreenQuadPass {
public:
    explicit TScreenQuadPass(unsigned texture);
    ~TScreenQuadPass();
    TScreenQuadPass(const TScreenQuadPass&) = delete;
    TScreenQuadPass& operator=(const TScreenQuadPass&) = delete;

    // The whole texture over the whole viewport, with the current blending and texture mode.
    void Draw() const;
};

// A texture for such passes, w x h with no pixels yet, clamped at its edges and sampled with
// `filter` (GL_NEAREST or GL_LINEAR); it stays bound.
unsigned MakePassTexture(int internalFormat, int width, int height, unsigned type, int filter);
