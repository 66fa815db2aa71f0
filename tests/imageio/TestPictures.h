#pragma once
// Helpers for the picture file tests: synthetic pictures, reference decodes, decoder calls.

#include "common/LittleEndian.h"
#include "common/TestFiles.h"
#include "common/TestBitmaps.h"
#include "common/ThrownMessage.h"
#include "raster/TBitmap32.h"

#include <QImage>
#include <QString>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

// A picture with every pixel different: colour ramps across, down and diagonally.
TBitmap32 RampPicture(int width, int height, bool withAlpha = false);
// Max absolute channel difference over RGB (and alpha when compareAlpha); 256 for other sizes.
int MaxDifference(const TBitmap32& a, const TBitmap32& b, bool compareAlpha = true);
// Reads a picture with Qt's own readers as an independent reference (alpha kept).
TBitmap32 QtDecode(const QByteArray& bytes, const char* format = nullptr);

// One of our decoders of a memory block (DecodeBmpFile, DecodeGif, DecodeIcon, DecodeJpeg ...).
template <class Decoder> TBitmap32 Decoded(Decoder decode, const QByteArray& bytes)
{
    TBitmap32 b;
    decode(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), b);
    return b;
}

// The decoder's message, or "(decoded)"; a refusal must leave the target untouched.
template <class Decoder> std::string Refusal(Decoder decode, const QByteArray& bytes)
{
    TBitmap32 target = Filled(2, 2, Color32(1, 2, 3));
    const std::string message = ThrownMessage([&] { decode(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), target); }, "(decoded)");
    if (message != "(decoded)") {
        EXPECT_TRUE(target.SamePixels(Filled(2, 2, Color32(1, 2, 3)))) << "target must stay untouched";
    }
    return message;
}
