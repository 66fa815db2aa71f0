#include "imageio/DecodeBudget.h"

#include <stdexcept>

void CheckDeclaredSize(int64_t width, int64_t height, int64_t dataBytes, int64_t pixelsPerByte, const std::string& message)
{
    const int64_t pixels = width * height;
    if (pixels * 4 <= DecodeBudgetBytes)
        return;
    if (dataBytes <= 0 || pixels / pixelsPerByte > dataBytes)
        throw std::runtime_error(message);
}

void CheckPaintable(int64_t width, int64_t height, int64_t paintablePixels, const std::string& message)
{
    const int64_t pixels = width * height;
    if (pixels * 4 > DecodeBudgetBytes && pixels > paintablePixels)
        throw std::runtime_error(message);
}
