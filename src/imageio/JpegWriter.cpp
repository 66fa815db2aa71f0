#include "imageio/JpegWriter.h"

#include "imageio/JpegError.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

// Made before setjmp so that a longjmp out of libjpeg skips no constructor or destructor.
struct TJpegEncodeState {
    jpeg_compress_struct Info{};
    TJpegErrorManager Error;
    std::vector<uchar> Row;
    unsigned char* Buffer = nullptr;
    unsigned long BufferSize = 0;
};

bool Encode(TJpegEncodeState& state, const TBitmap32& picture, int quality)
{
    jpeg_compress_struct& info = state.Info;
    info.err = InstallJpegErrorManager(state.Error);
    if (setjmp(state.Error.Jump))
        return false;
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &state.Buffer, &state.BufferSize);
    info.image_width = JDIMENSION(picture.Width());
    info.image_height = JDIMENSION(picture.Height());
#ifdef JCS_EXTENSIONS
    // libjpeg-turbo reads our B, G, R, A pixels as they are and ignores the fourth byte.
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
#else
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
#endif
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    state.Row.resize(size_t(picture.Width()) * 3);
    while (info.next_scanline < info.image_height) {
        const TColor32* line = picture.ScanLine(int(info.next_scanline));
#ifdef JCS_EXTENSIONS
        JSAMPROW row = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(line));
#else
        uchar* out = state.Row.data();
        for (int x = 0; x < picture.Width(); ++x, out += 3) {
            out[0] = uchar(RedOf(line[x]));
            out[1] = uchar(GreenOf(line[x]));
            out[2] = uchar(BlueOf(line[x]));
        }
        JSAMPROW row = state.Row.data();
#endif
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

} // namespace

QByteArray EncodeJpeg(const TBitmap32& picture, int quality)
{
    TJpegEncodeState state;
    const bool ok = Encode(state, picture, quality);
    jpeg_destroy_compress(&state.Info);
    QByteArray bytes;
    if (ok)
        bytes = QByteArray(reinterpret_cast<const char*>(state.Buffer), qsizetype(state.BufferSize));
    std::free(state.Buffer);
    if (!ok)
        throw std::runtime_error(JpegErrorMessage(state.Error));
    return bytes;
}
