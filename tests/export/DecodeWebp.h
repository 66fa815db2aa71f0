#pragma once
// An animated WebP decoded by libwebp's own animation decoder into the frames a viewer shows
// (B, G, R, A as TBitmap32 holds them), with the canvas size, loop count and frame times.
#include "raster/TBitmap32.h"

#include <QByteArray>
#include <cstring>
#include <vector>
#include <webp/demux.h>

struct TDecodedWebp {
    bool Ok = false;
    int Width = 0, Height = 0, Loops = -1;
    std::vector<TBitmap32> Frames;
    std::vector<int> Timestamps; // ms at each frame's end
};

inline TDecodedWebp DecodeWebp(const QByteArray& bytes)
{
    TDecodedWebp out;
    WebPData data{reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return out;
    options.color_mode = MODE_BGRA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    if (!decoder)
        return out;
    WebPAnimInfo info;
    if (WebPAnimDecoderGetInfo(decoder, &info)) {
        out.Ok = true;
        out.Width = int(info.canvas_width);
        out.Height = int(info.canvas_height);
        out.Loops = int(info.loop_count);
        while (WebPAnimDecoderHasMoreFrames(decoder)) {
            uint8_t* pixels = nullptr;
            int timestamp = 0;
            if (!WebPAnimDecoderGetNext(decoder, &pixels, &timestamp)) {
                out.Ok = false;
                break;
            }
            TBitmap32 frame(out.Width, out.Height);
            std::memcpy(frame.Bits(), pixels, size_t(out.Width) * out.Height * 4);
            out.Frames.push_back(std::move(frame));
            out.Timestamps.push_back(timestamp);
        }
    }
    WebPAnimDecoderDelete(decoder);
    return out;
}
