// A series from one look: batch rows that share a project and bring their own front. Each row is
// the project's scene with that title's art in place of the front and of the layers on it.
#include "project/ProjectFile.h"
#include "render/HeadlessContext.h"
#include "common/RequireGL.h"
#include "common/RunTavlo.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A text layer as the face editor saves it: its drawn pixels and the parameters behind them.
TProjectLayer TextLayer(const QString& text, QColor colour, QSize size, TFloatRect where)
{
    QImage pixels(size, QImage::Format_ARGB32);
    pixels.fill(Qt::transparent);
    {
        QPainter painter(&pixels);
        painter.setPen(colour);
        painter.setFont(QFont("Liberation Sans", 26, QFont::Black));
        painter.translate(size.width(), 0);
        painter.rotate(90); // read down the spine
        painter.drawText(QRect(0, 0, size.height(), size.width()), Qt::AlignCenter, text);
    }
    TProjectLayer layer{TBitmap32(), where, true, TTextParams()};
    layer.Bitmap.Assign(pixels);
    layer.Bitmap.SetDrawMode(TDrawMode::dmBlend);
    layer.Text->Lines = {text};
    return layer;
}

QImage Filled(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A front of 120 x 180 shaded across: green (0), red (1) or red more steeply (2).
QImage Shaded(int title)
{
    QImage image(120, 180, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, title == 0 ? qRgb(40, 100 + y / 2, 60 + x / 2) : qRgb(130 + x / title, 60, 40 + y / 3));
    return image;
}

// A picture's pixels meeting a test.
int Count(const QImage& image, const std::function<bool(QRgb)>& test)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += test(image.pixel(x, y)) ? 1 : 0;
    return n;
}

bool Near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 && std::abs(qBlue(a) - qBlue(b)) <= 2;
}

bool Yellow(QRgb c) { return qRed(c) > 100 && qGreen(c) > 100 && qBlue(c) * 2 < std::min(qRed(c), qGreen(c)); }
bool Magenta(QRgb c) { return qRed(c) > 100 && qBlue(c) > 100 && qGreen(c) * 2 < std::min(qRed(c), qBlue(c)); }

} // namespace

TEST(SeriesCli, RowsShareTheProjectsSceneWithTheirOwnFrontAndResumeByFront)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    QTemporaryDir dir;
    auto path = [&](const QString& name) { return dir.filePath(name); };

    // The look: a Book Cover turned away from its type's angles, at the project's own size, a
    // title text on the spine and a badge on the front that a row's finished art replaces.
    TProject project;
    project.Faces[0].Base.Assign(Striped(120, 180, QColor(40, 60, 170), 9));
    project.Faces[0].Layers = {{TBitmap32(), {60, 10, 110, 60}, true, std::nullopt}};
    project.Faces[0].Layers[0].Bitmap.Assign(Filled({40, 40}, QColor(220, 40, 220)));
    project.Faces[1].Base.Assign(Filled({40, 180}, QColor(30, 30, 30)));
    project.Faces[1].Layers = {TextLayer("VOL", QColor(250, 220, 0), {40, 160}, {0, 10, 40, 170})};
    project.Final.Type = btBookCover;
    project.Final.AngleX = 15;
    project.Final.AngleY = 35;
    project.Final.Shadow = false;
    project.Final.Background = Color32(200, 230, 255);
    project.Final.ExportWidth = 200;
    project.Final.ExportHeight = 150;
    SaveProject(project, path("look.tavlo"));
    // Two titles' fronts unlike each other and the project's front at every pixel.
    ASSERT_TRUE(Shaded(0).save(path("one.bmp")));
    ASSERT_TRUE(Shaded(1).save(path("two.bmp")));

    QFile csv(path("series.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("output,project,front\n"
              "out/one.png,look.tavlo,one.bmp\n"
              "out/two.png,look.tavlo,two.bmp\n");
    csv.close();
    TRun run = RunTavlo({"batch", path("series.csv"), "-j", "2"});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains("2 rendered, 0 up to date, 0 failed")) << run.Out.toStdString();

    const auto render = [&](const QStringList& args, const QString& out) {
        const TRun r = RunTavlo(QStringList{"render", "--project", path("look.tavlo")} + args + QStringList{"-o", path(out)});
        EXPECT_EQ(r.Exit, 0) << r.Err.toStdString();
        return QImage(path(out));
    };
    const QImage one(path("out/one.png")), two(path("out/two.png"));
    const QImage alone = render({}, "alone.png");
    ASSERT_FALSE(one.isNull() || two.isNull() || alone.isNull());
    // A row is the render command line it stands for.
    EXPECT_EQ(one, render({"--front", path("one.bmp")}, "render-one.png"));
    EXPECT_EQ(two, render({"--front", path("two.bmp")}, "render-two.png"));

    // Same size and framing as the project alone; the fronts differ over a good part of it and
    // everything else (spine with its text, background, the project's angles) is the project's.
    EXPECT_EQ(one.width(), 200);
    EXPECT_EQ(one.size(), alone.size());
    EXPECT_EQ(two.size(), alone.size());
    int front = 0, elsewhere = 0;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x) {
            if (one.pixel(x, y) != two.pixel(x, y)) // the front, and what its texels reach by filtering
                ++front;
            else if (!Near(one.pixel(x, y), alone.pixel(x, y)))
                ++elsewhere;
        }
    EXPECT_GT(front, one.width() * one.height() / 8);
    EXPECT_EQ(elsewhere, 0);
    const int spineText = Count(alone, Yellow);
    EXPECT_GT(spineText, 30) << "the spine's text layer is not in sight";
    EXPECT_EQ(Count(one, Yellow), spineText);
    EXPECT_EQ(Count(two, Yellow), spineText);
    // The project's layer on the front goes with the front it was made for.
    EXPECT_GT(Count(alone, Magenta), 50);
    EXPECT_EQ(Count(one, Magenta), 0);
    EXPECT_EQ(Count(two, Magenta), 0);
    // Turned away from the type's own angles: the type's angles draw another picture.
    EXPECT_NE(one, render({"--front", path("one.bmp"), "--angle-x", "30", "--angle-y", "330"}, "default.png"));

    // Resuming: a new front renders its row alone; a changed project renders every row of it.
    run = RunTavlo({"batch", path("series.csv")});
    EXPECT_TRUE(run.Out.contains("0 rendered, 2 up to date, 0 failed")) << run.Out.toStdString();
    ASSERT_TRUE(Shaded(2).save(path("two.bmp")));
    run = RunTavlo({"batch", path("series.csv")});
    EXPECT_TRUE(run.Out.contains("1 rendered, 1 up to date, 0 failed")) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains("line 3: wrote") && !run.Out.contains("line 2: wrote")) << run.Out.toStdString();
    EXPECT_NE(QImage(path("out/two.png")), two);
    project.Final.Background = Color32(255, 255, 255);
    SaveProject(project, path("look.tavlo"));
    run = RunTavlo({"batch", path("series.csv")});
    EXPECT_TRUE(run.Out.contains("2 rendered, 0 up to date, 0 failed")) << run.Out.toStdString();
    EXPECT_EQ(QImage(path("out/one.png")).pixel(0, 0), qRgb(255, 255, 255));
}
