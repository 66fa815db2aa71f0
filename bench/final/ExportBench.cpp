// Save As of the finished cover: the smoothed picture framed to the cover and its shadow at the
// view's own scale and at print widths, rendered offscreen.
// Run under a display: xvfb-run -a build/bench/final/bench_final  (LIBGL_ALWAYS_SOFTWARE=1)
#include "app/SaveFlow.h"
#include "cover/Composition.h"
#include "render/D3DWin.h"

#include <QApplication>
#include <QSurfaceFormat>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <memory>

namespace {
QWidget* Window = nullptr;
TD3DWin* View = nullptr;

// An 800 x 600 final view showing a book with a 1000 x 1500 front, shadow on.
bool MakeView()
{
    if (View)
        return true;
    Window = new QWidget;
    Window->resize(800, 600);
    bool ok = false;
    View = new TD3DWin(Window, ok);
    if (!ok)
        return false;
    Window->show();
    TBitmap32 front(1000, 1500), side(60, 1500);
    for (int y = 0; y < front.Height(); ++y)
        for (int x = 0; x < front.Width(); ++x)
            front.SetPixel(x, y, Color32((x * 7) & 255, (y * 3) & 255, ((x ^ y) * 5) & 255));
    side.Clear(Color32(30, 30, 160));
    View->FBackColor = Color32(255, 255, 255, 255);
    View->FShadow = true;
    return Compose(btBookCover, View, nullptr, &side, &front);
}

void BM_CaptureFinalView(benchmark::State& state)
{
    if (!MakeView()) {
        state.SkipWithError("OpenGL is not available");
        return;
    }
    const int width = state.range(0) == 0 ? View->NaturalContentWidth() : int(state.range(0));
    QSize size;
    for (auto _ : state) {
        TBitmap32 picture = CaptureFinalView(*View, width);
        size = picture.Size();
        benchmark::DoNotOptimize(picture.Bits());
    }
    state.counters["width"] = size.width();
    state.counters["height"] = size.height();
}
BENCHMARK(BM_CaptureFinalView)->Arg(0)->Arg(3000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(2);
} // namespace

int main(int argc, char** argv)
{
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete Window;
    return 0;
}
