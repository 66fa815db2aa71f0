#pragma once
// What a picture may cost before its data has proved it is worth it: a small file must not make
// the program allocate gigabytes because its header says so.

#include "raster/TBitmap32.h"

#include <cstdint>
#include <string>

// Pictures up to this many bytes of pixels (16 megapixels) decode whatever their data; larger
// ones only when the data is big enough to paint them.
constexpr int64_t DecodeBudgetBytes = int64_t(64) << 20;

// A metafile's picture and every bitmap it decodes share this. Its picture alone is drawn at most
// this large (2048 x 2048 pixels): its records can declare any size at no cost of their own.
constexpr int64_t MetafileBudgetBytes = DecodeBudgetBytes;
constexpr int64_t MetafilePictureBytes = DecodeBudgetBytes / 4;

// How many pixels one byte of a whole JPEG file can paint at most: a file with fewer bytes than
// pixels / ratio is cut short or lies about its size. (PNG, TIFF and WebP: PluginPictureData.h.)
constexpr int64_t JpegPixelsPerByte = 256; // at least two bits per 8 x 8 block of one component

// Qt's own allocation limit for pictures read through its plugins, in MiB: fixed, whatever the file
// says, and large enough for the largest canvas at 8 bytes a pixel (16-bit channels).
constexpr int QtAllocationLimitMiB = int(TBitmap32::MaxPixels * 8 / (1 << 20)) + 1;

// Files are read whole into memory up to this size; a larger one is refused before reading.
constexpr int64_t MaxPictureFileBytes = int64_t(2) << 30;

// Throws std::runtime_error(message) when width x height pixels are beyond the budget and more than
// dataBytes can paint at pixelsPerByte.
void CheckDeclaredSize(int64_t width, int64_t height, int64_t dataBytes, int64_t pixelsPerByte, const std::string& message);
// The same with what the data can paint worked out by the caller (see PluginPictureData.h).
void CheckPaintable(int64_t width, int64_t height, int64_t paintablePixels, const std::string& message);
