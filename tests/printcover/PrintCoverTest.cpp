// The print cover library: trims, lengths and paper as users write them, and synthetic wrap
// covers (JPEG with and without a declared resolution, PDF) cut into faces of exact sizes and
// contents; a cover of the wrong size is refused naming both sizes.
#include "WrapCoverPainter.h"

#include "imageio/ImageWriter.h"
#include "printcover/CoverBookType.h"
#include "printcover/CoverSplit.h"

#include <QImage>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TCoverMeasures SixByNine(int pages, TPaper paper) { return {ParseTrim(QStringLiteral("6x9")), SpineWidth(pages, paper), 0.125}; }

int Distance(TColor32 pixel, const QColor& colour)
{
    return std::max({std::abs(RedOf(pixel) - colour.red()), std::abs(GreenOf(pixel) - colour.green()),
                     std::abs(BlueOf(pixel) - colour.blue())});
}

// Each face's size, its colour at the corners (no bleed and no neighbour left on it) and its mark
// where it was painted, at dpi.
void ExpectFaces(const TCoverFaces& faces, const TCoverMeasures& measures, double dpi, int tolerance)
{
    for (TCoverFace f : {TCoverFace::Front, TCoverFace::Spine, TCoverFace::Back}) {
        const TBitmap32& face = const_cast<TCoverFaces&>(faces).Face(f);
        SCOPED_TRACE(testing::Message() << "face " << int(f));
        ASSERT_EQ(face.Size(), FacePixels(measures, f, dpi));
        const int w = face.Width(), h = face.Height(), in = 3; // a few pixels in: resampled edges blend
        for (QPoint p : {QPoint(in, in), QPoint(w - 1 - in, in), QPoint(in, h - 1 - in), QPoint(w - 1 - in, h - 1 - in)})
            EXPECT_LE(Distance(face.Pixel(p.x(), p.y()), FaceColour(f)), tolerance) << "at " << p.x() << "," << p.y();
        const double side = std::min(0.5 * dpi, w / 3.0);
        const QPoint mark(int(std::min(0.5 * dpi, side) + side / 2), int(0.5 * dpi + side / 2));
        EXPECT_LE(Distance(face.Pixel(mark.x(), mark.y()), Qt::black), tolerance);
        EXPECT_LE(Distance(face.Pixel(mark.x(), int(0.5 * dpi - 4)), FaceColour(f)), tolerance);
    }
}

QImage WrapImage(const TCoverMeasures& measures, double dpi)
{
    const QSizeF wrap = measures.WrapInches() * dpi;
    QImage image(qRound(wrap.width()), qRound(wrap.height()), QImage::Format_RGB32);
    QPainter painter(&image);
    PaintWrapCover(painter, measures, dpi);
    return image;
}

void WritePdf(const QString& path, const TCoverMeasures& measures)
{
    QPdfWriter pdf(path);
    pdf.setResolution(300);
    pdf.setPageSize(QPageSize(measures.WrapInches(), QPageSize::Inch));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&pdf);
    PaintWrapCover(painter, measures, 300);
}

} // namespace

TEST(PrintMeasures, TrimsLengthsPaperAndTheBookType)
{
    struct {
        const char* text;
        double w, h;
    } trims[] = {{"6x9", 6, 9},           {"5.5 x 8.5 in", 5.5, 8.5}, {"8.5X11IN", 8.5, 11},
                 {"148x210mm", 148 / 25.4, 210 / 25.4}, {"a5", 148 / 25.4, 210 / 25.4}, {" B5 ", 176 / 25.4, 250 / 25.4}};
    for (const auto& t : trims) {
        const TTrimSize trim = ParseTrim(QString::fromLatin1(t.text));
        EXPECT_NEAR(trim.Width, t.w, 1e-9) << t.text;
        EXPECT_NEAR(trim.Height, t.h, 1e-9) << t.text;
    }
    for (const char* bad : {"", "6", "6x", "x9", "6x9cm", "A4", "0x9", "-6x9"})
        EXPECT_THROW(ParseTrim(QString::fromLatin1(bad)), TPrintMeasureError) << bad;
    EXPECT_EQ(CommonTrims().size(), 7u);
    EXPECT_EQ(ParseTrim(QStringLiteral("7x10")).Name, QStringLiteral("7 x 10 in"));

    EXPECT_DOUBLE_EQ(ParseLength(QStringLiteral("0.125"), "bleed"), 0.125);
    EXPECT_DOUBLE_EQ(ParseLength(QStringLiteral("3.175mm"), "bleed"), 0.125);
    EXPECT_DOUBLE_EQ(ParseLength(QStringLiteral(" .5 IN "), "spine"), 0.5);
    for (const char* bad : {"", "-1in", "1 cm", "in", "1.2.3"})
        EXPECT_THROW(ParseLength(QString::fromLatin1(bad), "bleed"), TPrintMeasureError) << bad;

    EXPECT_DOUBLE_EQ(SpineWidth(200, TPaper::White), 0.4504);
    EXPECT_DOUBLE_EQ(SpineWidth(200, TPaper::Cream), 0.5);
    EXPECT_DOUBLE_EQ(SpineWidth(200, *PaperFromName(QStringLiteral("Color"))), 0.4694);
    EXPECT_FALSE(PaperFromName(QStringLiteral("glossy")));
    EXPECT_THROW(SpineWidth(0, TPaper::White), TPrintMeasureError);

    // 12.813 x 9.25 in for a 6 x 9 in book of 300 cream pages.
    const QSizeF wrap = SixByNine(300, TPaper::Cream).WrapInches();
    EXPECT_DOUBLE_EQ(wrap.width(), 12 + 0.75 + 0.25);
    EXPECT_DOUBLE_EQ(wrap.height(), 9.25);

    // The Thin Book's fixed 30-pixel side is 0.1 in at 300 dpi: 45 white pages (30.4 pixels)
    // fit, 46 (31.1) do not.
    EXPECT_EQ(BookTypeForSpine(SixByNine(45, TPaper::White), 300), btThinBook);
    EXPECT_EQ(BookTypeForSpine(SixByNine(46, TPaper::White), 300), btBookCover);
    EXPECT_EQ(BookTypeForSpine(SixByNine(46, TPaper::White), 150), btThinBook);
}

TEST(PrintCover, PicturesWithAndWithoutDeclaredDpiSplitIntoExactFaces)
{
    QTemporaryDir dir;
    const TCoverMeasures measures = SixByNine(120, TPaper::White);
    // Declared 300 dpi through Qt's JFIF header; the faces asked at 200 dpi are resampled.
    QImage declared = WrapImage(measures, 300);
    declared.setDotsPerMeterX(11811);
    declared.setDotsPerMeterY(11811);
    const QString declaredPath = dir.filePath("declared.jpg");
    ASSERT_TRUE(declared.save(declaredPath, "JPG", 95));
    TCoverPicture cover = ReadCheckedCover(declaredPath, measures, 200);
    EXPECT_EQ(cover.Source, TCoverPicture::Declared);
    EXPECT_DOUBLE_EQ(cover.Dpi, 300);
    ExpectFaces(SplitCover(cover, measures, 200), measures, 200, 24);
    ExpectFaces(SplitCover(cover, measures, 300), measures, 300, 24);
    // A PNG declares it in its pHYs chunk, per metre.
    const QString pngPath = dir.filePath("declared.png");
    ASSERT_TRUE(declared.save(pngPath, "PNG"));
    cover = ReadCheckedCover(pngPath, measures, 300);
    EXPECT_EQ(cover.Source, TCoverPicture::Declared);
    EXPECT_NEAR(cover.Dpi, 300, 0.01);
    ExpectFaces(SplitCover(cover, measures, 300), measures, 300, 2);

    // Our own JPEG writer declares no resolution: the height (1388 pixels for 9.25 in) says it
    // is 150 dpi.
    TBitmap32 plain;
    plain.Assign(WrapImage(measures, 150));
    const QString plainPath = dir.filePath("plain.jpg");
    WriteImageFile(plain, plainPath);
    cover = ReadCheckedCover(plainPath, measures, 150);
    EXPECT_EQ(cover.Source, TCoverPicture::FromHeight);
    EXPECT_NEAR(cover.Dpi, 150, 0.1);
    ExpectFaces(SplitCover(cover, measures, 150), measures, 150, 24);
}

TEST(PrintCover, PdfFirstPageIsDrawnAtTheDpiAskedAndSplit)
{
    QTemporaryDir dir;
    const TCoverMeasures measures{ParseTrim(QStringLiteral("A5")), SpineWidth(300, TPaper::Cream), 0.125};
    const QString path = dir.filePath("cover.pdf");
    WritePdf(path, measures);
    ASSERT_TRUE(IsPdfFile(path));
    for (double dpi : {300.0, 96.0}) {
        const TCoverPicture cover = ReadCheckedCover(path, measures, dpi);
        EXPECT_EQ(cover.Source, TCoverPicture::Rendered);
        EXPECT_NEAR(cover.Pixels.Width(), measures.WrapInches().width() * dpi, 1);
        ExpectFaces(SplitCover(cover, measures, dpi), measures, dpi, 8);
    }
    // Written faces read back as they were cut.
    const TCoverFaces faces = SplitCover(ReadCheckedCover(path, measures, 100), measures, 100);
    WriteCoverFaces(faces, dir.filePath("faces/a"));
    QImage front(dir.filePath("faces/a/front.png"));
    ASSERT_FALSE(front.isNull());
    TBitmap32 read;
    read.Assign(front.convertToFormat(QImage::Format_ARGB32));
    EXPECT_TRUE(read.SamePixels(faces.Front));
}

TEST(PrintCover, AWrongSizeIsRefusedNamingBothSizes)
{
    QTemporaryDir dir;
    const TCoverMeasures made = SixByNine(100, TPaper::White), asked = SixByNine(300, TPaper::White);
    QImage image = WrapImage(made, 300);
    image.setDotsPerMeterX(11811);
    image.setDotsPerMeterY(11811);
    const QString jpeg = dir.filePath("cover.jpg"), pdf = dir.filePath("cover.pdf");
    ASSERT_TRUE(image.save(jpeg, "JPG"));
    WritePdf(pdf, made);
    for (const QString& path : {jpeg, pdf}) {
        try {
            ReadCheckedCover(path, asked, 300);
            ADD_FAILURE() << "a cover 0.45 in too narrow was taken: " << path.toStdString();
        } catch (const TCoverSizeError& e) {
            const QString message = QString::fromUtf8(e.what());
            EXPECT_TRUE(message.contains("the cover is 12.47")) << e.what(); // 12.475 as a PDF, 12.477 in pixels
            EXPECT_TRUE(message.contains(" x 9.25 in (")) << e.what();
            EXPECT_TRUE(message.contains("needs 12.926 x 9.25 in")) << e.what();
        }
    }
    // The 1 % edge: 167 pages make the wrap 1.2 % wider than the picture, 150 pages 0.9 %.
    EXPECT_THROW(ReadCheckedCover(jpeg, SixByNine(167, TPaper::White), 300), TCoverSizeError);
    EXPECT_NO_THROW(ReadCheckedCover(jpeg, SixByNine(150, TPaper::White), 300));
    // Within 1 %: a 9.3 in high picture (0.54 % over) is taken and cut where its proportions say.
    TCoverMeasures taller = made;
    taller.Trim.Height = 9.05;
    QImage near = WrapImage(taller, 300);
    near.setDotsPerMeterX(11811);
    near.setDotsPerMeterY(11811);
    ASSERT_TRUE(near.save(jpeg, "JPG", 95));
    ExpectFaces(SplitCover(ReadCheckedCover(jpeg, made, 300), made, 300), made, 300, 24);
}

TEST(PrintCover, MissingOrDamagedFilesSayWhatIsWrong)
{
    QTemporaryDir dir;
    const TCoverMeasures measures = SixByNine(100, TPaper::White);
    const auto message = [&](const QString& path) {
        try {
            ReadCheckedCover(path, measures, 300);
        } catch (const std::exception& e) {
            return QString::fromUtf8(e.what());
        }
        return QString();
    };
    EXPECT_EQ(message(dir.filePath("gone.pdf")), "Cannot read \"gone.pdf\": there is no such file");
    QFile fake(dir.filePath("fake.pdf"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("not a PDF at all");
    fake.close();
    EXPECT_EQ(message(fake.fileName()), "Cannot read \"fake.pdf\": it is no PDF Poppler can open");
}
