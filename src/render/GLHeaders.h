#pragma once
// One place that pulls in OpenGL with the prototypes of the framebuffer-object entry points:
// Mesa's libGL exports them, so no loader is needed for the compatibility profile we use.
#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
