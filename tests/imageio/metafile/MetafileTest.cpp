// Metafiles built record by record, played into bitmaps and checked at known pixels.
#include "MetaWriter.h"
#include "common/ThrownMessage.h"

#include "imageio/metafile/TMetafile.h"
#include "raster/TBitmap32.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

const QColor Red(255, 0, 0), Green(0, 160, 0), Blue(0, 0, 255), Black(0, 0, 0), White(255, 255, 255), None(Qt::transparent);
constexpr uint32_t NullPen = 0x80000008;

TBitmap32 Render(const QByteArray& file)
{
    TMetafile m;
    m.Load(file);
    TBitmap32 b;
    m.RenderTo(b);
    return b;
}

// Opaque colours as the bitmap holds them; None is the untouched, fully transparent pixel.
TColor32 Argb(QColor c) { return c.alpha() ? Color32(c.red(), c.green(), c.blue()) : 0u; }

struct TAt {
    int X, Y;
    QColor Colour;
};

void ExpectPixels(const TBitmap32& b, std::initializer_list<TAt> expected)
{
    for (const TAt& at : expected)
        EXPECT_EQ(b.Pixel(at.X, at.Y), Argb(at.Colour)) << "at " << at.X << ", " << at.Y << ": " << std::hex << b.Pixel(at.X, at.Y);
}

// Pixels in rect whose colour is darker than mid-grey and not transparent.
int DarkPixels(const TBitmap32& b, QRect rect)
{
    int n = 0;
    rect &= QRect(0, 0, b.Width(), b.Height());
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const TColor32 c = b.Pixel(x, y);
            n += AlphaOf(c) > 128 && RedOf(c) + GreenOf(c) + BlueOf(c) < 3 * 128;
        }
    return n;
}

} // namespace

TEST(Metafile, NaturalSizeFromEachHeaderAndRefusalOfOtherBytes)
{
    TMetafile m;
    EXPECT_TRUE(m.Empty());
    const struct {
        QByteArray File;
        QSize Size;
    } sizes[] = {
        {TWmfWriter(true, QRect(0, 0, 1440, 720), 1440).File(), {96, 48}},
        {TWmfWriter(true, QRect(-500, -250, 1000, 500), 1000).File(), {96, 48}},
        // A plain WMF has no units: its window is taken in pixels ...
        {TWmfWriter(false).Words(0x020B, {0, 0}).Words(0x020C, {100, 200}).File(), {200, 100}},
        // ... and without a window, the area it draws in.
        {TWmfWriter(false).Rectangle(10, 20, 60, 50).File(), {50, 30}},
        // EMF: the frame in hundredths of a millimetre; 2540 is an inch.
        {TEmfWriter(QRect(0, 0, 2540, 5080)).File(), {96, 192}},
    };
    for (const auto& s : sizes) {
        m.Load(s.File);
        EXPECT_EQ(m.Size(), s.Size);
    }
    EXPECT_FALSE(m.Empty());

    QByteArray badSignature = TEmfWriter().File();
    badSignature[40] = 'X';
    for (const QByteArray& bad : {QByteArray(), QByteArray("GIF89a this is no metafile at all"),
                                  QByteArray::fromHex("89504e470d0a1a0a0000000d49484452"),
                                  TWmfWriter(true).File().left(30),               // cut inside the header
                                  TEmfWriter().File().left(60), badSignature,
                                  TWmfWriter(false).File(),                       // no units, nothing drawn
                                  TWmfWriter(true, QRect(0, 0, 0, 100)).File()})
        EXPECT_EQ(ThrownMessage([&] { TMetafile().Load(bad); }), "Metafile is not valid");
    // A failed load keeps the picture that was there.
    EXPECT_THROW(m.Load(QByteArray("nothing")), std::runtime_error);
    EXPECT_EQ(m.Size(), QSize(96, 192));
}

TEST(Metafile, RectangleWithPenAndBrushAndTheTwoAlphaRules)
{
    const QByteArray file = TWmfWriter().Pen(0, 4, Blue).Brush(0, Red).Select(0).Select(1).Rectangle(20, 20, 80, 80).File();
    const TBitmap32 layer = Render(file);
    ASSERT_EQ(layer.Size(), QSize(100, 100));
    // As a layer, what the picture does not paint stays fully transparent.
    ExpectPixels(layer, {{50, 50, Red}, {20, 50, Blue}, {50, 79, Blue}, {24, 50, Red}, {5, 5, None}, {95, 95, None}});

    // Drawn onto a larger target the picture stretches to fit it.
    TMetafile m;
    m.Load(file);
    QImage big(200, 100, QImage::Format_ARGB32);
    big.fill(Qt::transparent);
    QPainter painter(&big);
    m.Draw(painter, QRectF(0, 0, 200, 100));
    painter.end();
    EXPECT_EQ(big.pixel(100, 50), QColor(Red).rgba());
    EXPECT_EQ(qAlpha(big.pixel(30, 50)), 0);
}

TEST(Metafile, PolygonFillModes)
{
    // Two squares traced the same way round: the inner one is wound twice.
    const std::vector<QPoint> twice = {{10, 10}, {90, 10}, {90, 90}, {10, 90}, {10, 10}, {30, 30}, {70, 30}, {70, 70}, {30, 70}, {30, 30}};
    auto draw = [&](int mode) {
        return Render(TWmfWriter().Pen(5, 0, Black).Brush(0, Green).Select(0).Select(1).Words(0x0106, {mode}).Polygon(twice).File());
    };
    ExpectPixels(draw(1), {{20, 50, Green}, {50, 50, None}});                   // alternate
    ExpectPixels(draw(2), {{20, 50, Green}, {50, 50, Green}, {95, 50, None}});  // winding
}

TEST(Metafile, TextAtItsReferencePointWithAlignmentAndBackground)
{
    auto textFile = [](int align, int bkMode) {
        const QByteArray font = U16s({-40, 0, 0, 0, 700}) + QByteArray(8, '\0') + QByteArray("Arial").leftJustified(32, '\0');
        // Black text on a blue background (0x00FF0000), "HHHH" at y = 50, x = 10.
        return Render(TWmfWriter(true, QRect(0, 0, 200, 100)).Raw(0x02FB, font).Select(0).Words(0x0209, {0, 0}).Words(0x0201, {0, 0x00FF})
                          .Words(0x0102, {bkMode}).Words(0x012E, {align}).Raw(0x0521, U16s({4}) + "HHHH" + U16s({50, 10})).File());
    };
    // TA_TOP | TA_LEFT: the text hangs below and right of (10, 50).
    const TBitmap32 top = textFile(0, 1);
    EXPECT_GT(DarkPixels(top, QRect(10, 50, 120, 40)), 200);
    EXPECT_EQ(DarkPixels(top, QRect(0, 0, 200, 48)), 0);
    EXPECT_EQ(DarkPixels(top, QRect(0, 0, 8, 100)), 0);
    // TA_BASELINE | TA_RIGHT: the capitals stand on y = 50 and end at x = 10, so nearly all is cut off.
    const TBitmap32 right = textFile(24 | 2, 1);
    EXPECT_EQ(DarkPixels(right, QRect(12, 0, 188, 100)), 0);
    EXPECT_GT(DarkPixels(right, QRect(0, 20, 10, 30)), 20);
    EXPECT_EQ(DarkPixels(right, QRect(0, 52, 200, 48)), 0);
    // TA_CENTER: ink on both sides of x = 10 ... with the opaque background filling the cell.
    ExpectPixels(textFile(6, 2), {{12, 52, Blue}, {150, 52, None}});
}

TEST(Metafile, EmbeddedBitmapsStretchedOntoTheirRectangle)
{
    const QByteArray dib = Dib24({{Red, Green}, {Blue, White}});
    // STRETCHDIB: 2x2 onto (20, 20) 40x40; DIBSTRETCHBLT, mirrored by a negative width.
    ExpectPixels(Render(TWmfWriter().Raw(0x0F43, U32s({0x00CC0020}) + U16s({0, 2, 2, 0, 0, 40, 40, 20, 20}) + dib).File()),
                 {{25, 25, Red}, {55, 25, Green}, {25, 55, Blue}, {55, 55, White}, {65, 65, None}});
    ExpectPixels(Render(TWmfWriter().Raw(0x0B41, U32s({0x00CC0020}) + U16s({2, 2, 0, 0, 40, -40, 20, 60}) + dib).File()),
                 {{25, 25, Green}, {55, 25, Red}});

    // EMF STRETCHDIBITS with the same bitmap: bounds, dest at, src at, src size, offBmi (from the
    // record's start), its size, offBits, cbBits, DIB_RGB_COLORS, the raster operation, dest size.
    const QByteArray bits = U32s({0, 0, 95, 95, 10, 10, 0, 0, 2, 2, 80, 40, 120, dib.size() - 40, 0, 0x00CC0020, 20, 20});
    ExpectPixels(Render(TEmfWriter().Raw(81, bits + dib).File()),
                 {{12, 12, Red}, {27, 12, Green}, {12, 27, Blue}, {27, 27, White}, {40, 40, None}});

    // An 8-bit bitmap stored without its colour table takes the colours of the selected palette
    // (object 1, version 0x300, two entries).
    const QByteArray palette = U32s({1}) + U16s({0x300, 2}) + U32s({ColorRef(Red), ColorRef(Blue)});
    QByteArray indexed = dib.left(40);
    indexed[14] = 8; // bits per pixel
    indexed += QByteArray::fromHex("01000000" "00010000"); // bottom row: blue red; top: red blue
    QByteArray paletted = bits;
    paletted.replace(4 * 13, 4, U32s({8})); // cbBits
    ExpectPixels(Render(TEmfWriter().Raw(49, palette).Ints(48, {1}).Raw(81, paletted + indexed).File()),
                 {{12, 12, Red}, {27, 12, Blue}, {12, 27, Blue}});
}

TEST(Metafile, WorldTransformAndMappingModes)
{
    auto filled = [](QColor c) { return TEmfWriter().Brush(1, 0, c).Select(1).Select(NullPen); };
    // A quarter turn and a shift: (x, y) -> (60 - y, x + 10).
    ExpectPixels(Render(filled(Red).WorldTransform(0, 1, -1, 0, 60, 10).Rectangle(10, 0, 40, 10).File()),
                 {{55, 35, Red}, {25, 5, None}, {55, 15, None}});
    // MM_ANISOTROPIC: a 1000-unit window on a 50-pixel viewport.
    ExpectPixels(Render(TEmfWriter().Ints(17, {8}).Ints(9, {1000, 1000}).Ints(11, {50, 50}).Brush(1, 0, Blue).Select(1).Select(NullPen)
                            .Rectangle(200, 200, 600, 600).File()),
                 {{20, 20, Blue}, {8, 8, None}, {32, 32, None}});
    // MM_LOMETRIC: tenths of a millimetre, y pointing up: 254 units are an inch (96 pixels).
    ExpectPixels(Render(TEmfWriter().Ints(17, {2}).Brush(1, 0, Green).Select(1).Select(NullPen).Rectangle(127, -127, 254, -254).File()),
                 {{70, 70, Green}, {30, 70, None}});
    // A WMF window with a negative height turns the picture upside down.
    ExpectPixels(Render(TWmfWriter().Words(0x020B, {100, 0}).Words(0x020C, {-100, 100}).Brush(0, Red).Select(0).Rectangle(0, 80, 20, 100).File()),
                 {{10, 10, Red}, {10, 90, None}});
}

TEST(Metafile, StateStackAndObjectTableChecks)
{
    TWmfWriter w;
    w.Brush(0, Red).Brush(0, Green).Select(0).Words(0x001E, {}).Select(1).Words(0x0127, {-1});
    w.Words(0x012D, {999}); // no such object: ignored
    w.Words(0x01F0, {777}); // no such object to delete
    w.Words(0x0127, {-5});  // nothing saved that deep: ignored
    w.Rectangle(10, 10, 40, 40);
    // Far deeper nesting than is kept, fully unwound again.
    for (int i = 0; i < 3000; ++i)
        w.Words(0x001E, {});
    w.Select(1);
    for (int i = 0; i < 3000; ++i)
        w.Words(0x0127, {-1});
    w.Rectangle(50, 50, 90, 90);
    ExpectPixels(Render(w.File()), {{25, 25, Red}, {65, 70, Red}});
    // A deleted object leaves its slot free for the next one.
    ExpectPixels(Render(TWmfWriter().Brush(0, Red).Brush(0, Green).Words(0x01F0, {0}).Brush(0, Blue).Select(0).Rectangle(10, 10, 40, 40).File()),
                 {{25, 25, Blue}});
}

TEST(Metafile, DamagedRecordStopsPlaybackKeepingWhatWasDrawn)
{
    auto base = [] { return TWmfWriter().Brush(0, Red).Select(0).Rectangle(10, 10, 40, 40); };
    // A size running past the end of the file, a size below the record header, and a polygon of
    // 500 points promised with 1 given.
    for (const QByteArray& file : {base().Bytes(U32s({100000}) + U16s({0x041B})).Rectangle(50, 50, 90, 90).File(),
                                   base().Bytes(U32s({1}) + U16s({0x041B})).Rectangle(50, 50, 90, 90).File(),
                                   base().Raw(0x0324, U16s({500, 1, 1})).Rectangle(50, 50, 90, 90).File()})
        ExpectPixels(Render(file), {{25, 25, Red}, {70, 70, None}});

    // The same for EMF: a record with a size that is not a multiple of four.
    QByteArray emf = TEmfWriter().Brush(1, 0, Red).Select(1).Rectangle(10, 10, 40, 40).Raw(43, QByteArray(16, '\0')).Rectangle(50, 50, 90, 90).File();
    emf[108 + 24 + 12 + 24 + 4] = 23;
    ExpectPixels(Render(emf), {{25, 25, Red}, {70, 70, None}});
}

TEST(Metafile, ExtremeCoordinatesAndCountsFinishQuickly)
{
    // Rectangles and a dashed polyline at the ends of the 32-bit range, a huge world scale and
    // counts that promise far more points than the record holds.
    const TBitmap32 b = Render(TEmfWriter().Pen(1, 1, 3, Black).Select(1).Rectangle(-2147483647, -2147483647, 2147483647, 2147483647)
                                   .Ints(4, {0, 0, 0, 0, 3, -2147483647LL, -2147483647LL, 2147483647LL, 2147483647LL, 5, 5})
                                   .WorldTransform(1e30f, 0, 0, 1e30f, 0, 0).Rectangle(0, 0, 10, 10).Ints(3, {0, 0, 0, 0, 0x7FFFFFFF, 1, 1})
                                   .Brush(2, 0, Red).Select(2).Rectangle(10, 10, 20, 20).File());
    // The whole picture is inside the first rectangle: filled with the default white brush
    // (the dashed line crosses it on the diagonal).
    EXPECT_EQ(b.Pixel(60, 20), Argb(White));
    // The lying POLYGON record stopped playback before the red rectangle.
    EXPECT_NE(b.Pixel(15, 15), Argb(Red));
}

TEST(Metafile, EmfPathsPiesTextAndTransparentBitmaps)
{
    QByteArray font = U32s({3, -30, 0, 0, 0, 400}) + QByteArray(8, '\0'); // EXTCREATEFONTINDIRECTW, index 3
    for (QChar c : QStringLiteral("Arial").leftJustified(32, QChar(0)))
        PutU16(font, c.unicode());
    // EXTTEXTOUTW "HH" at (10, 60), 30 apart.
    const QByteArray text = U32s({0, 0, 0, 0, 1, 0, 0, 10, 60, 2, 60, 0x100, 64}) + U16s({'H', 'H'}) + U32s({30, 30});
    // TRANSPARENTBLT: white left out.
    const QByteArray dib = Dib24({{Red, White}});
    QByteArray keyed = U32s({0, 0, 0, 0, 60, 60, 20, 20, ColorRef(White), 0, 0});
    for (float f : {1.f, 0.f, 0.f, 1.f, 0.f, 0.f})
        PutF32(keyed, f);
    keyed += U32s({0, 0, 108, 40, 148, dib.size() - 40, 2, 1}) + dib;

    // A path (BEGINPATH, MOVETOEX, two LINETOs, CLOSEFIGURE, ENDPATH, FILLPATH), a PIE over the upper
    // right quarter, the text over a transparent background and the keyed bitmap.
    const TBitmap32 b = Render(TEmfWriter().Brush(1, 0, Blue).Select(1).Select(NullPen)
                                   .Ints(59, {}).Ints(27, {10, 10}).Ints(54, {50, 10}).Ints(54, {50, 50}).Ints(61, {}).Ints(60, {}).Ints(62, {0, 0, 0, 0})
                                   .Brush(2, 0, Green).Select(2).Ints(47, {50, 0, 96, 46, 96, 23, 73, 0})
                                   .Raw(82, font).Select(3).Ints(18, {1}).Raw(84, text).Raw(116, keyed).File());
    // The keyed bitmap: its red half drawn, its white half left out.
    ExpectPixels(b, {{45, 15, Blue}, {15, 45, None}, {85, 12, Green}, {60, 35, None}, {65, 70, Red}, {75, 70, None}});
    // Each H stands on the baseline at y = 60 (TA_TOP is 0: the cell hangs below the point)...
    EXPECT_GT(DarkPixels(b, QRect(10, 60, 20, 25)), 30);
    EXPECT_GT(DarkPixels(b, QRect(40, 60, 20, 25)), 30);
    // ... and the advances put the second one 30 pixels on, leaving a gap between them.
    EXPECT_EQ(DarkPixels(b, QRect(32, 60, 6, 25)), 0);
}

TEST(Metafile, ClippingRectanglesAreSavedAndRestoredWithTheState)
{
    TWmfWriter w;
    w.Brush(0, Red).Brush(0, Green).Pen(5, 0, Black).Select(2).Select(0);
    w.Words(0x001E, {});               // SAVEDC
    w.Words(0x0416, {60, 60, 20, 20}); // INTERSECTCLIPRECT (20, 20, 60, 60)
    w.Words(0x0415, {40, 40, 30, 30}); // EXCLUDECLIPRECT (30, 30, 40, 40)
    // Many small holes along the bottom edge: clip regions stay cheap to combine.
    for (int i = 0; i < 2000; ++i)
        w.Words(0x0415, {59, 21 + i % 38, 58, 20 + i % 38});
    w.Rectangle(0, 0, 100, 100);
    w.Words(0x0127, {-1}); // RESTOREDC: no clip again
    w.Select(1).Rectangle(80, 80, 100, 100);
    ExpectPixels(Render(w.File()),
                 {{25, 25, Red}, {35, 35, None}, {65, 25, None}, {10, 10, None}, {45, 58, None}, {45, 57, Red}, {90, 90, Green}});
}

TEST(Metafile, EmfRegionsFillAndClip)
{
    auto region = [](std::initializer_list<QRect> rects) {
        QByteArray r = U32s({32, 1, int64_t(rects.size()), int64_t(rects.size() * 16), 0, 0, 0, 0});
        for (const QRect& rect : rects)
            r += U32s({rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()});
        return r;
    };
    const QByteArray twoBoxes = region({QRect(10, 10, 20, 20), QRect(50, 10, 20, 20)});
    const QByteArray lower = region({QRect(0, 50, 96, 20)});
    // FILLRGN with brush 1, then EXTSELECTCLIPRGN (RGN_COPY).
    const TBitmap32 b = Render(TEmfWriter().Brush(1, 0, Red).Brush(2, 0, Green).Select(2).Select(NullPen)
                                   .Raw(71, U32s({0, 0, 0, 0, twoBoxes.size(), 1}) + twoBoxes).Raw(75, U32s({lower.size(), 5}) + lower)
                                   .Rectangle(0, 0, 96, 96).File());
    // The selected brush is back after FILLRGN; the rectangle shows only inside the clip region.
    ExpectPixels(b, {{20, 20, Red}, {60, 20, Red}, {40, 20, None}, {40, 60, Green}, {40, 40, None}, {40, 80, None}});
}

TEST(Metafile, PolyDrawMovesDrawsAndClosesByPointType)
{
    // POLYDRAW16: a closed triangle, then a line.
    QByteArray draw = U32s({0, 0, 0, 0, 5}) + U16s({10, 10, 40, 10, 40, 40, 60, 80, 90, 80});
    for (char t : {6, 2, 3, 6, 2})
        draw.append(t);
    // Both sides and the closing diagonal, a stroke and not a fill, the separate line, nothing
    // joining the two figures.
    ExpectPixels(Render(TEmfWriter().Pen(1, 0, 1, Red).Select(1).Raw(92, draw).File()),
                 {{25, 10, Red}, {40, 25, Red}, {25, 25, Red}, {30, 20, None}, {75, 80, Red}, {50, 60, None}});
}

TEST(Metafile, HatchedBrushesOverOpaqueOrTransparentBackground)
{
    auto hatched = [](int bkMode) {
        // HS_HORIZONTAL over a white background.
        return Render(TWmfWriter().Pen(5, 0, Black).Brush(2, Red, 0).Select(0).Select(1).Words(0x0201, {0xFFFF, 0x00FF}).Words(0x0102, {bkMode})
                          .Rectangle(10, 10, 90, 90).File());
    };
    auto count = [](const TBitmap32& b, QColor c) {
        int n = 0;
        for (int y = 20; y < 80; ++y)
            n += b.Pixel(50, y) == Argb(c);
        return n;
    };
    const TBitmap32 opaque = hatched(2), transparent = hatched(1);
    // Down one column: some red lines, the rest background.
    EXPECT_GT(count(opaque, Red), 3);
    EXPECT_EQ(count(opaque, Red) + count(opaque, White), 60);
    EXPECT_EQ(count(transparent, Red), count(opaque, Red));
    EXPECT_EQ(count(transparent, Red) + count(transparent, None), 60);
    // Horizontal lines: a row through a line is red all along.
    int lineRow = 20;
    while (lineRow < 80 && opaque.Pixel(50, lineRow) != Argb(Red))
        ++lineRow;
    ExpectPixels(opaque, {{20, lineRow, Red}, {80, lineRow, Red}});
}
