#include "imageio/JpegError.h"

namespace {

void ErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<TJpegErrorManager*>(info->err);
    manager->Code = manager->Public.msg_code;
    manager->Public.format_message(info, manager->Text);
    std::longjmp(manager->Jump, 1);
}

// Warnings that the coded picture data is cut short or corrupt: a picture decoded past them would
// be silently damaged. Other warnings (stray bytes between markers, odd version numbers, an
// unusual scan order) leave the picture whole, and every common viewer shows such files.
bool DamagesPicture(int code)
{
    return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_ARITH_BAD_CODE
        || code == JWRN_MUST_RESYNC;
}

// Trace messages (levels 0 and up) are ignored.
void EmitMessage(j_common_ptr info, int level)
{
    if (level < 0 && DamagesPicture(info->err->msg_code))
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

std::string JpegErrorMessage(const TJpegErrorManager& manager)
{
    if (manager.Text[0] == '\0')
        return JpegErrorMessage(manager.Code);
    return "JPEG error #" + std::to_string(manager.Code) + " (" + manager.Text + ")";
}

std::string JpegErrorMessage(int code)
{
    jpeg_error_mgr table;
    jpeg_std_error(&table);
    std::string message = "JPEG error #" + std::to_string(code);
    if (code >= 0 && code <= table.last_jpeg_message && table.jpeg_message_table[code])
        message += std::string(" (") + table.jpeg_message_table[code] + ")";
    return message;
}
