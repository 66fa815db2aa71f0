#pragma once
// libjpeg's error handling turned into ours: a fatal error (and any corrupt-data warning) jumps
// back to the caller instead of calling exit(), which then throws "JPEG error #%d".

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
#include <string>

struct TJpegErrorManager {
    jpeg_error_mgr Public;
    std::jmp_buf Jump;
    int Code = 0;
};

// Installs the manager on a compress or decompress object's err field; call setjmp(manager.Jump)
// before the first libjpeg call.
jpeg_error_mgr* InstallJpegErrorManager(TJpegErrorManager& manager);

// "JPEG error #%d" with libjpeg's message number.
std::string JpegErrorMessage(int code);
