// Memory of the undo history: 100 steps on a 3000 x 3000 face (adding 500 x 400 layers, dragging,
// resizing, turning, reordering and deleting them), then every step undone and redone. Goal: the
// whole process stays under 200 MiB, the face with its picture bytes included. Reported as
// counters: rss_MiB (the process after the 100 steps and the undo/redo walk) and history_MiB
// (what the steps added over the face on its own). Runs without a display (offscreen platform).
//
#include "cover/BookCover.h"
#include "cover/ImageViewInfo.h"
#include "document/TavloDocument.h"
#include "editor/LayerCommands.h"
#include "raster/RubberbandLayer.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <benchmark/benchmark.h>
#include <functional>

namespace {

double ResidentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint pos)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(pos), target->mapToGlobal(QPointF(pos)), Qt::LeftButton, held, {});
    QApplication::sendEvent(target, &event);
}

void UndoHistoryMemory(benchmark::State& state)
{
    for (auto _ : state) {
        QWidget container;
        container.resize(1200, 900);
        container.show();
        TTavloDocument document;
        TBookCover& cover = document.Cover();
        TFaceEditorContext context;
        context.Document = &document;
        auto* editor = new TLayerCommands(&container, context);
        {
            TBitmap32 face(3000, 3000);
            for (int y = 0; y < 3000; ++y)
                for (int x = 0; x < 3000; ++x)
                    face.SetPixel(x, y, Color32(x / 12, y / 12, (x ^ y) & 0xFF));
            cover.Face(0)->StoreBitmap(face);
        }
        editor->EnterFaceStep(0);
        const double faceOnly = ResidentMiB();

        TBitmap32 layer(500, 400);
        layer.Clear(Color32(200, 40, 90, 180));
        QWidget* viewport = editor->imgView->viewport();
        const auto drag = [&](QPointF from, QPointF by) {
            const QPoint a = editor->imgView->BitmapToControl(from).toPoint();
            const QPoint b = editor->imgView->BitmapToControl(from + by).toPoint();
            SendMouse(viewport, QEvent::MouseButtonPress, a);
            SendMouse(viewport, QEvent::MouseMove, b);
            SendMouse(viewport, QEvent::MouseButtonRelease, b);
        };
        const auto selected = [&] { return editor->SelectedLayer()->Location().ToRectF(); };
        // Add, drag, resize, turn, reorder, over and over (every fourth reorder deletes instead),
        // until 100 steps are recorded.
        int reorders = 0;
        const std::function<void()> kinds[] = {
            [&] { editor->AddImageLayer(&layer); },
            [&] { drag(selected().center(), {40, 25}); },
            [&] { drag(selected().bottomRight() - QPointF(1, 1), {30, 20}); },
            [&] { editor->RotateLayer(+1); },
            [&] { ++reorders % 4 == 0 ? editor->DeleteLayer() : editor->SendToBack(); },
        };
        for (int i = 0; editor->History().Count(0) < 100; ++i)
            kinds[i % 5]();
        const int recorded = editor->History().Count(0);
        while (editor->History().CanUndo())
            editor->Undo();
        while (editor->History().CanRedo())
            editor->Redo();
        const double total = ResidentMiB();
        state.counters["steps"] = recorded;
        state.counters["rss_MiB"] = total;
        state.counters["history_MiB"] = total - faceOnly;
        state.SetLabel("goal: rss under 200 MiB");
    }
}
BENCHMARK(UndoHistoryMemory)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
