// Frame times of the 3D view on Mesa's software renderer, drawn headless (EGL surfaceless):
// one pass, the default smoothing (soft shadow layer and nine edge passes) and the plain nine
// jittered passes at 800 x 600, and a smoothed 4000 x 4000 export.
// Run: build/bench/render/bench_render  (LIBGL_ALWAYS_SOFTWARE=1 for llvmpipe)
#include "render/Accumulator.h"
#include "render/HeadlessView.h"
#include "render/TurntableGif.h"

#include <QBuffer>
#include <benchmark/benchmark.h>
#include <memory>
#include <sys/resource.h>

namespace {
// CPU time of the whole process (llvmpipe draws on worker threads), in milliseconds: on a busy
// shared machine it shows the work done where the wall-clock time shows the waiting too.
double ProcessCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

struct TCpuCounter {
    benchmark::State& State;
    double Start = ProcessCpuMs();
    ~TCpuCounter()
    {
        State.counters["proc_cpu_ms"] =
            benchmark::Counter((ProcessCpuMs() - Start) / double(State.iterations()));
    }
};

// A book cover as the final page shows it: 1000 x 1500 front, 60 px spine, generated top.
std::unique_ptr<THeadlessView> MakeView(int width, int height, benchmark::State& state)
{
    bool ok = false;
    auto view = std::make_unique<THeadlessView>(width, height, ok);
    if (!ok) {
        state.SkipWithError(view->Error().toStdString().c_str());
        return nullptr;
    }
    const int fw = 1000, fh = 1500, sw = 60;
    TBitmap32 atlas(fw + sw, fh + sw);
    for (int y = 0; y < atlas.Height(); ++y)
        for (int x = 0; x < atlas.Width(); ++x)
            atlas.SetPixel(x, y, Color32((x * 7) & 255, (y * 3) & 255, ((x ^ y) * 5) & 255));
    view->SetPagedBook(true);
    view->SetAngleX(30 * 3.14159265f / 180);
    view->SetAngleY(330 * 3.14159265f / 180);
    view->FShadow = true;
    view->ShowCover(&atlas, fw, fh, sw);
    return view;
}

// Loading a new atlas: the upload with its mipmaps, the mesh and one frame.
void BM_ShowCoverNewAtlas(benchmark::State& state)
{
    auto view = MakeView(800, 600, state);
    if (!view)
        return;
    TBitmap32 atlas(1060, 1560);
    atlas.Clear(Color32(120, 80, 40));
    TCpuCounter cpu{state};
    for (auto _ : state)
        view->ShowCover(&atlas, 1000, 1500, 60);
}
BENCHMARK(BM_ShowCoverNewAtlas)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FrameOnePass(benchmark::State& state)
{
    auto view = MakeView(800, 600, state);
    if (!view)
        return;
    TCpuCounter cpu{state};
    for (auto _ : state) {
        view->ShowCover(nullptr, 0, 0, 0); // draw and read back, as the widget keeps each frame
        benchmark::DoNotOptimize(view->LastFrame().Bits());
    }
}
BENCHMARK(BM_FrameOnePass)->Unit(benchmark::kMillisecond)->UseRealTime();

// backend 0: CPU sums, 1: float framebuffer; plain 1: the nine whole jittered passes.
void BM_FrameSmooth(benchmark::State& state)
{
    auto view = MakeView(800, 600, state);
    if (!view)
        return;
    view->FSmooth = true;
    view->FPasses = 9;
    view->SetAccumulator(TAccumulator::Create(TAccumulator::TBackend(state.range(0))));
    const bool plain = state.range(1) != 0;
    TCpuCounter cpu{state};
    for (auto _ : state) {
        if (plain) {
            view->MakeCurrent();
            view->PaintAccumulated(9);
        } else {
            view->ShowCover(nullptr, 0, 0, 0);
        }
        benchmark::DoNotOptimize(view->LastFrame().Bits());
    }
}
BENCHMARK(BM_FrameSmooth)->ArgNames({"backend", "plain"})->Args({1, 0})->Args({1, 1})->Args({0, 0})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Render4000Smooth(benchmark::State& state)
{
    auto view = MakeView(800, 600, state);
    if (!view)
        return;
    view->FSmooth = true;
    view->MakeCurrent();
    TCpuCounter cpu{state};
    for (auto _ : state) {
        TBitmap32 picture = view->RenderToBitmap(4000, 4000);
        benchmark::DoNotOptimize(picture.Bits());
    }
}
BENCHMARK(BM_Render4000Smooth)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The turntable as Save As makes it: 36 smoothed frames 600 pixels wide, each coded into the GIF
// as it is drawn (after the palette pass over smaller frames).
void BM_Turntable36(benchmark::State& state)
{
    auto view = MakeView(800, 600, state);
    if (!view)
        return;
    view->FSmooth = true;
    view->MakeCurrent();
    TCpuCounter cpu{state};
    for (auto _ : state) {
        TTurntableGif settings;
        settings.Frames = 36;
        settings.Size = QSize(600, 0);
        QByteArray gif;
        QBuffer buffer(&gif);
        buffer.open(QIODevice::WriteOnly);
        TTurntableGifWriter writer(*view, settings);
        writer.Write(buffer, {});
        state.counters["gif_kb"] = double(gif.size()) / 1024;
        state.counters["bound_mb"] = double(writer.MemoryNeeded()) / (1 << 20);
        benchmark::DoNotOptimize(gif.data());
    }
}
BENCHMARK(BM_Turntable36)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
} // namespace

BENCHMARK_MAIN();
