#pragma once
// libjpeg's error handling turned into ours: a fatal error (and any warning that means the picture
// data itself is damaged) jumps back to the caller instead of calling exit(), which then throws
// "JPEG error #%d" with libjpeg's own wording of it.

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
#include <string>

struct TJpegErrorManager {
    jpeg_error_mgr Public;
    std::jmp_buf Jump;
    int Code = 0;
    char Text[JMSG_LENGTH_MAX] = {};
};

// Installs the manager on a compress or decompress object's err field; call setjmp(manager.Jump)
// before the first libjpeg call.
jpeg_error_mgr* InstallJpegErrorManager(TJpegErrorManager& manager);

// "JPEG error #%d (libjpeg's text)"; the text of the failure the manager caught, or libjpeg's
// table text for the code when it caught none.
std::string JpegErrorMessage(const TJpegErrorManager& manager);
std::string JpegErrorMessage(int code);
