#include "imageio/JpegReader.h"

#include "imageio/DecodeBudget.h"
#include "imageio/JpegError.h"
#include "imageio/Orientation.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

// Everything the decoding touches lives here, made before setjmp, so a longjmp out of libjpeg
// skips no constructor or destructor.
struct TJpegDecodeState {
    jpeg_decompress_struct Info{};
    TJpegErrorManager Error;
    TBitmap32 Picture;
    std::vector<uchar> Row;
    std::vector<TColor32> Turned; // a converted row on its way to its oriented place
    std::string SizeError;
};

void ConvertRow(const jpeg_decompress_struct& info, const uchar* src, TColor32* dst)
{
    const int width = int(info.output_width);
    switch (info.out_color_space) {
    case JCS_GRAYSCALE:
        for (int x = 0; x < width; ++x)
            dst[x] = Color32(src[x], src[x], src[x]);
        break;
    case JCS_CMYK:
        // Adobe writes CMYK inverted (0 = full ink); others write it straight.
        for (int x = 0; x < width; ++x, src += 4) {
            int c = src[0], m = src[1], y = src[2], k = src[3];
            if (!info.saw_Adobe_marker) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            dst[x] = Color32((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
        }
        break;
    default:
        for (int x = 0; x < width; ++x, src += 3)
            dst[x] = Color32(src[0], src[1], src[2]);
        break;
    }
}

// The orientation the file's EXIF block (APP1) gives; upright without one.
TOrientation OrientationOf(const jpeg_decompress_struct& info)
{
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return ExifOrientation(QByteArray(reinterpret_cast<const char*>(m->data), qsizetype(m->data_length)));
    return TOrientation::Upright;
}

// Answers false after a libjpeg error (state.Error.Code holds it) or a size refusal.
bool Decode(TJpegDecodeState& state, const uchar* data, qsizetype size)
{
    jpeg_decompress_struct& info = state.Info;
    info.err = InstallJpegErrorManager(state.Error);
    if (setjmp(state.Error.Jump))
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    // libjpeg's own buffers (a progressive file keeps every coefficient) grow with the declared
    // size; beyond the budget they must be paid for by data, or libjpeg stops with its error.
    info.mem->max_memory_to_use = long(std::max<int64_t>(DecodeBudgetBytes, int64_t(size) * 1024));
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    const TOrientation orientation = OrientationOf(info);
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK)
        info.out_color_space = JCS_CMYK;
    else if (info.jpeg_color_space == JCS_GRAYSCALE)
        info.out_color_space = JCS_GRAYSCALE;
    else
        info.out_color_space = JCS_RGB;
    try {
        CheckBitmapSize(info.image_width, info.image_height);
        // A header declaring far more than the data can paint is refused before anything is
        // allocated for it: the file ends long before the picture would.
        CheckDeclaredSize(info.image_width, info.image_height, size, JpegPixelsPerByte, JpegErrorMessage(JERR_INPUT_EOF));
        jpeg_start_decompress(&info);
        const QSize shown = OrientedSize(QSize(int(info.output_width), int(info.output_height)), orientation);
        state.Picture.SetSize(shown.width(), shown.height());
        state.Row.resize(size_t(info.output_width) * info.output_components);
        if (orientation != TOrientation::Upright)
            state.Turned.resize(info.output_width);
    } catch (const std::exception& e) {
        state.SizeError = e.what();
        return false;
    }
    // A progressive file must refine every coefficient to its last bit; one whose later scans are
    // missing (a cut-off download with an end marker glued on) is damaged, not a picture.
    if (info.progressive_mode && info.coef_bits) {
        for (int c = 0; c < info.num_components; ++c)
            for (int k = 0; k < DCTSIZE2; ++k)
                if (info.coef_bits[c][k] != 0) {
                    state.Error.Code = JWRN_JPEG_EOF;
                    return false;
                }
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = state.Row.data();
        const int y = int(info.output_scanline);
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            return false;
        if (orientation == TOrientation::Upright) {
            ConvertRow(info, state.Row.data(), state.Picture.ScanLine(y));
            continue;
        }
        ConvertRow(info, state.Row.data(), state.Turned.data());
        PlaceOrientedRows(state.Turned.data(), int(info.output_width), int(info.output_height), y, 1, orientation, state.Picture);
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

void DecodeJpeg(const uchar* data, qsizetype size, TBitmap32& target)
{
    if (!data || size <= 0)
        throw std::runtime_error(JpegErrorMessage(JERR_INPUT_EMPTY));
    TJpegDecodeState state;
    const bool ok = Decode(state, data, size);
    jpeg_destroy_decompress(&state.Info);
    if (!state.SizeError.empty())
        throw std::runtime_error(state.SizeError);
    if (!ok)
        throw std::runtime_error(JpegErrorMessage(state.Error));
    target = std::move(state.Picture);
}
