#include "project/FastPng.h"

#include "project/ProjectFile.h"

#include <png.h>

#include <algorithm>
#include <bit>
#include <csetjmp>

namespace {

void Append(png_structp png, png_bytep data, size_t length)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void NoFlush(png_structp) {}

bool Opaque(const TBitmap32& bitmap)
{
    for (int y = 0; y < bitmap.Height(); ++y) {
        const TColor32* row = bitmap.ScanLine(y);
        if (!std::all_of(row, row + bitmap.Width(), [](TColor32 c) { return AlphaOf(c) == 255; }))
            return false;
    }
    return true;
}

} // namespace

QByteArray EncodeFastPng(const TBitmap32& bitmap)
{
    QByteArray bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw TProjectError("A picture cannot be encoded as PNG.");
    }
    const bool opaque = Opaque(bitmap);
    png_set_write_fn(png, &bytes, Append, NoFlush);
    png_set_IHDR(png, info, png_uint_32(bitmap.Width()), png_uint_32(bitmap.Height()), 8,
                 opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // "Up" costs little and makes gradients and repeated rows compress almost as well as the
    // adaptive choice, which tries every filter on every row and is several times slower.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    static_assert(std::endian::native == std::endian::little, "pixels are B G R A in memory");
    png_set_bgr(png);
    if (opaque)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < bitmap.Height(); ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(bitmap.ScanLine(y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return bytes;
}
