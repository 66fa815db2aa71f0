// What the recovery file costs the UI thread: the snapshot taken there before the worker decodes,
// encodes and writes. Goal: under 16 ms (one frame) for faces of 3000 x 4000 with layers.
#include "document/TavloDocument.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace {

TBitmap32 Artwork(int w, int h, int seed)
{
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32(x * 255 / w, y * 255 / h, (seed * 40 + x / 50) & 255));
    return b;
}

// Three faces of the given front size and five layers of 400 x 300 on the front.
TProject Work(int w, int h)
{
    TProject p;
    p.Faces[0].Base = Artwork(w, h, 0);
    p.Faces[1].Base = Artwork(w / 6, h, 1);
    p.Faces[2].Base = Artwork(w, w / 6, 2);
    for (int i = 0; i < 5; ++i)
        p.Faces[0].Layers.push_back({Artwork(400, 300, i), {float(50 * i), 0, float(50 * i + 400), 300}, true, std::nullopt});
    return p;
}

void BM_SnapshotOnTheUiThread(benchmark::State& state)
{
    TTavloDocument document;
    document.ReplaceWithProject(Work(int(state.range(0)), int(state.range(1))), QString());
    for (auto _ : state)
        benchmark::DoNotOptimize(document.Snapshot(1));
}
BENCHMARK(BM_SnapshotOnTheUiThread)->Args({1000, 1400})->Args({3000, 4000})->Unit(benchmark::kMillisecond);

// The part the worker does, for comparison: decoding the faces into a project.
void BM_SnapshotToProjectOnTheWorker(benchmark::State& state)
{
    TTavloDocument document;
    document.ReplaceWithProject(Work(int(state.range(0)), int(state.range(1))), QString());
    const TDocumentSnapshot snapshot = document.Snapshot(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(snapshot.ToProject());
}
BENCHMARK(BM_SnapshotToProjectOnTheWorker)->Args({1000, 1400})->Args({3000, 4000})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
