#pragma once
// Tests that need an OpenGL (or EGL) context call this when they cannot get one: outside CI they
// skip with the reason; where TAVLO_REQUIRE_GL is set (scripts/test) a missing driver fails them,
// so a broken set-up cannot pass with the renderer untested.
#include <QtGlobal>
#include <gtest/gtest.h>

#define TAVLO_REQUIRE_GL(haveGL, why)                                                                  \
    do {                                                                                               \
        if (!(haveGL)) {                                                                               \
            if (qEnvironmentVariableIsSet("TAVLO_REQUIRE_GL"))                                         \
                FAIL() << "no OpenGL, and TAVLO_REQUIRE_GL is set: " << why;                           \
            GTEST_SKIP() << "no OpenGL: " << why;                                                      \
        }                                                                                              \
    } while (0)
