#include "render/SoftShadow.h"

#include "render/GLHeaders.h"
#include "render/ScreenQuad.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

TSoftShadow::~TSoftShadow() { Release(); }

bool TSoftShadow::Supported()
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version && std::atoi(version) >= 3)
        return true;
    const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return ext && std::strstr(ext, "GL_ARB_framebuffer_object") && std::strstr(ext, "GL_ARB_texture_float")
        && std::strstr(ext, "GL_EXT_packed_depth_stencil");
}

void TSoftShadow::Release()
{
    if (FFbo)
        glDeleteFramebuffers(1, &FFbo);
    if (FTexture)
        glDeleteTextures(1, &FTexture);
    if (FStencil)
        glDeleteRenderbuffers(1, &FStencil);
    FFbo = FTexture = FStencil = 0;
    FWidth = FHeight = 0;
}

bool TSoftShadow::Begin(int targetWidth, int targetHeight)
{
    const int width = std::max(1, (targetWidth + Reduction - 1) / Reduction);
    const int height = std::max(1, (targetHeight + Reduction - 1) / Reduction);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &FPrevious);
    if (width != FWidth || height != FHeight || !FFbo) {
        Release();
        // Half floats: 256 additions of a small darkness stay well within a tenth of a level.
        FTexture = MakePassTexture(GL_RGBA16F, width, height, GL_FLOAT, GL_LINEAR);
        glGenRenderbuffers(1, &FStencil);
        glBindRenderbuffer(GL_RENDERBUFFER, FStencil);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
        glGenFramebuffers(1, &FFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, FFbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, FTexture, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, FStencil);
        const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        glBindFramebuffer(GL_FRAMEBUFFER, FPrevious);
        if (!complete) {
            Release();
            return false;
        }
        FWidth = width;
        FHeight = height;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, FFbo);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glViewport(0, 0, width, height);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilMask(0xFF);
    glClearColor(0, 0, 0, 0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glEnable(GL_STENCIL_TEST);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_ONE, GL_ONE);
    return true;
}

void TSoftShadow::Sample(int index, float darkness)
{
    // Each copy writes its own stencil value: a pixel already darkened by this copy is skipped.
    const int ref = index % 255 + 1;
    if (index > 0 && ref == 1)
        glClear(GL_STENCIL_BUFFER_BIT);
    glStencilFunc(GL_NOTEQUAL, ref, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glColor4f(darkness, darkness, darkness, darkness);
}

void TSoftShadow::End()
{
    glPopAttrib();
    glBindFramebuffer(GL_FRAMEBUFFER, FPrevious);
}

void TSoftShadow::ComposeUnder(float red, float green, float blue, bool transparent) const
{
    const TScreenQuadPass pass(FTexture);
    // Source: background x darkness (opaque) or black with the darkness as alpha (transparent).
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PRIMARY_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    glEnable(GL_BLEND);
    if (transparent) {
        // alpha = covered + (1 - covered) x darkness; the colours stay (the shadow is black).
        glColor4f(0, 0, 0, 1);
        glBlendEquation(GL_FUNC_ADD);
        glBlendFunc(GL_ONE_MINUS_DST_ALPHA, GL_ONE);
    } else {
        // colour -= (1 - covered) x background x darkness.
        glColor4f(red, green, blue, 1);
        glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
        glBlendFunc(GL_ONE_MINUS_DST_ALPHA, GL_ONE);
    }
    pass.Draw();
    glBlendEquation(GL_FUNC_ADD);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}
