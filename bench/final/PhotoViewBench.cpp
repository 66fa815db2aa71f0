// The final view at Photo quality, measured as the user meets it: how long after choosing Photo
// (or after a change) the first traced picture is on screen, how long the refinement takes, and
// the longest the UI thread goes without running its event loop meanwhile (a 4 ms timer's
// largest gap), also while the cover is dragged and every move starts the trace again.
// Run under a display: xvfb-run -a build/bench/final/bench_final_photo [--runs N] [--type T]
// (LIBGL_ALWAYS_SOFTWARE=1). A plain program: its result is a table of times.
#include "app/FinalPage.h"
#include "app/PhotoPreview.h"
#include "cover/ImageViewInfo.h"
#include "document/TavloDocument.h"
#include "render/D3DWin.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QSurfaceFormat>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
// The UI thread's own processor time so far, in microseconds.
qint64 ThreadCpuUs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

// The largest gap between ticks of a 4 ms timer while it runs (a 1 ms one costs the
// tracer a third of a core in the event loop's own work): how long the UI thread went
// without its event loop; and of that, the most processor time it spent between two ticks (its
// own work, as opposed to waiting for a core the rest of the machine holds).
class TStallProbe {
public:
    TStallProbe()
    {
        FTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            FLongest = std::max(FLongest, FSince.restart());
            const qint64 cpu = ThreadCpuUs();
            FLongestBusyUs = std::max(FLongestBusyUs, cpu - FCpuUs);
            FCpuUs = cpu;
        });
    }
    void Start()
    {
        FLongest = 0;
        FLongestBusyUs = 0;
        FCpuUs = ThreadCpuUs();
        FSince.start();
        FTimer.start(4);
    }
    qint64 Stop()
    {
        FTimer.stop();
        return std::max(FLongest, FSince.elapsed());
    }

    qint64 LongestBusyMs() const { return (FLongestBusyUs + 999) / 1000; }

private:
    QTimer FTimer;
    QElapsedTimer FSince;
    qint64 FLongest = 0;
    qint64 FLongestBusyUs = 0, FCpuUs = 0;
};

// Runs the event loop until done() or the deadline; false on the deadline. It waits for events
// (a 5 ms timer wakes it to look), so it leaves the cores to the tracer.
bool RunUntil(const std::function<bool()>& done, int deadlineMs = 120000)
{
    QElapsedTimer t;
    t.start();
    QTimer wake;
    wake.start(5);
    while (!done()) {
        if (t.elapsed() > deadlineMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void ChangeBackground(TTavloDocument& document, TColor32 colour)
{
    TFinalSettings s = document.Settings();
    s.Background = colour;
    document.ChangeSettings(s, TSettingKey::Background);
}

// Processor time of the whole process so far (every thread), in milliseconds.
qint64 ProcessCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

double Median(std::vector<qint64> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? double(v[v.size() / 2]) : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2.0;
}
} // namespace

int main(int argc, char** argv)
{
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication app(argc, argv);
    int runs = 5;
    TBookType type = btBookCover;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (QByteArray(argv[i]) == "--runs")
            runs = std::max(1, atoi(argv[i + 1]));
        else if (QByteArray(argv[i]) == "--type")
            type = TBookType(std::clamp(atoi(argv[i + 1]), 0, BookTypeCount - 1));
    }

    // The window's final page at its size on a 1280 x 1024 screen, showing a book with a 1000 x
    // 1500 front.
    TTavloDocument document;
    document.SetType(type);
    QWidget top;
    top.resize(1254, 700);
    auto* preview = new QWidget(&top);
    preview->setGeometry(0, 0, 400, 300);
    preview->hide();
    auto* chart = new QWidget(&top);
    chart->setGeometry(0, 0, 1254, 700);
    auto* types = new QComboBox(chart);
    for (int i = 0; i < BookTypeCount; ++i)
        types->addItem(QLatin1Char(' ') + BookTypeName(TBookType(i)));
    TFinalPage page(chart, types, document);
    bool ok = false;
    auto* view = new TD3DWin(chart, ok);
    if (!ok) {
        std::fprintf(stderr, "OpenGL is not available\n");
        return 1;
    }
    page.SetView(view, preview);
    page.ShowOnStep(true);
    top.show();
    TImageViewInfo front, side, topFace;
    front.Bitmap = TBitmap32(1000, 1500);
    for (int y = 0; y < 1500; ++y)
        for (int x = 0; x < 1000; ++x)
            front.Bitmap.SetPixel(x, y, Color32((x * 7) & 255, (y * 3) & 255, ((x ^ y) * 5) & 255));
    side.Bitmap = TBitmap32(60, 1500);
    side.Bitmap.Clear(Color32(30, 30, 160));
    page.ComposeFinal(type, front, side, topFace);
    RunUntil([] { return false; }, 500); // the window settles

    TPhotoPreview& photo = *page.PhotoPreview();
    TStallProbe probe;
    std::vector<qint64> firsts, refines, stalls, changeStalls, busy, changeBusy;
    qint64 firstShown = -1, cpuAtChange = 0, firstCpu = 0;
    QElapsedTimer clock;
    QObject::connect(&photo, &TPhotoPreview::PictureShown, [&] {
        if (firstShown < 0) {
            firstShown = clock.elapsed();
            firstCpu = ProcessCpuMs() - cpuAtChange;
        }
    });
    std::vector<qint64> firstCpus;
    for (int run = 0; run < runs; ++run) {
        // Photo chosen (the first run) or the background changed: the trace starts afresh.
        firstShown = -1;
        probe.Start();
        clock.start();
        cpuAtChange = ProcessCpuMs();
        if (run == 0) {
            TFinalSettings s = document.Settings();
            s.Quality = TRenderQuality::Photo;
            document.ChangeSettings(s, TSettingKey::Quality);
        } else {
            ChangeBackground(document, Color32(255 - run * 20, 255, 255 - run * 10));
        }
        if (!RunUntil([&] { return firstShown >= 0; }))
            return 2;
        firsts.push_back(firstShown);
        firstCpus.push_back(firstCpu);
        changeStalls.push_back(probe.Stop());
        changeBusy.push_back(probe.LongestBusyMs());
        probe.Start(); // the refinement itself, from the first picture on
        if (!RunUntil([&] { return photo.Finished(); }))
            return 3;
        refines.push_back(clock.elapsed());
        stalls.push_back(probe.Stop());
        busy.push_back(probe.LongestBusyMs());
    }
    const QSize size = photo.Picture()->Size();
    std::printf("photo view %d x %d, %s, %d samples, %d runs\n", size.width(), size.height(),
                qPrintable(BookTypeName(type)), photo.SamplesShown(), runs);
    const auto row = [](const char* what, const std::vector<qint64>& v) {
        std::printf("%-44s median %5.0f  max %5lld\n", what, Median(v), *std::max_element(v.begin(), v.end()));
    };
    row("first picture ms", firsts);
    // On a machine busy with other work the wall times grow; the processor time does not, and on
    // idle cores the tracer's share of it is spread over all of them.
    row("  processor ms to it (every thread)", firstCpus);
    row("finished ms", refines);
    row("UI stall ms, the change (3D view redrawn)", changeStalls);
    row("  of which UI thread busy ms", changeBusy);
    row("UI stall ms, refining (first to finished)", stalls);
    row("  of which UI thread busy ms", busy);

    // A drag: a move every 30 ms for 1.5 s, each one turning the cover (the 3D view below redraws
    // on the UI thread) and starting the trace again.
    const QPoint centre = photo.mapTo(&top, photo.rect().center());
    QElapsedTimer dragClock;
    probe.Start();
    dragClock.start();
    QMouseEvent press(QEvent::MouseButtonPress, centre, centre, view->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view, &press);
    for (int k = 1; k <= 50; ++k) {
        const QPoint at = photo.mapFrom(&top, centre + QPoint(4 * k, 0));
        QMouseEvent move(QEvent::MouseMove, at, at, view->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(view, &move);
        RunUntil([&] { return dragClock.elapsed() >= 30 * k; });
    }
    const qint64 dragStall = probe.Stop();
    std::printf("UI stall ms while dragging (50 moves, the 3D view redrawn and the trace restarted at each): %lld, "
                "UI thread busy %lld\n", dragStall, probe.LongestBusyMs());
    double load[1] = {0};
    getloadavg(load, 1);
    std::printf("load average at the end: %.2f on %d cores\n", load[0], QThread::idealThreadCount());
    return 0;
}
