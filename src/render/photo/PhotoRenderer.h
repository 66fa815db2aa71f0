#pragma once
// The photo renderer: samples a scene's picture in passes on every core (TBB), each pass adding
// samples to the pixels that are still noisy, and hands each pass's picture to a callback; ends
// at the sample count, when every pixel is quiet enough, or when cancelled. The last picture goes
// through the noise filter.

#include "raster/TBitmap32.h"
#include "render/scene/PhotoScene.h"

#include <atomic>
#include <functional>
#include <optional>

struct TPhotoOptions {
    static constexpr int DefaultSamples = 16;
    int Samples = DefaultSamples;  // per pixel at most, 1..65536
    uint32_t Seed = 1;             // the same seed gives the same picture
    bool Adaptive = true;          // quiet pixels stop early
    double NoiseLevels = 0.6;      // when a pixel is quiet: the standard error in 8-bit levels
    int MinSamples = 8;            // before any pixel may stop
    bool Filter = true;            // the edge-aware noise filter on the last picture
    int Threads = 0;               // 0: every core
    const std::atomic<bool>* Cancel = nullptr; // polled between tiles
};

struct TPhotoProgress {
    int Pass = 0;
    int SamplesDone = 0;     // per pixel, for pixels still sampled
    int SamplesTotal = 0;    // the most any pixel will get
    double ActiveShare = 1;  // the part of the picture still sampled
    bool Last = false;       // the finished (filtered) picture
};

// Answers false to stop.
using TPhotoPassDone = std::function<bool(const TPhotoProgress&, const TBitmap32&)>;

// The picture, or nothing when cancelled (by the flag or the callback). Throws
// std::runtime_error when Embree cannot set up the scene.
std::optional<TBitmap32> RenderPhoto(const TPhotoScene& scene, const TPhotoOptions& options,
                                     const TPhotoPassDone& passDone = {});
