// Dragging a layer over a 3000 x 3000 face with 20 layers: the cost of one repaint of the face
// view per mouse move (goal: under 16 ms). Runs without a display (offscreen platform).
#include "editor/ImgView32.h"
#include "raster/RubberbandLayer.h"

#include <QApplication>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

namespace {
struct TDragScene {
    TImgView32 view;
    TRubberbandLayer* frame = nullptr;
    QPoint grab;

    explicit TDragScene(double scale)
    {
        view.resize(1200, 900);
        view.show();
        TBitmap32 face(3000, 3000);
        for (int y = 0; y < 3000; ++y) {
            TColor32* line = face.ScanLine(y);
            for (int x = 0; x < 3000; ++x)
                line[x] = Color32(x / 12, y / 12, (x ^ y) & 0xFF);
        }
        view.SetBitmap(face);
        TBitmapLayer* last = nullptr;
        for (int i = 0; i < 20; ++i) {
            auto* layer = view.Layers().Add<TBitmapLayer>();
            layer->SetScaled(true);
            TBitmap32& b = layer->Bitmap();
            b.SetSize(500, 400);
            for (int y = 0; y < 400; ++y)
                for (int x = 0; x < 500; ++x)
                    b.SetPixel(x, y, Color32(i * 12, x / 2, y / 2, 96 + (x + y + i) % 160));
            b.SetDrawMode(TDrawMode::dmBlend);
            const float left = float(100 + (i % 5) * 550), top = float(100 + (i / 5) * 700);
            layer->SetLocation({left, top, left + 500, top + 400});
            last = layer;
        }
        frame = view.Layers().Add<TRubberbandLayer>();
        frame->SetMinWidth(1.0f);
        frame->SetMinHeight(1.0f);
        frame->SetChildLayer(last);
        view.SetScale(scale);
        // Scroll the dragged layer into the middle of the view.
        const QPointF centre(last->Location().Left + 250, last->Location().Top + 200);
        view.horizontalScrollBar()->setValue(int(centre.x() * scale) - view.viewport()->width() / 2);
        view.verticalScrollBar()->setValue(int(centre.y() * scale) - view.viewport()->height() / 2);
        view.RenderPending();
        grab = view.LayerTransform().Map(QPointF(last->Location().Left + 250, last->Location().Top + 200)).toPoint();
        frame->MouseDown(Qt::LeftButton, grab);
    }
};

void DragRepaint(benchmark::State& state)
{
    TDragScene scene(double(state.range(0)) / 100.0);
    int step = 0;
    for (auto _ : state) {
        // A circular drag path of 200 pixels radius, a few pixels per mouse move.
        ++step;
        const QPoint pos = scene.grab
            + QPoint(int(200 * std::cos(step * 0.02)) - 200, int(200 * std::sin(step * 0.02)));
        scene.frame->MouseMove(pos);
        scene.view.RenderPending();
    }
    state.SetLabel("ms per drag repaint at zoom " + std::to_string(state.range(0)) + "%");
}
BENCHMARK(DragRepaint)->Arg(100)->Arg(30)->Arg(250)->Unit(benchmark::kMillisecond)->UseRealTime();

void FullRepaint(benchmark::State& state)
{
    TDragScene scene(double(state.range(0)) / 100.0);
    for (auto _ : state) {
        scene.view.BitmapChanged();
        scene.view.RenderPending();
    }
    state.SetLabel("whole viewport, e.g. after a zoom or scroll");
}
BENCHMARK(FullRepaint)->Arg(100)->Arg(30)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
