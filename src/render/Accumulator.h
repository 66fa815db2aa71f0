#pragma once
// Smoothing by averaged passes: the effect of glClear(GL_ACCUM_BUFFER_BIT), glAccum(GL_ACCUM, w)
// after each pass and glAccum(GL_RETURN, 1) at the end, on framebuffers that have no
// accumulation buffer (every framebuffer object, so every QOpenGLWidget and headless target).
// Each works on the framebuffer bound when it is called and on a W x H area at (0, 0).

#include <memory>
#include <vector>

class TAccumulator {
public:
    enum class TBackend {
        Cpu,      // read back as floats, sum on the CPU, draw the result back: the reference
        FloatFbo, // add each pass x w into a 32-bit float framebuffer object
        GLAccum,  // the real accumulation buffer, where the bound framebuffer has one
    };

    virtual ~TAccumulator() = default;
    virtual TBackend Backend() const = 0;
    virtual void Begin(int width, int height) = 0;
    virtual void Accumulate(float weight) = 0;
    virtual void Return() = 0;

    static std::unique_ptr<TAccumulator> Create(TBackend backend);
    // The best backend for the current context and bound framebuffer.
    static std::unique_ptr<TAccumulator> CreateBest();
};

// Float to 8-bit channel as the GL converts a returned accumulation value: clamped, rounded.
unsigned char AccumToByte(float value);
