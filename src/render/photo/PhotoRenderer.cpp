// TBB before Qt: its headers use a name Qt defines as a macro (emit).
#include <tbb/blocked_range2d.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include "render/photo/PhotoRenderer.h"

#include "render/photo/EdgeAwareFilter.h"
#include "render/photo/PathTracer.h"
#include "render/photo/PhotoFilm.h"
#include "render/photo/RayScene.h"

#include <algorithm>
#include <stdexcept>

namespace {
constexpr int TileSide = 16;

// Samples per pixel added by pass k: 1, 1, 2, 4, 8, ... (the first picture comes at once, then
// each pass doubles what the pixel has), never beyond the total.
int PassSamples(int pass, int done, int total)
{
    const int want = pass == 0 ? 1 : std::max(1, done);
    return std::min(want, total - done);
}

class TPassRunner {
public:
    TPassRunner(const TPhotoScene& scene, const TPhotoOptions& options)
        : FScene(scene), FOptions(options), FRays(scene), FTracer(scene, FRays),
          FFilm(scene.Camera.Width, scene.Camera.Height),
          FActive(size_t(FFilm.Width()) * FFilm.Height(), 1)
    {
    }

    // Adds `count` samples, numbered from `first`, to every active pixel; false when cancelled.
    bool Run(int first, int count)
    {
        std::atomic<bool> stopped{false};
        const int w = FFilm.Width(), h = FFilm.Height();
        tbb::parallel_for(tbb::blocked_range2d<int>(0, h, TileSide, 0, w, TileSide), [&](const auto& tile) {
            if (stopped.load(std::memory_order_relaxed) || (FOptions.Cancel && FOptions.Cancel->load())) {
                stopped = true;
                return;
            }
            for (int y = tile.rows().begin(); y < tile.rows().end(); ++y)
                for (int x = tile.cols().begin(); x < tile.cols().end(); ++x) {
                    if (!FActive[size_t(y) * w + x])
                        continue;
                    const uint32_t pixelSeed = TSampler::Hash(uint32_t(y) * uint32_t(w) + uint32_t(x), FOptions.Seed);
                    for (int s = first; s < first + count; ++s) {
                        TSampler sampler(pixelSeed, uint32_t(s));
                        const auto jitter = sampler.Next2D();
                        FFilm.Add(x, y, FTracer.Trace(x + jitter[0], y + jitter[1], sampler));
                    }
                }
        });
        return !stopped;
    }

    // Stops the quiet pixels; the share of the picture still sampled.
    double Settle()
    {
        std::vector<uint8_t> noisy;
        FFilm.UpdateActive(FOptions.NoiseLevels, noisy);
        size_t active = 0;
        for (size_t i = 0; i < FActive.size(); ++i) {
            FActive[i] = FActive[i] && noisy[i]; // a stopped pixel stays stopped: counts stay equal
            active += FActive[i];
        }
        return double(active) / double(FActive.size());
    }

    TBitmap32 Picture(bool filtered) const
    {
        if (!filtered)
            return FFilm.Resolve(FScene.Transparent);
        const TFilteredPicture f = FilterNoise(FFilm);
        return TPhotoFilm::Resolve(FFilm.Width(), FFilm.Height(), f.Colour, f.Alpha, FScene.Transparent);
    }

private:
    const TPhotoScene& FScene;
    const TPhotoOptions& FOptions;
    TRayScene FRays;
    TPathTracer FTracer;
    TPhotoFilm FFilm;
    std::vector<uint8_t> FActive;
};

std::optional<TBitmap32> Render(const TPhotoScene& scene, const TPhotoOptions& options, const TPhotoPassDone& passDone)
{
    TPassRunner runner(scene, options);
    const int total = std::clamp(options.Samples, 1, 65536);
    TPhotoProgress progress;
    progress.SamplesTotal = total;
    int done = 0;
    for (int pass = 0; done < total && progress.ActiveShare > 0; ++pass) {
        const int count = PassSamples(pass, done, total);
        if (!runner.Run(done, count))
            return std::nullopt;
        done += count;
        if (options.Adaptive && done >= options.MinSamples && done < total)
            progress.ActiveShare = runner.Settle();
        progress.Pass = pass;
        progress.SamplesDone = done;
        const bool more = done < total && progress.ActiveShare > 0;
        if (passDone && more && !passDone(progress, runner.Picture(false)))
            return std::nullopt;
    }
    TBitmap32 picture = runner.Picture(options.Filter);
    progress.Last = true;
    if (passDone && !passDone(progress, picture))
        return std::nullopt;
    return picture;
}
} // namespace

std::optional<TBitmap32> RenderPhoto(const TPhotoScene& scene, const TPhotoOptions& options,
                                     const TPhotoPassDone& passDone)
{
    if (options.Threads > 0) {
        tbb::task_arena arena(options.Threads);
        return arena.execute([&] { return Render(scene, options, passDone); });
    }
    return Render(scene, options, passDone);
}
