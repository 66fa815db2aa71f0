// Time of our GIF and JPEG writers on the corpus photos, in process: reading a 32-bit BMP of the
// photo, encoding, and writing the file (what `tavlo convert photo.bmp out.gif` does after start-up).
// Run through compare.sh to see them beside ImageMagick and cjpeg.
#include "imageio/BmpWriter.h"
#include "imageio/ImageWriter.h"
#include "imageio/PictureLoader.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Where the pictures go: TAVLO_BENCH_OUT when set (compare.sh reads them afterwards), else a
// temporary folder.
QDir Scratch()
{
    static QTemporaryDir temporary;
    const QString chosen = qEnvironmentVariable("TAVLO_BENCH_OUT");
    return QDir(chosen.isEmpty() ? temporary.path() : chosen);
}

// The photo as a BMP in the scratch folder (our loader does not read PNG).
QString PhotoBmp(const QString& name)
{
    const QString bmp = Scratch().filePath(name + ".bmp");
    if (!QFile::exists(bmp)) {
        TBitmap32 picture;
        picture.Assign(QImage(QStringLiteral(TAVLO_CORPUS_DIR "/photo/") + name + ".png"));
        QFile file(bmp);
        if (!picture.Empty() && file.open(QIODevice::WriteOnly))
            file.write(EncodeBmp(picture));
    }
    return bmp;
}

void Convert(benchmark::State& state, const QString& photo, const char* extension)
{
    const QString input = PhotoBmp(photo);
    if (!QFile::exists(input)) {
        state.SkipWithError("corpus photo missing");
        return;
    }
    const QString output = Scratch().filePath(photo + ".ours." + extension);
    for (auto _ : state) {
        TBitmap32 picture;
        LoadPictureFile(picture, input);
        WriteImageFile(picture, output);
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList photos = QDir(QStringLiteral(TAVLO_CORPUS_DIR "/photo")).entryList({"*.png"}, QDir::Files, QDir::Name);
    for (const QString& file : photos) {
        const QString photo = file.chopped(4);
        for (const char* extension : {"gif", "jpg"})
            benchmark::RegisterBenchmark((std::string(extension) + "/" + photo.toStdString()).c_str(),
                                         [photo, extension](benchmark::State& s) { Convert(s, photo, extension); })
                ->Unit(benchmark::kMillisecond)
                ->MeasureProcessCPUTime()
                ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
