// The photo quality measured: every cover type at 800 x 600 and 1600 x 1200 with the default
// sample count (time), and each compared with a reference of the same scene at 4096 samples
// without any noise filter (PSNR over the whole picture, 8-bit colour channels).
//
// Run: build/bench/photo/bench_photo [--samples N] [--reference-samples N]
//        [--reference-side PIXELS] [--types 0,2,4] [--sizes 800x600,1600x1200] [--noise LEVELS]
//        [--out DIR]
// --out writes the photos, the references and the Standard pictures of the same settings.
// --reference-samples 0 leaves the PSNR comparison out.
// When povray is on PATH, each scene is also exported as a .pov file (PovExport) and POV-Ray,
// run as a program of its own, renders it at the same size: a second table sets its time beside
// ours (the photo at the default samples, all cores both). --pov-args replaces POV-Ray's
// quality options.
// --reference-side renders the PSNR comparison (default picture and reference alike) at most
// that many pixels wide, when the full-size references would take too long; the table says so.
// A plain program rather than a Google Benchmark: its result is a table of time and quality.
#include "PovExport.h"
#include "cover/Composition.h"
#include "render/HeadlessCover.h"
#include "render/photo/PhotoRenderer.h"
#include "render/scene/CoverScene.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QStringList>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <map>
#include <sys/resource.h>
#include <vector>

namespace {
struct TArgs {
    int Samples = TPhotoOptions::DefaultSamples;
    int ReferenceSamples = 4096;
    int ReferenceSide = 0; // 0: at the picture's own size
    double Noise = TPhotoOptions().NoiseLevels;
    std::vector<int> Types{0, 1, 2, 3, 4, 5, 6, 7};
    std::vector<QSize> Sizes{{800, 600}, {1600, 1200}};
    QString Out;
    // Antialiasing as POV-Ray's documentation recommends for final pictures (adaptive, threshold
    // 0.3, depth 3).
    QStringList PovArgs{"+A0.3", "+AM2", "+R3"};
};

TArgs ParseArgs(int argc, char** argv)
{
    TArgs a;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString key = argv[i], value = argv[i + 1];
        if (key == "--samples")
            a.Samples = value.toInt();
        else if (key == "--reference-samples")
            a.ReferenceSamples = value.toInt();
        else if (key == "--reference-side")
            a.ReferenceSide = value.toInt();
        else if (key == "--noise")
            a.Noise = value.toDouble();
        else if (key == "--out")
            a.Out = value;
        else if (key == "--pov-args")
            a.PovArgs = value.split(' ', Qt::SkipEmptyParts);
        else if (key == "--types") {
            a.Types.clear();
            for (const QString& t : value.split(','))
                a.Types.push_back(t.toInt());
        } else if (key == "--sizes") {
            a.Sizes.clear();
            for (const QString& s : value.split(',')) {
                const QStringList wh = s.split('x');
                if (wh.size() == 2)
                    a.Sizes.emplace_back(wh[0].toInt(), wh[1].toInt());
            }
        } else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
        }
    }
    return a;
}

// A photograph on the front where the corpus has one, else a pattern with hard edges.
TBitmap32 FrontFace()
{
    TBitmap32 front;
    const QImage photo(TAVLO_CORPUS_DIR "/photo/portrait-428x640_gdkpixbuf-testrotate.png");
    if (!photo.isNull()) {
        front.Assign(photo);
        return front;
    }
    front = TBitmap32(428, 640);
    for (int y = 0; y < front.Height(); ++y)
        for (int x = 0; x < front.Width(); ++x)
            front.SetPixel(x, y, Color32((x * 3) & 255, 80 + (y / 40 % 2) * 120, ((x / 32 + y / 32) % 2) * 200));
    return front;
}

struct TFaces {
    TBitmap32 Front = FrontFace(), Side{48, 640}, Top{428, 48};
    TFaces()
    {
        for (int y = 0; y < Side.Height(); ++y)
            for (int x = 0; x < Side.Width(); ++x)
                Side.SetPixel(x, y, (y / 60) % 2 ? Color32(30, 40, 150) : Color32(230, 200, 40));
        Top.Clear(Color32(200, 60, 50));
    }
};

TComposedCover Cover(int type)
{
    TFaces faces;
    return ComposeCover(TBookType(type), faces.Front, faces.Side, &faces.Top);
}

TCoverRenderSettings WholeView(int type, QSize size)
{
    TCoverRenderSettings settings;
    settings.Type = TBookType(type);
    settings.Width = size.width();
    settings.Height = size.height();
    settings.Crop = false;
    return settings;
}

// The Standard picture of the same cover and settings (smoothed), to set beside the photo.
TBitmap32 Standard(int type, QSize size)
{
    TFaces faces;
    TCoverRenderSettings settings = WholeView(type, size);
    settings.Smooth = true;
    try {
        return RenderCoverHeadless(faces.Front, faces.Side, &faces.Top, settings);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "no Standard picture: %s\n", e.what());
        return {};
    }
}

double Psnr(const TBitmap32& a, const TBitmap32& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return 0;
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const TColor32 p = a.Pixel(x, y), q = b.Pixel(x, y);
            for (int d : {RedOf(p) - RedOf(q), GreenOf(p) - GreenOf(q), BlueOf(p) - BlueOf(q)})
                sum += double(d) * d;
        }
    const double mse = sum / (3.0 * a.Width() * a.Height());
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
}

// CPU time of the whole process in seconds: on a busy shared machine it shows the work done
// where the wall-clock time shows the waiting too.
double ProcessCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double LoadAverage()
{
    std::ifstream in("/proc/loadavg");
    double load = 0;
    in >> load;
    return load;
}

// CPU time of the children this process has waited for, in seconds.
double ChildrenCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct TTimes {
    double Wall = -1, Cpu = -1; // seconds; negative when it failed
};

// POV-Ray's time for the scene at its size, run as a program of its own in the folder the scene
// was exported to.
TTimes PovRayTimes(const QString& povray, const TPhotoScene& scene, const QString& folder, const QStringList& args,
                   const QString& out)
{
    const QString base = folder + "/scene";
    ExportPov(scene, base);
    QProcess pov;
    pov.setWorkingDirectory(folder);
    pov.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    const double cpu = ChildrenCpuSeconds();
    pov.start(povray, QStringList{"+I" + base + ".pov", "+O" + (out.isEmpty() ? base + ".png" : out), "+FN",
                                  QString("+W%1").arg(scene.Camera.Width), QString("+H%1").arg(scene.Camera.Height),
                                  "-D", "-V"} + args);
    if (!pov.waitForFinished(3600 * 1000) || pov.exitStatus() != QProcess::NormalExit || pov.exitCode() != 0) {
        std::fprintf(stderr, "povray failed: %s\n", pov.readAll().right(2000).constData());
        pov.kill();
        pov.waitForFinished();
        return {};
    }
    return {timer.nsecsElapsed() / 1e9, ChildrenCpuSeconds() - cpu};
}

TBitmap32 Render(int type, const TComposedCover& cover, QSize size, int samples, bool filter, double noise,
                 double& seconds, double* cpuSeconds = nullptr)
{
    const TCoverRenderSettings settings = WholeView(type, size);
    TPhotoOptions options;
    options.Samples = samples;
    options.Filter = filter;
    options.Adaptive = filter; // the reference: every pixel gets every sample
    options.NoiseLevels = noise;
    QElapsedTimer timer;
    timer.start();
    const double cpu = ProcessCpuSeconds();
    const TPhotoScene scene = BuildPhotoScene(cover, settings, TPhotoLook());
    const auto picture = RenderPhoto(scene, options);
    seconds = timer.nsecsElapsed() / 1e9;
    if (cpuSeconds)
        *cpuSeconds = ProcessCpuSeconds() - cpu;
    return picture ? *picture : TBitmap32();
}
} // namespace

int main(int argc, char** argv)
{
    const TArgs args = ParseArgs(argc, argv);
    std::printf("photo benchmark: default %d samples, reference %d samples without filter%s\n", args.Samples,
                args.ReferenceSamples,
                args.ReferenceSide > 0 ? qPrintable(QString(", PSNR at most %1 px wide").arg(args.ReferenceSide)) : "");
    std::printf("load average at start: %.2f\n", LoadAverage());
    std::printf("%-20s %-10s %8s %8s %9s %10s %8s\n", "type", "size", "time s", "cpu s", "PSNR dB", "PSNR at", "load");
    const QString povray = QStandardPaths::findExecutable("povray");
    QTemporaryDir povFolder;
    struct TPovRow {
        QString Type, Size;
        TTimes Ours, Pov;
    };
    std::vector<TPovRow> povRows;
    for (int type : args.Types) {
        const TComposedCover cover = Cover(type);
        std::map<std::pair<int, int>, double> psnrAt; // one comparison per size it is made at
        for (const QSize size : args.Sizes) {
            double seconds = 0, cpu = 0, unused = 0;
            const TBitmap32 picture = Render(type, cover, size, args.Samples, true, args.Noise, seconds, &cpu);
            QSize compareSize = size;
            if (args.ReferenceSide > 0 && size.width() > args.ReferenceSide)
                compareSize = size.scaled(args.ReferenceSide, args.ReferenceSide * 4, Qt::KeepAspectRatio);
            TBitmap32 reference;
            const auto key = std::pair{compareSize.width(), compareSize.height()};
            if (!psnrAt.count(key) && args.ReferenceSamples <= 0) {
                psnrAt[key] = 0;
            } else if (!psnrAt.count(key)) {
                const TBitmap32 compared = compareSize == size
                                               ? picture
                                               : Render(type, cover, compareSize, args.Samples, true, args.Noise, unused);
                reference = Render(type, cover, compareSize, args.ReferenceSamples, false, 0, unused);
                psnrAt[key] = Psnr(compared, reference);
            }
            const double psnr = psnrAt[key];
            std::printf("%-20s %-10s %8.2f %8.2f %9.2f %10s %8.2f\n", qPrintable(BookTypeName(TBookType(type))),
                        qPrintable(QString("%1x%2").arg(size.width()).arg(size.height())), seconds, cpu, psnr,
                        qPrintable(QString("%1x%2").arg(compareSize.width()).arg(compareSize.height())), LoadAverage());
            std::fflush(stdout);
            if (!povray.isEmpty()) {
                const QString out = args.Out.isEmpty() ? QString()
                                                       : QString("%1/type%2-%3-povray.png").arg(args.Out).arg(type).arg(size.width());
                const TPhotoScene scene = BuildPhotoScene(cover, WholeView(type, size), TPhotoLook());
                povRows.push_back({BookTypeName(TBookType(type)), QString("%1x%2").arg(size.width()).arg(size.height()),
                                   {seconds, cpu}, PovRayTimes(povray, scene, povFolder.path(), args.PovArgs, out)});
            }
            if (!args.Out.isEmpty()) {
                const QString base = QString("%1/type%2-%3").arg(args.Out).arg(type).arg(size.width());
                picture.ConstImageView().save(base + ".png");
                if (!reference.Empty())
                    reference.ConstImageView().save(base + "-reference.png");
                const TBitmap32 standard = Standard(type, size);
                if (!standard.Empty())
                    standard.ConstImageView().save(base + "-standard.png");
            }
        }
    }
    if (povray.isEmpty()) {
        std::printf("\npovray is not on PATH: no side-by-side table.\n");
        return 0;
    }
    std::printf("\nside by side with POV-Ray (%s; radiosity, 9 x 9 adaptive area light, %s):\n",
                qPrintable(povray), qPrintable(args.PovArgs.join(' ')));
    // Wall-clock time, and CPU time, which a busy machine blurs less.
    std::printf("%-20s %-10s %8s %10s %7s %8s %10s %7s\n", "type", "size", "ours s", "POV-Ray s", "ratio", "ours cpu",
                "POV cpu", "ratio");
    auto print = [](const QString& type, const QString& size, TTimes ours, TTimes pov) {
        std::printf("%-20s %-10s %8.2f %10.2f %7.2f %8.2f %10.2f %7.2f\n", qPrintable(type), qPrintable(size), ours.Wall,
                    pov.Wall, pov.Wall > 0 ? ours.Wall / pov.Wall : 0.0, ours.Cpu, pov.Cpu,
                    pov.Cpu > 0 ? ours.Cpu / pov.Cpu : 0.0);
    };
    TTimes ours{0, 0}, pov{0, 0};
    for (const TPovRow& row : povRows) {
        print(row.Type, row.Size, row.Ours, row.Pov);
        ours = {ours.Wall + row.Ours.Wall, ours.Cpu + row.Ours.Cpu};
        pov = {pov.Wall + std::max(row.Pov.Wall, 0.0), pov.Cpu + std::max(row.Pov.Cpu, 0.0)};
    }
    print("all", "", ours, pov);
    return 0;
}
