// Composing an atlas from a 2000 x 3000 front, a 300 x 3000 side and a generated top.
// Goal: under 40 ms per atlas (a handful of copies; memory bandwidth is the limit).
#include "cover/Composition.h"
#include "cover/FaceShaping.h"
#include "cover/ICoverView.h"

#include <benchmark/benchmark.h>

namespace {
TBitmap32 Gradient(int w, int h)
{
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32(x & 0xFF, y & 0xFF, (x + y) & 0xFF));
    return b;
}

class TNullView : public TAtlasSink {
public:
    int Pixels = 0;
    void ShowCover(const TBitmap32* atlas, int, int, int) override { Pixels = atlas->Width() * atlas->Height(); }
};

const TBitmap32& Front()
{
    static const TBitmap32 front = Gradient(2000, 3000);
    return front;
}
const TBitmap32& Side()
{
    static const TBitmap32 side = Gradient(300, 3000);
    return side;
}
} // namespace

// The atlas alone: generated top, three region copies.
static void BM_BuildAtlas(benchmark::State& state)
{
    for (auto _ : state) {
        TBitmap32 top = MakeTopFace(btTwoSidedBox, Front(), Side());
        TBitmap32 atlas = BuildAtlas(Front(), Side(), &top);
        benchmark::DoNotOptimize(atlas.Bits());
    }
}
BENCHMARK(BM_BuildAtlas)->Unit(benchmark::kMillisecond);

// The whole composition for a type, starting from fresh copies of the faces as the final page
// does (the copies are part of the measured time).
static void BM_Compose(benchmark::State& state)
{
    const TBookType type = TBookType(state.range(0));
    TNullView view;
    for (auto _ : state) {
        TBitmap32 front = Front(), side = Side();
        Compose(type, &view, nullptr, &side, &front);
        benchmark::DoNotOptimize(view.Pixels);
    }
    state.SetLabel(BookTypeName(type).toStdString());
}
BENCHMARK(BM_Compose)->Arg(btTwoSidedBox)->Arg(btThreeSidedBox)->Arg(btBookCover)->Arg(btCDCover)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
