// `tavlo render --photo` and photo rows of `tavlo batch`: a traced picture on the exact
// background, a project's stored quality taken unless the command line says otherwise, wrong
// values refused, progress only on a terminal, turntables traced and framed alike, and a batch
// that renders a row again when its gloss changes. Pictures are tiny and sampled 4 times.
#include "project/ProjectFile.h"
#include "render/HeadlessContext.h"
#include "render/HeadlessPicture.h"
#include "common/RequireGL.h"
#include "common/RunTavlo.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr QRgb Backdrop = qRgb(40, 110, 160);

// Face pictures and a project of them saved at Photo quality, in a folder of the test's own.
class PhotoFiles {
public:
    PhotoFiles()
    {
        EXPECT_TRUE(Striped(120, 180, QColor(190, 50, 40), 7).save(Path("front.bmp")));
        EXPECT_TRUE(Striped(20, 180, QColor(40, 60, 170), 7).save(Path("side.bmp")));
        TProject project;
        project.Faces[0].Base.Assign(QImage(Path("front.bmp")));
        project.Faces[1].Base.Assign(QImage(Path("side.bmp")));
        project.Final.Type = btBookCover;
        project.Final.Quality = TRenderQuality::Photo;
        project.Final.Samples = 4;
        project.Final.Gloss = 80;
        project.Final.Reflection = 60;
        SaveProject(project, Path("photo.tavlo"));
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QStringList Faces() const { return {"--front", Path("front.bmp"), "--side", Path("side.bmp"), "--type", "Book Cover"}; }

    // The picture `tavlo render args` writes to name; a failed run fails the test.
    QImage Render(const QStringList& args, const QString& name) const
    {
        const TRun run = RunTavlo(QStringList{"render"} + args + QStringList{"-o", Path(name)});
        EXPECT_EQ(run.Exit, 0) << name.toStdString() << ": " << run.Err.toStdString();
        EXPECT_TRUE(run.Err.isEmpty()) << "nothing on stderr without a terminal: " << run.Err.toStdString();
        return QImage(Path(name));
    }

private:
    QTemporaryDir FDir;
};

// The number of pixels of picture exactly of colour c.
int Count(const QImage& picture, QRgb c)
{
    int n = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            n += picture.pixel(x, y) == c;
    return n;
}

} // namespace

TEST(PhotoCli, TracesOnTheExactBackgroundTakesTheProjectsQualityAndRefusesWrongValues)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    const PhotoFiles files;
    const QStringList tiny{"--size", "160x120", "--background", "#286ea0"};
    const QImage photo = files.Render(files.Faces() + tiny + QStringList{"--photo", "--samples", "4"}, "photo.png");
    const QImage standard = files.Render(files.Faces() + tiny, "standard.png");
    ASSERT_EQ(photo.width(), 160);
    ASSERT_EQ(standard.width(), 160);
    // Where no ray meets the cover, its shadow or its reflection, the background is exact: the
    // top row lies in the margin above everything, and so do the corners.
    for (int x = 0; x < photo.width(); ++x)
        ASSERT_EQ(photo.pixel(x, 0), Backdrop) << "top row, x = " << x;
    EXPECT_EQ(photo.pixel(0, photo.height() - 1), Backdrop);
    EXPECT_EQ(photo.pixel(photo.width() - 1, photo.height() - 1), Backdrop);
    // The cover itself is traced: its print differs from the 3D view's drawing of it.
    EXPECT_LT(Count(photo, Backdrop), photo.width() * photo.height() / 2);
    EXPECT_NE(photo, standard);

    // A project saved at Photo quality renders as a photo with its own samples, gloss and
    // reflection; the command line overrides each of them.
    const QStringList project{"--project", files.Path("photo.tavlo"), "--size", "160x120"};
    const QImage stored = files.Render(project, "stored.png");
    EXPECT_EQ(stored, files.Render(project + QStringList{"--photo", "--samples", "4", "--gloss", "80", "--reflection", "60"},
                                   "explicit.png"));
    EXPECT_NE(stored, files.Render(project + QStringList{"--samples", "8"}, "samples.png"));
    EXPECT_NE(stored, files.Render(project + QStringList{"--gloss", "10"}, "gloss.png"));
    EXPECT_NE(stored, files.Render(project + QStringList{"--reflection", "0"}, "reflection.png"));
    const QImage forcedStandard = files.Render(project + QStringList{"--standard"}, "forced.png");
    EXPECT_NE(stored, forcedStandard);
    // The 3D view's drawing has no gloss: the photo's options leave it as it is.
    EXPECT_EQ(forcedStandard, files.Render(project + QStringList{"--standard", "--gloss", "10"}, "forced-gloss.png"));

    const struct {
        QStringList Args;
        const char* Message;
    } wrong[] = {
        {{"--photo", "--samples", "0"}, "--samples wants a number from 1 to 65536, not \"0\"."},
        {{"--photo", "--samples", "many"}, "--samples wants a number from 1 to 65536, not \"many\"."},
        {{"--photo", "--gloss", "101"}, "--gloss wants a number from 0 to 100, not \"101\"."},
        {{"--photo", "--reflection", "-1"}, "--reflection wants a number from 0 to 100, not \"-1\"."},
        {{"--photo", "--standard"}, "--photo and --standard contradict each other."},
    };
    for (const auto& w : wrong) {
        const TRun run = RunTavlo(QStringList{"render"} + files.Faces() + w.Args + QStringList{"-o", files.Path("x.png")});
        EXPECT_EQ(run.Exit, 2) << w.Message;
        EXPECT_EQ(run.Err, QString("tavlo render: %1\n'tavlo render --help' lists the options.\n").arg(w.Message))
            << run.Err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(files.Path("x.png")));
    const TRun help = RunTavlo({"render", "--help"});
    for (const char* option : {"--photo", "--standard", "--samples N", "--reflection N", "--gloss N", "TAVLO_PHOTO_THREADS"})
        EXPECT_TRUE(help.Out.contains(option)) << option;

    // On a terminal the photo's progress is one line of percentages, cleared at the end.
    QProcess terminal;
    terminal.start("script", {"-qec",
                              QString("'%1' render --front '%2' --side '%3' --photo --samples 4 --size 160x120 -o '%4'")
                                  .arg(TAVLO_CLI, files.Path("front.bmp"), files.Path("side.bmp"), files.Path("t.png")),
                              "/dev/null"});
    ASSERT_TRUE(terminal.waitForFinished(30000)) << "the render on a terminal did not end within 30 s";
    const QString screen = QString::fromUtf8(terminal.readAllStandardOutput());
    EXPECT_TRUE(screen.contains("\rTracing the photo: 0 %") && screen.contains("\rTracing the photo: 100 %"))
        << screen.toStdString();
    EXPECT_TRUE(screen.contains("Wrote ")) << screen.toStdString();
}

TEST(PhotoCli, TurntableFramesAreTracedAndFramedAlike)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    const PhotoFiles files;
    const QStringList turn = files.Faces() + QStringList{"--size", "120x90", "--turntable", "4", "--background", "#286ea0"};
    const auto frames = [&](const QStringList& args, const QString& name) {
        const TRun run = RunTavlo(QStringList{"render"} + turn + args + QStringList{"-o", files.Path(name)});
        EXPECT_EQ(run.Exit, 0) << run.Err.toStdString();
        QImageReader reader(files.Path(name));
        QList<QImage> images;
        for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read())
            images << frame.convertToFormat(QImage::Format_RGB32);
        return images;
    };
    const QList<QImage> photo = frames({"--photo", "--samples", "2"}, "photo.gif");
    const QList<QImage> standard = frames({}, "standard.gif");
    ASSERT_EQ(photo.size(), 4);
    ASSERT_EQ(standard.size(), 4);
    for (int k = 0; k < 4; ++k) {
        // The GIF's frames keep the Standard turntable's size; every angle fits inside them, so
        // each frame's top row is the background.
        EXPECT_EQ(photo[k].size(), standard[k].size()) << "frame " << k;
        EXPECT_EQ(photo[k].pixel(photo[k].width() / 2, 0), Backdrop) << "frame " << k;
        EXPECT_EQ(photo[k].pixel(0, 0), Backdrop) << "frame " << k;
        EXPECT_NE(photo[k], standard[k]) << "frame " << k;
    }
    EXPECT_NE(photo[0], photo[1]) << "the cover turns";
}

TEST(PhotoCli, APhotoMemoryCannotHoldIsRefusedAtOnce)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    const PhotoFiles files;
    // Under a data limit of about 200 MB (ulimit -d, as a render server or container sets it).
    const auto limited = [&](const QStringList& args) {
        QProcess p;
        p.start("/bin/sh", QStringList{"-c", "ulimit -d 200000 && exec \"$0\" \"$@\"", TAVLO_CLI, "render"} +
                               files.Faces() + args);
        EXPECT_TRUE(p.waitForFinished(60000)) << "tavlo render " << args.join(' ').toStdString() << " did not end";
        return TRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                    QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    };
    TRun run = limited({"--photo", "--size", "3000x2250", "--no-crop", "-o", files.Path("big.png")});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Err.contains(QRegularExpression(R"(A photo of 3000 x 2250 pixels needs about \d+ MB of memory, )"
                                                    R"(but only \d+ MB are free\. Choose a smaller size\.)")))
        << run.Err.toStdString();
    // A traced turntable counts the photo's film beside the GIF's frames: refused where the
    // Standard one of the same size is made.
    run = limited({"--photo", "--size", "600x450", "--turntable", "2", "-o", files.Path("photo.gif")});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Err.contains(QRegularExpression(R"(A turntable of 2 frames of 600 x \d+ pixels needs about )")))
        << run.Err.toStdString();
    run = limited({"--size", "600x450", "--turntable", "2", "-o", files.Path("standard.gif")});
    EXPECT_EQ(run.Exit, 0) << run.Err.toStdString();
    EXPECT_FALSE(QFile::exists(files.Path("big.png")) || QFile::exists(files.Path("photo.gif")));
}

TEST(PhotoPicture, ProgressRunsToTheEndAndEitherQualityStopsWhenAsked)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    TBitmap32 front(60, 90), side(10, 90);
    front.Clear(Color32(190, 50, 40));
    side.Clear(Color32(40, 60, 170));
    TCoverRenderSettings settings;
    settings.Type = btBookCover;
    settings.Width = 80;
    settings.Height = 60;
    TPictureQuality photo;
    photo.Photo = true;
    photo.Samples = 4;
    // The photo tells of every pass with its picture so far, from 0 to 1.
    std::vector<double> done;
    const auto picture = RenderCoverPicture(front, side, nullptr, settings, photo, [&](const TPictureProgress& at) {
        EXPECT_TRUE(at.Done == 0 || (at.Preview && at.Preview->Width() == 80)) << at.Done;
        done.push_back(at.Done);
        return true;
    });
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->Width(), 80);
    ASSERT_GE(done.size(), 3u);
    EXPECT_EQ(done.front(), 0.0);
    EXPECT_EQ(done.back(), 1.0);
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));

    // Stopped by the progress or by the flag, at either quality: nothing, and no file written.
    const std::atomic<bool> cancel{true};
    EXPECT_FALSE(RenderCoverPicture(front, side, nullptr, settings, photo, [](const TPictureProgress& at) { return at.Done == 0; }));
    EXPECT_FALSE(RenderCoverPicture(front, side, nullptr, settings, photo, {}, &cancel));
    EXPECT_FALSE(RenderCoverPicture(front, side, nullptr, settings, TPictureQuality(), {}, &cancel));
    QTemporaryDir dir;
    for (const bool traced : {true, false}) {
        TPictureQuality quality = photo;
        quality.Photo = traced;
        EXPECT_TRUE(SaveTurntablePicture(front, side, nullptr, settings, quality, 3, dir.filePath("t.gif"), {}, &cancel).isEmpty());
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    photo.Samples = 70000;
    EXPECT_THROW(RenderCoverPicture(front, side, nullptr, settings, photo), std::runtime_error);
}

TEST(PhotoBatch, PhotoColumnsRenderTracedPicturesAndAChangedGlossRendersAgain)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    const PhotoFiles files;
    const QByteArray header = "output,front,side,type,size,photo,samples,reflection,gloss\n";
    const QByteArray rows = "std.png,front.bmp,side.bmp,Book Cover,160x120,no,,,\n"
                            "photo.png,front.bmp,side.bmp,Book Cover,160x120,yes,4,60,90\n"
                            "matte.png,front.bmp,side.bmp,Book Cover,160x120,On,4,60,0\n";
    QFile csv(files.Path("jobs.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write(header + rows);
    csv.close();
    TRun run = RunTavlo({"batch", files.Path("jobs.csv"), "-j", "2"});
    EXPECT_EQ(run.Exit, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("3 rendered, 0 up to date, 0 failed")) << run.Out.toStdString();
    const QImage photo(files.Path("photo.png")), matte(files.Path("matte.png")), standard(files.Path("std.png"));
    ASSERT_FALSE(photo.isNull());
    EXPECT_EQ(photo, files.Render(files.Faces() + QStringList{"--size", "160x120", "--photo", "--samples", "4",
                                                              "--reflection", "60", "--gloss", "90"},
                                  "direct.png"));
    EXPECT_NE(photo, standard);
    EXPECT_NE(photo, matte);
    EXPECT_EQ(standard, files.Render(files.Faces() + QStringList{"--size", "160x120"}, "direct-std.png"));

    // A changed gloss renders that row again; the others are up to date.
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write(header + QByteArray(rows).replace("On,4,60,0", "On,4,60,40"));
    csv.close();
    run = RunTavlo({"batch", files.Path("jobs.csv"), "-j", "2"});
    EXPECT_EQ(run.Exit, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("1 rendered, 2 up to date, 0 failed")) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains("line 4: wrote")) << run.Out.toStdString();
    EXPECT_NE(QImage(files.Path("matte.png")), matte);

    // A photo cell that is no yes/no fails its row alone.
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write(header + "odd.png,front.bmp,side.bmp,Book Cover,160x120,maybe,,,\n");
    csv.close();
    run = RunTavlo({"batch", files.Path("jobs.csv")});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Err.contains("\"maybe\" in the column \"photo\" is none of yes/no")) << run.Err.toStdString();
}
