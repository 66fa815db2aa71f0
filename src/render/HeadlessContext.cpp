#include "render/HeadlessContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#ifndef EGL_PLATFORM_SURFACELESS_MESA
#define EGL_PLATFORM_SURFACELESS_MESA 0x31DD
#endif

THeadlessContext::THeadlessContext()
{
    EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        FError = "No OpenGL driver is available for rendering without a display (EGL surfaceless).";
        return;
    }
    FDisplay = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        FError = "The OpenGL driver does not offer desktop OpenGL through EGL.";
        return;
    }
    const EGLint configAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count < 1)
        config = nullptr; // EGL_KHR_no_config_context: surfaceless drawing needs no config
    const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1,
                                     EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                     EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
    if (context == EGL_NO_CONTEXT) {
        FError = "The OpenGL driver could not create a rendering context without a display.";
        return;
    }
    FContext = context;
    if (!MakeCurrent()) {
        eglDestroyContext(display, context);
        FContext = nullptr;
        FError = "The OpenGL driver cannot draw without a display (no surfaceless contexts).";
    }
}

THeadlessContext::~THeadlessContext()
{
    if (!FDisplay)
        return;
    eglMakeCurrent(FDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (FContext)
        eglDestroyContext(FDisplay, FContext);
    eglTerminate(FDisplay);
}

bool THeadlessContext::MakeCurrent()
{
    return FContext && eglMakeCurrent(FDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, FContext);
}
