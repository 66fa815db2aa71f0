// Saving and opening a large project: three faces of 2000 x 3000 with twenty layers between them.
// Goal: under one second each.
#include "project/ProjectFile.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Artwork-like pixels: smooth gradients with some hard-edged shapes, which compress as real
// covers do (noise would not, flat colour would too well).
TBitmap32 Artwork(int w, int h, int seed)
{
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool shape = ((x / 97 + y / 131 + seed) % 5) == 0;
            b.SetPixel(x, y, shape ? Color32(240, 230, 40) : Color32(x * 255 / w, y * 255 / h, (seed * 40) & 255));
        }
    return b;
}

TProject LargeProject()
{
    TProject p;
    for (int f = 0; f < 3; ++f)
        p.Faces[size_t(f)].Base = Artwork(2000, 3000, f);
    for (int i = 0; i < 20; ++i) {
        TProjectLayer layer{Artwork(300 + 20 * i, 200 + 10 * i, i), {float(10 * i), float(20 * i), float(10 * i + 300), float(20 * i + 200)}, true, std::nullopt};
        if (i % 4 == 0) {
            TTextParams text;
            text.Lines = {QStringLiteral("Layer %1").arg(i)};
            layer.Text = text;
        }
        p.Faces[size_t(i % 3)].Layers.push_back(std::move(layer));
    }
    return p;
}

void BM_SaveProject(benchmark::State& state)
{
    const TProject project = LargeProject();
    QTemporaryDir dir;
    for (auto _ : state)
        SaveProject(project, dir.filePath("large.tavlo"));
    state.counters["bytes"] = double(QFileInfo(dir.filePath("large.tavlo")).size());
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_OpenProject(benchmark::State& state)
{
    QTemporaryDir dir;
    SaveProject(LargeProject(), dir.filePath("large.tavlo"));
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadProject(dir.filePath("large.tavlo")));
}
BENCHMARK(BM_OpenProject)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv); // PNG codecs are plugins of the GUI library
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
