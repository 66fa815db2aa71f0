#include "imageio/JpegError.h"

namespace {

void ErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<TJpegErrorManager*>(info->err);
    manager->Code = manager->Public.msg_code;
    std::longjmp(manager->Jump, 1);
}

// Warnings (level -1) mean corrupt data: a picture decoded past them would be silently damaged.
// Trace messages (levels 0 and up) are ignored.
void EmitMessage(j_common_ptr info, int level)
{
    if (level < 0)
        ErrorExit(info);
}

void OutputMessage(j_common_ptr) {}

} // namespace

jpeg_error_mgr* InstallJpegErrorManager(TJpegErrorManager& manager)
{
    jpeg_error_mgr* err = jpeg_std_error(&manager.Public);
    err->error_exit = ErrorExit;
    err->emit_message = EmitMessage;
    err->output_message = OutputMessage;
    return err;
}

std::string JpegErrorMessage(int code) { return "JPEG error #" + std::to_string(code); }
