#include "render/Accumulator.h"

#include "render/GLHeaders.h"
#include "render/ScreenQuad.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

unsigned char AccumToByte(float value)
{
    return static_cast<unsigned char>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

namespace {

// Draws the whole of `texture` over the W x H viewport of the bound framebuffer with the
// current blending, leaving every other piece of GL state as it was.
void DrawTextureQuad(unsigned texture, int width, int height, float weight, bool additive)
{
    const TScreenQuadPass pass(texture);
    glViewport(0, 0, width, height);
    if (additive) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glColor4f(weight, weight, weight, weight);
    } else {
        glDisable(GL_BLEND);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }
    pass.Draw();
}

class TCpuAccumulator final : public TAccumulator {
public:
    TBackend Backend() const override { return TBackend::Cpu; }
    void Begin(int width, int height) override
    {
        FWidth = width;
        FHeight = height;
        FSum.assign(size_t(width) * height * 4, 0.0f);
        FPass.resize(FSum.size());
    }
    void Accumulate(float weight) override
    {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, FWidth, FHeight, GL_RGBA, GL_FLOAT, FPass.data());
        for (size_t i = 0; i < FSum.size(); ++i)
            FSum[i] += FPass[i] * weight;
    }
    void Return() override
    {
        std::vector<unsigned char> bytes(FSum.size());
        for (size_t i = 0; i < FSum.size(); ++i)
            bytes[i] = AccumToByte(FSum[i]);
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glDisable(GL_ALPHA_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glPixelZoom(1, 1);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glWindowPos2i(0, 0);
        glDrawPixels(FWidth, FHeight, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
        glPopAttrib();
    }

private:
    int FWidth = 0, FHeight = 0;
    std::vector<float> FSum, FPass;
};

class TFloatFboAccumulator final : public TAccumulator {
public:
    ~TFloatFboAccumulator() override { Release(); }
    TBackend Backend() const override { return TBackend::FloatFbo; }

    void Begin(int width, int height) override
    {
        if (width != FWidth || height != FHeight || !FFbo) {
            Release();
            FWidth = width;
            FHeight = height;
            FSumTexture = MakePassTexture(GL_RGBA32F, width, height, GL_FLOAT, GL_NEAREST);
            FPassTexture = MakePassTexture(GL_RGBA8, width, height, GL_UNSIGNED_BYTE, GL_NEAREST);
            glGenFramebuffers(1, &FFbo);
        }
        const GLint previous = BoundFramebuffer();
        glBindFramebuffer(GL_FRAMEBUFFER, FFbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, FSumTexture, 0);
        const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        if (complete) {
            glPushAttrib(GL_COLOR_BUFFER_BIT);
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            glClearColor(0, 0, 0, 0);
            glClear(GL_COLOR_BUFFER_BIT);
            glPopAttrib();
        }
        glBindFramebuffer(GL_FRAMEBUFFER, previous);
        if (!complete)
            throw std::runtime_error("Smoothing needs floating-point framebuffers, which this OpenGL driver lacks.");
    }

    void Accumulate(float weight) override
    {
        glBindTexture(GL_TEXTURE_2D, FPassTexture);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, FWidth, FHeight);
        const GLint previous = BoundFramebuffer();
        glBindFramebuffer(GL_FRAMEBUFFER, FFbo);
        DrawTextureQuad(FPassTexture, FWidth, FHeight, weight, true);
        glBindFramebuffer(GL_FRAMEBUFFER, previous);
    }

    void Return() override { DrawTextureQuad(FSumTexture, FWidth, FHeight, 1.0f, false); }

private:
    static GLint BoundFramebuffer()
    {
        GLint fbo = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fbo);
        return fbo;
    }
    void Release()
    {
        if (FFbo)
            glDeleteFramebuffers(1, &FFbo);
        if (FSumTexture)
            glDeleteTextures(1, &FSumTexture);
        if (FPassTexture)
            glDeleteTextures(1, &FPassTexture);
        FFbo = FSumTexture = FPassTexture = 0;
    }

    int FWidth = 0, FHeight = 0;
    unsigned FFbo = 0, FSumTexture = 0, FPassTexture = 0;
};

class TGLAccumulator final : public TAccumulator {
public:
    TBackend Backend() const override { return TBackend::GLAccum; }
    void Begin(int, int) override { glClear(GL_ACCUM_BUFFER_BIT); }
    void Accumulate(float weight) override { glAccum(GL_ACCUM, weight); }
    void Return() override { glAccum(GL_RETURN, 1.0f); }
};

bool HasFloatFramebuffers()
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version && std::atoi(version) >= 3)
        return true;
    const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return ext && std::strstr(ext, "GL_ARB_framebuffer_object") && std::strstr(ext, "GL_ARB_texture_float");
}

} // namespace

std::unique_ptr<TAccumulator> TAccumulator::Create(TBackend backend)
{
    switch (backend) {
    case TBackend::Cpu:
        return std::make_unique<TCpuAccumulator>();
    case TBackend::FloatFbo:
        return std::make_unique<TFloatFboAccumulator>();
    case TBackend::GLAccum:
        return std::make_unique<TGLAccumulator>();
    }
    return nullptr;
}

std::unique_ptr<TAccumulator> TAccumulator::CreateBest()
{
    GLint fbo = 0, accumBits = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fbo);
    glGetIntegerv(GL_ACCUM_RED_BITS, &accumBits);
    if (fbo == 0 && accumBits > 0)
        return Create(TBackend::GLAccum);
    return Create(HasFloatFramebuffers() ? TBackend::FloatFbo : TBackend::Cpu);
}
