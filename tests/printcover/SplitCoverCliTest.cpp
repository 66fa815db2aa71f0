// `tavlo split-cover` end to end: a JPEG wrap cut into three PNG faces; a wrong page count refused
// with exit status 1, both sizes printed and nothing written. `tavlo render --print-cover` draws
// the book the split faces make.
#include "WrapCoverPainter.h"

#include <QDir>
#include <QImage>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef TAVLO_CLI
namespace {

struct TRun {
    int Code = -1;
    QString Out, Err;
};

TRun RunTavlo(const QStringList& args)
{
    QProcess tavlo;
    tavlo.start(QStringLiteral(TAVLO_CLI), args);
    TRun run;
    if (!tavlo.waitForFinished(30000)) {
        tavlo.kill();
        tavlo.waitForFinished(5000);
        ADD_FAILURE() << "tavlo " << args.join(' ').toStdString() << " did not finish within 30 s";
        return run;
    }
    run.Code = tavlo.exitStatus() == QProcess::NormalExit ? tavlo.exitCode() : -1;
    run.Out = QString::fromUtf8(tavlo.readAllStandardOutput());
    run.Err = QString::fromUtf8(tavlo.readAllStandardError());
    return run;
}

} // namespace

TEST(SplitCoverCli, CutsAJpegIntoThreeFacesOrRefusesAWrongSize)
{
    QTemporaryDir dir;
    // 5.5 x 8.5 in, 200 colour pages: spine 0.4694 in, at 300 dpi 1650 + 141 + 1650 pixels wide.
    const TCoverMeasures measures{ParseTrim(QStringLiteral("5.5x8.5")), SpineWidth(200, TPaper::Colour), 0.125};
    const QSizeF wrap = measures.WrapInches() * 300;
    QImage image(qRound(wrap.width()), qRound(wrap.height()), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        PaintWrapCover(painter, measures, 300);
    }
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    const QString cover = dir.filePath("wrap.jpg");
    ASSERT_TRUE(image.save(cover, "JPG", 95));

    const TRun run = RunTavlo({"split-cover", cover, "--trim", "5.5x8.5in", "--pages", "200", "--paper", "colour",
                               "-o", dir.filePath("faces")});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    const struct {
        const char* file;
        QSize size;
        QColor colour;
    } expected[] = {{"front.png", {1650, 2550}, FrontColour}, {"spine.png", {141, 2550}, SpineColour},
                    {"back.png", {1650, 2550}, BackColour}};
    for (const auto& e : expected) {
        const QImage face(dir.filePath(QStringLiteral("faces/") + QLatin1String(e.file)));
        ASSERT_EQ(face.size(), e.size) << e.file;
        EXPECT_TRUE(run.Out.contains(QStringLiteral("%1 (%2 x %3)").arg(e.file).arg(e.size.width()).arg(e.size.height())))
            << run.Out.toStdString();
        for (QPoint p : {QPoint(2, 2), QPoint(e.size.width() - 3, e.size.height() - 3)}) {
            const QColor c = face.pixelColor(p);
            EXPECT_LE(std::abs(c.red() - e.colour.red()) + std::abs(c.green() - e.colour.green())
                          + std::abs(c.blue() - e.colour.blue()), 40)
                << e.file << " at " << p.x() << "," << p.y();
        }
    }

    // 300 pages make a spine 0.235 in wider than the picture has (2 % of the width).
    const TRun wrong = RunTavlo({"split-cover", cover, "--trim", "5.5x8.5", "--pages", "300", "--paper", "colour",
                                 "-o", dir.filePath("wrong")});
    EXPECT_EQ(wrong.Code, 1);
    EXPECT_TRUE(wrong.Err.contains("the cover is 11.72 x 8.75 in (3516 x 2625 pixels at 300 dpi from the file)"))
        << wrong.Err.toStdString();
    EXPECT_TRUE(wrong.Err.contains("needs 11.954 x 8.75 in")) << wrong.Err.toStdString();
    EXPECT_FALSE(QDir(dir.filePath("wrong")).exists());

    const TRun usage = RunTavlo({"split-cover", cover, "--trim", "6x9", "-o", dir.filePath("x")});
    EXPECT_EQ(usage.Code, 2);
    EXPECT_TRUE(usage.Err.contains("--pages and --paper (or --spine) are missing")) << usage.Err.toStdString();
}
#endif

#ifdef TAVLO_CLI
TEST(SplitCoverCli, RenderTakesThePrintCoverAsTheSplitFacesWouldBe)
{
    QTemporaryDir dir;
    // 6 x 9 in, 60 white pages: a 0.135 in spine, 41 pixels at 300 dpi, a Book Cover.
    const TCoverMeasures measures{ParseTrim(QStringLiteral("6x9")), SpineWidth(60, TPaper::White), 0.125};
    const QString cover = dir.filePath("wrap.pdf");
    {
        QPdfWriter pdf(cover);
        pdf.setResolution(300);
        pdf.setPageSize(QPageSize(measures.WrapInches(), QPageSize::Inch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&pdf);
        PaintWrapCover(painter, measures, 300);
    }
    const QStringList book{"--trim", "6x9", "--pages", "60", "--paper", "white", "--size", "240x180"};
    const TRun split = RunTavlo(QStringList{"split-cover", cover, "-o", dir.filePath("faces")} + book.mid(0, 6));
    ASSERT_EQ(split.Code, 0) << split.Err.toStdString();
    const TRun direct = RunTavlo(QStringList{"render", "--print-cover", cover, "-o", dir.filePath("direct.png")} + book);
    ASSERT_EQ(direct.Code, 0) << direct.Err.toStdString();
    const TRun faces = RunTavlo({"render", "--front", dir.filePath("faces/front.png"), "--side", dir.filePath("faces/spine.png"),
                                 "--back", dir.filePath("faces/back.png"), "--type", "Book Cover", "--size", "240x180",
                                 "-o", dir.filePath("faces.png")});
    ASSERT_EQ(faces.Code, 0) << faces.Err.toStdString();
    const QImage a(dir.filePath("direct.png")), b(dir.filePath("faces.png"));
    ASSERT_FALSE(a.isNull());
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(a.width(), 240);
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            worst = std::max({worst, std::abs(p.red() - q.red()), std::abs(p.green() - q.green()), std::abs(p.blue() - q.blue())});
        }
    EXPECT_LE(worst, 2);
    // The front's blue is on the picture (it is the book, not an empty view).
    int blue = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            blue += a.pixelColor(x, y).blue() > 150 && a.pixelColor(x, y).red() < 60;
    EXPECT_GT(blue, a.width() * a.height() / 10);

    const TRun both = RunTavlo({"render", "--print-cover", cover, "--front", cover, "-o", dir.filePath("x.png")});
    EXPECT_EQ(both.Code, 2);
    EXPECT_TRUE(both.Err.contains("Give either --project, --template, --print-cover or the face pictures")) << both.Err.toStdString();
}
#endif
