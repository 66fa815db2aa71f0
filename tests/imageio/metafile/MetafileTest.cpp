// Metafiles built record by record, played into bitmaps and checked at known pixels.
#include "MetaWriter.h"

#include "imageio/metafile/TMetafile.h"
#include "raster/TBitmap32.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

const QColor Red(255, 0, 0), Green(0, 160, 0), Blue(0, 0, 255), Black(0, 0, 0), White(255, 255, 255);

TBitmap32 Render(const QByteArray& file)
{
    TMetafile m;
    m.Load(file);
    TBitmap32 b;
    m.RenderTo(b);
    return b;
}

TColor32 Argb(QColor c) { return Color32(c.red(), c.green(), c.blue()); }

std::string LoadError(const QByteArray& bytes)
{
    try {
        TMetafile m;
        m.Load(bytes);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
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
    m.Load(TWmfWriter(true, QRect(0, 0, 1440, 720), 1440).File());
    EXPECT_EQ(m.Size(), QSize(96, 48));
    m.Load(TWmfWriter(true, QRect(-500, -250, 1000, 500), 1000).File());
    EXPECT_EQ(m.Size(), QSize(96, 48));

    // A plain WMF has no units: its window is taken in pixels.
    m.Load(TWmfWriter(false).Words(0x020B, {0, 0}).Words(0x020C, {100, 200}).File());
    EXPECT_EQ(m.Size(), QSize(200, 100));
    // ... and without a window, the area it draws in.
    m.Load(TWmfWriter(false).Rectangle(10, 20, 60, 50).File());
    EXPECT_EQ(m.Size(), QSize(50, 30));

    // EMF: the frame in hundredths of a millimetre; 2540 is an inch.
    m.Load(TEmfWriter(QRect(0, 0, 2540, 5080)).File());
    EXPECT_EQ(m.Size(), QSize(96, 192));
    EXPECT_FALSE(m.Empty());

    const std::string invalid = "Metafile is not valid";
    EXPECT_EQ(LoadError(QByteArray()), invalid);
    EXPECT_EQ(LoadError("GIF89a this is no metafile at all"), invalid);
    EXPECT_EQ(LoadError(QByteArray::fromHex("89504e470d0a1a0a0000000d49484452")), invalid);
    EXPECT_EQ(LoadError(TWmfWriter(true).File().left(30)), invalid);          // cut inside the header
    QByteArray emf = TEmfWriter(QRect(0, 0, 2540, 2540)).File();
    EXPECT_EQ(LoadError(emf.left(60)), invalid);
    emf[40] = 'X';                                                             // signature
    EXPECT_EQ(LoadError(emf), invalid);
    EXPECT_EQ(LoadError(TWmfWriter(false).File()), invalid);                  // no units, nothing drawn
    EXPECT_EQ(LoadError(TWmfWriter(true, QRect(0, 0, 0, 100)).File()), invalid);
    // A failed load keeps the picture that was there.
    EXPECT_EQ(m.Size(), QSize(96, 192));
}

TEST(Metafile, RectangleWithPenAndBrushAndTheTwoAlphaRules)
{
    const QByteArray file = TWmfWriter()
                                .Pen(0, 4, Blue)
                                .Brush(0, Red)
                                .Select(0)
                                .Select(1)
                                .Rectangle(20, 20, 80, 80)
                                .File();
    TBitmap32 layer = Render(file);
    ASSERT_EQ(layer.Size(), QSize(100, 100));
    EXPECT_EQ(layer.Pixel(50, 50), Argb(Red));
    EXPECT_EQ(layer.Pixel(20, 50), Argb(Blue));
    EXPECT_EQ(layer.Pixel(50, 79), Argb(Blue));
    EXPECT_EQ(layer.Pixel(24, 50), Argb(Red));
    // As a layer, what the picture does not paint stays fully transparent.
    EXPECT_EQ(layer.Pixel(5, 5), 0u);
    EXPECT_EQ(layer.Pixel(95, 95), 0u);

    // As a face image it is drawn over the target and every alpha set: the background is black.
    TBitmap32 face = layer;
    face.ResetAlpha(255);
    EXPECT_EQ(face.Pixel(5, 5), Color32(0, 0, 0));
    EXPECT_EQ(face.Pixel(50, 50), Argb(Red));

    // Drawn onto a larger target the picture stretches to fit it.
    TMetafile m;
    m.Load(file);
    QImage big(200, 100, QImage::Format_ARGB32);
    big.fill(Qt::transparent);
    QPainter painter(&big);
    m.Draw(painter, QRectF(0, 0, 200, 100));
    painter.end();
    EXPECT_EQ(big.pixel(100, 50), QColor(Red).rgba());
    EXPECT_EQ(big.pixel(45, 50), QColor(Red).rgba());
    EXPECT_EQ(qAlpha(big.pixel(30, 50)), 0);
}

TEST(Metafile, PolygonFillModes)
{
    // Two squares traced the same way round: the inner one is wound twice.
    const std::vector<QPoint> twice = {{10, 10}, {90, 10}, {90, 90}, {10, 90}, {10, 10},
                                       {30, 30}, {70, 30}, {70, 70}, {30, 70}, {30, 30}};
    auto draw = [&](int mode) {
        return Render(TWmfWriter()
                          .Pen(5, 0, Black)
                          .Brush(0, Green)
                          .Select(0)
                          .Select(1)
                          .Words(0x0106, {mode})
                          .Polygon(twice)
                          .File());
    };
    const TBitmap32 alternate = draw(1);
    const TBitmap32 winding = draw(2);
    EXPECT_EQ(alternate.Pixel(20, 50), Argb(Green));
    EXPECT_EQ(alternate.Pixel(50, 50), 0u);
    EXPECT_EQ(winding.Pixel(20, 50), Argb(Green));
    EXPECT_EQ(winding.Pixel(50, 50), Argb(Green));
    EXPECT_EQ(winding.Pixel(95, 50), 0u);
}

TEST(Metafile, TextAtItsReferencePointWithAlignmentAndBackground)
{
    auto textFile = [](int align, int bkMode) {
        QByteArray font;
        for (int v : {-40, 0, 0, 0, 700})
            PutU16(font, uint16_t(v));
        font.append(QByteArray(8, '\0'));
        font.append(QByteArray("Arial").leftJustified(32, '\0'));
        QByteArray text;
        PutU16(text, 4);
        text.append("HHHH");
        PutU16(text, 50);  // y
        PutU16(text, 10);  // x
        return TWmfWriter(true, QRect(0, 0, 200, 100))
            .Raw(0x02FB, font)
            .Select(0)
            .Words(0x0209, {0, 0})                     // black text
            .Words(0x0201, {0, 0x00FF})                // background: 0x00FF0000 = blue
            .Words(0x0102, {bkMode})
            .Words(0x012E, {align})
            .Raw(0x0521, text)
            .File();
    };
    // TA_TOP | TA_LEFT: the text hangs below and right of (10, 50).
    const TBitmap32 top = Render(textFile(0, 1));
    EXPECT_GT(DarkPixels(top, QRect(10, 50, 120, 40)), 200);
    EXPECT_EQ(DarkPixels(top, QRect(0, 0, 200, 48)), 0);
    EXPECT_EQ(DarkPixels(top, QRect(0, 0, 8, 100)), 0);
    // TA_BASELINE | TA_RIGHT: the capitals stand on y = 50 and end at x = 10, so nearly all is cut off.
    const TBitmap32 right = Render(textFile(24 | 2, 1));
    EXPECT_EQ(DarkPixels(right, QRect(12, 0, 188, 100)), 0);
    EXPECT_GT(DarkPixels(right, QRect(0, 20, 10, 30)), 20);
    EXPECT_EQ(DarkPixels(right, QRect(0, 52, 200, 48)), 0);
    // TA_CENTER: ink on both sides of x = 10 ... with the opaque background filling the cell.
    const TBitmap32 opaque = Render(textFile(6, 2));
    EXPECT_EQ(opaque.Pixel(12, 52), Argb(Blue)) << std::hex << opaque.Pixel(12, 52);
    EXPECT_EQ(opaque.Pixel(150, 52), 0u);
}

TEST(Metafile, EmbeddedBitmapsStretchedOntoTheirRectangle)
{
    const QByteArray dib = Dib24({{Red, Green}, {Blue, White}});
    QByteArray stretch;                               // STRETCHDIB: 2x2 onto (20, 20) 40x40
    PutU32(stretch, 0x00CC0020);
    for (int v : {0, 2, 2, 0, 0, 40, 40, 20, 20})
        PutU16(stretch, uint16_t(v));
    stretch.append(dib);
    const TBitmap32 wmf = Render(TWmfWriter().Raw(0x0F43, stretch).File());
    EXPECT_EQ(wmf.Pixel(25, 25), Argb(Red));
    EXPECT_EQ(wmf.Pixel(55, 25), Argb(Green));
    EXPECT_EQ(wmf.Pixel(25, 55), Argb(Blue));
    EXPECT_EQ(wmf.Pixel(55, 55), Argb(White));
    EXPECT_EQ(wmf.Pixel(65, 65), 0u);

    QByteArray blt;                                   // DIBSTRETCHBLT, mirrored by a negative width
    PutU32(blt, 0x00CC0020);
    for (int v : {2, 2, 0, 0, 40, -40, 20, 60})
        PutU16(blt, uint16_t(v));
    blt.append(dib);
    const TBitmap32 mirrored = Render(TWmfWriter().Raw(0x0B41, blt).File());
    EXPECT_EQ(mirrored.Pixel(25, 25), Argb(Green));
    EXPECT_EQ(mirrored.Pixel(55, 25), Argb(Red));

    QByteArray bits;                                  // EMF STRETCHDIBITS with the same bitmap
    for (int v : {0, 0, 95, 95, 10, 10, 0, 0, 2, 2})  // bounds, dest at, src at, src size
        PutU32(bits, uint32_t(v));
    PutU32(bits, 80);                                 // offBmi (from the record's start)
    PutU32(bits, 40);
    PutU32(bits, 120);                                // offBits
    PutU32(bits, uint32_t(dib.size() - 40));
    PutU32(bits, 0);                                  // DIB_RGB_COLORS
    PutU32(bits, 0x00CC0020);
    PutU32(bits, 20);
    PutU32(bits, 20);
    bits.append(dib);
    const TBitmap32 emf = Render(TEmfWriter(QRect(0, 0, 2540, 2540)).Raw(81, bits).File());
    EXPECT_EQ(emf.Pixel(12, 12), Argb(Red));
    EXPECT_EQ(emf.Pixel(27, 12), Argb(Green));
    EXPECT_EQ(emf.Pixel(12, 27), Argb(Blue));
    EXPECT_EQ(emf.Pixel(27, 27), Argb(White));
    EXPECT_EQ(emf.Pixel(40, 40), 0u);

    // An 8-bit bitmap stored without its colour table takes the colours of the selected palette.
    QByteArray palette;
    PutU32(palette, 1);      // object index
    PutU16(palette, 0x300);  // version
    PutU16(palette, 2);
    for (QColor c : {Red, Blue})
        PutU32(palette, uint32_t(c.red() | c.green() << 8 | c.blue() << 16)); // red, green, blue, flags
    QByteArray indexed = dib.left(40);
    indexed[14] = 8;         // bits per pixel
    indexed += QByteArray::fromHex("01000000" "00010000"); // bottom row: blue red; top: red blue
    bits.truncate(4 * 18);   // the same STRETCHDIBITS up to its bitmap
    bits.replace(4 * 13, 4, QByteArray::fromHex("08000000")); // cbBits
    bits += indexed;
    const TBitmap32 paletted = Render(TEmfWriter(QRect(0, 0, 2540, 2540)).Raw(49, palette).Ints(48, {1}).Raw(81, bits).File());
    EXPECT_EQ(paletted.Pixel(12, 12), Argb(Red));
    EXPECT_EQ(paletted.Pixel(27, 12), Argb(Blue));
    EXPECT_EQ(paletted.Pixel(12, 27), Argb(Blue));
}

TEST(Metafile, WorldTransformAndMappingModes)
{
    // A quarter turn and a shift: (x, y) -> (60 - y, x + 10).
    const TBitmap32 turned = Render(TEmfWriter(QRect(0, 0, 2540, 2540))
                                        .Brush(1, 0, Red)
                                        .Select(1)
                                        .Select(0x80000008) // NULL_PEN
                                        .WorldTransform(0, 1, -1, 0, 60, 10)
                                        .Rectangle(10, 0, 40, 10)
                                        .File());
    EXPECT_EQ(turned.Pixel(55, 35), Argb(Red));
    EXPECT_EQ(turned.Pixel(25, 5), 0u);
    EXPECT_EQ(turned.Pixel(55, 15), 0u);

    // MM_ANISOTROPIC: a 1000-unit window on a 50-pixel viewport.
    const TBitmap32 scaled = Render(TEmfWriter(QRect(0, 0, 2540, 2540))
                                        .Ints(17, {8})
                                        .Ints(9, {1000, 1000})
                                        .Ints(11, {50, 50})
                                        .Brush(1, 0, Blue)
                                        .Select(1)
                                        .Select(0x80000008)
                                        .Rectangle(200, 200, 600, 600)
                                        .File());
    EXPECT_EQ(scaled.Pixel(20, 20), Argb(Blue));
    EXPECT_EQ(scaled.Pixel(8, 8), 0u);
    EXPECT_EQ(scaled.Pixel(32, 32), 0u);

    // MM_LOMETRIC: tenths of a millimetre, y pointing up: 254 units are an inch (96 pixels).
    const TBitmap32 metric = Render(TEmfWriter(QRect(0, 0, 2540, 2540))
                                        .Ints(17, {2})
                                        .Brush(1, 0, Green)
                                        .Select(1)
                                        .Select(0x80000008)
                                        .Rectangle(127, -127, 254, -254)
                                        .File());
    EXPECT_EQ(metric.Pixel(70, 70), Argb(Green));
    EXPECT_EQ(metric.Pixel(30, 70), 0u);

    // A WMF window with a negative height turns the picture upside down.
    const TBitmap32 flipped = Render(TWmfWriter()
                                         .Words(0x020B, {100, 0})
                                         .Words(0x020C, {-100, 100})
                                         .Brush(0, Red)
                                         .Select(0)
                                         .Rectangle(0, 80, 20, 100)
                                         .File());
    EXPECT_EQ(flipped.Pixel(10, 10), Argb(Red));
    EXPECT_EQ(flipped.Pixel(10, 90), 0u);
}

TEST(Metafile, StateStackAndObjectTableChecks)
{
    TWmfWriter w;
    w.Brush(0, Red).Brush(0, Green).Select(0).Words(0x001E, {}).Select(1).Words(0x0127, {-1});
    w.Words(0x012D, {999});          // no such object: ignored
    w.Words(0x01F0, {777});          // no such object to delete
    w.Words(0x0127, {-5});           // nothing saved that deep: ignored
    w.Rectangle(10, 10, 40, 40);
    // Far deeper nesting than is kept, fully unwound again.
    for (int i = 0; i < 3000; ++i)
        w.Words(0x001E, {});
    w.Select(1);
    for (int i = 0; i < 3000; ++i)
        w.Words(0x0127, {-1});
    w.Rectangle(50, 50, 90, 90);
    const TBitmap32 b = Render(w.File());
    EXPECT_EQ(b.Pixel(25, 25), Argb(Red));
    EXPECT_EQ(b.Pixel(65, 70), Argb(Red));

    // A deleted object leaves its slot free for the next one.
    const TBitmap32 reuse = Render(TWmfWriter()
                                       .Brush(0, Red)
                                       .Brush(0, Green)
                                       .Words(0x01F0, {0})
                                       .Brush(0, Blue)
                                       .Select(0)
                                       .Rectangle(10, 10, 40, 40)
                                       .File());
    EXPECT_EQ(reuse.Pixel(25, 25), Argb(Blue));
}

TEST(Metafile, DamagedRecordStopsPlaybackKeepingWhatWasDrawn)
{
    auto base = [] { return TWmfWriter().Brush(0, Red).Select(0).Rectangle(10, 10, 40, 40); };
    QByteArray overlong;                                   // a size running past the end of the file
    PutU32(overlong, 100000);
    PutU16(overlong, 0x041B);
    QByteArray tiny;                                       // a size below the record header
    PutU32(tiny, 1);
    PutU16(tiny, 0x041B);
    QByteArray shortPolygon;                               // 500 points promised, 1 given
    PutU16(shortPolygon, 500);
    PutU16(shortPolygon, 1);
    PutU16(shortPolygon, 1);

    for (const QByteArray& file : {base().Bytes(overlong).Rectangle(50, 50, 90, 90).File(),
                                   base().Bytes(tiny).Rectangle(50, 50, 90, 90).File(),
                                   base().Raw(0x0324, shortPolygon).Rectangle(50, 50, 90, 90).File()}) {
        const TBitmap32 b = Render(file);
        EXPECT_EQ(b.Pixel(25, 25), Argb(Red));
        EXPECT_EQ(b.Pixel(70, 70), 0u);
    }

    // The same for EMF: a record with a size that is not a multiple of four.
    QByteArray emf = TEmfWriter(QRect(0, 0, 2540, 2540))
                         .Brush(1, 0, Red)
                         .Select(1)
                         .Rectangle(10, 10, 40, 40)
                         .Raw(43, QByteArray(16, '\0'))
                         .Rectangle(50, 50, 90, 90)
                         .File();
    const int damaged = 108 + 24 + 12 + 24;
    emf[damaged + 4] = 23;
    const TBitmap32 e = Render(emf);
    EXPECT_EQ(e.Pixel(25, 25), Argb(Red));
    EXPECT_EQ(e.Pixel(70, 70), 0u);
}

TEST(Metafile, ExtremeCoordinatesAndCountsFinishQuickly)
{
    // Rectangles and a dashed polyline at the ends of the 32-bit range, a huge world scale and
    // counts that promise far more points than the record holds.
    QByteArray line;
    for (int64_t v : {0LL, 0LL, 0LL, 0LL, 3LL, -2147483647LL, -2147483647LL, 2147483647LL, 2147483647LL, 5LL, 5LL})
        PutU32(line, uint32_t(v));
    QByteArray lying;
    for (int64_t v : {0LL, 0LL, 0LL, 0LL, 0x7FFFFFFFLL, 1LL, 1LL})
        PutU32(lying, uint32_t(v));
    const QByteArray file = TEmfWriter(QRect(0, 0, 2540, 2540))
                                .Pen(1, 1, 3, Black)
                                .Select(1)
                                .Rectangle(-2147483647, -2147483647, 2147483647, 2147483647)
                                .Raw(4, line)
                                .WorldTransform(1e30f, 0, 0, 1e30f, 0, 0)
                                .Rectangle(0, 0, 10, 10)
                                .Raw(3, lying)
                                .Brush(2, 0, Red)
                                .Select(2)
                                .Rectangle(10, 10, 20, 20)
                                .File();
    const TBitmap32 b = Render(file);
    // The whole picture is inside the first rectangle: filled with the default white brush
    // (the dashed line crosses it on the diagonal).
    EXPECT_EQ(b.Pixel(60, 20), Argb(White));
    // The lying POLYGON record stopped playback before the red rectangle.
    EXPECT_NE(b.Pixel(15, 15), Argb(Red));
}

TEST(Metafile, EmfPathsPiesTextAndTransparentBitmaps)
{
    QByteArray font;                                          // EXTCREATEFONTINDIRECTW, index 3
    for (int v : {3, -30, 0, 0, 0, 400})
        PutU32(font, uint32_t(v));
    font.append(QByteArray(8, '\0'));
    for (QChar c : QStringLiteral("Arial").leftJustified(32, QChar(0)))
        PutU16(font, c.unicode());
    QByteArray text;                                          // EXTTEXTOUTW "HH" at (10, 60), 30 apart
    for (int v : {0, 0, 0, 0, 1, 0, 0, 10, 60, 2, 60, 0x100, 64})
        PutU32(text, uint32_t(v));
    PutU16(text, 'H');
    PutU16(text, 'H');
    PutU32(text, 30);
    PutU32(text, 30);
    QByteArray keyed;                                         // TRANSPARENTBLT: white left out
    const QByteArray dib = Dib24({{Red, White}});
    for (int64_t v : std::initializer_list<int64_t>{0, 0, 0, 0, 60, 60, 20, 20, ColorRef(White), 0, 0})
        PutU32(keyed, uint32_t(v));
    for (float f : {1.f, 0.f, 0.f, 1.f, 0.f, 0.f})
        PutF32(keyed, f);
    for (int64_t v : std::initializer_list<int64_t>{0, 0, 108, 40, 148, dib.size() - 40, 2, 1})
        PutU32(keyed, uint32_t(v));
    keyed.append(dib);

    const TBitmap32 b = Render(TEmfWriter(QRect(0, 0, 2540, 2540))
                                   .Brush(1, 0, Blue)
                                   .Select(1)
                                   .Select(0x80000008)
                                   .Ints(59, {})                          // BEGINPATH
                                   .Ints(27, {10, 10})                    // MOVETOEX
                                   .Ints(54, {50, 10})                    // LINETO
                                   .Ints(54, {50, 50})
                                   .Ints(61, {})                          // CLOSEFIGURE
                                   .Ints(60, {})                          // ENDPATH
                                   .Ints(62, {0, 0, 0, 0})                // FILLPATH
                                   .Brush(2, 0, Green)
                                   .Select(2)
                                   .Ints(47, {50, 0, 96, 46, 96, 23, 73, 0}) // PIE: the upper right quarter
                                   .Raw(82, font)
                                   .Select(3)
                                   .Ints(18, {1})                         // transparent text background
                                   .Raw(84, text)
                                   .Raw(116, keyed)
                                   .File());
    EXPECT_EQ(b.Pixel(45, 15), Argb(Blue));
    EXPECT_EQ(b.Pixel(15, 45), 0u);
    EXPECT_EQ(b.Pixel(85, 12), Argb(Green));
    EXPECT_EQ(b.Pixel(60, 35), 0u);
    // Each H stands on the baseline at y = 60 (TA_TOP is 0: the cell hangs below the point)...
    EXPECT_GT(DarkPixels(b, QRect(10, 60, 20, 25)), 30);
    EXPECT_GT(DarkPixels(b, QRect(40, 60, 20, 25)), 30);
    // ... and the advances put the second one 30 pixels on, leaving a gap between them.
    EXPECT_EQ(DarkPixels(b, QRect(32, 60, 6, 25)), 0);
    // The keyed bitmap: its red half drawn, its white half left out.
    EXPECT_EQ(b.Pixel(65, 70), Argb(Red));
    EXPECT_EQ(b.Pixel(75, 70), 0u);
}

TEST(Metafile, ClippingRectanglesAreSavedAndRestoredWithTheState)
{
    TWmfWriter w;
    w.Brush(0, Red).Brush(0, Green).Pen(5, 0, Black).Select(2).Select(0);
    w.Words(0x001E, {});                                   // SAVEDC
    w.Words(0x0416, {60, 60, 20, 20});                     // INTERSECTCLIPRECT (20, 20, 60, 60)
    w.Words(0x0415, {40, 40, 30, 30});                     // EXCLUDECLIPRECT (30, 30, 40, 40)
    // Many small holes along the bottom edge: clip regions stay cheap to combine.
    for (int i = 0; i < 2000; ++i)
        w.Words(0x0415, {59, 21 + i % 38, 58, 20 + i % 38});
    w.Rectangle(0, 0, 100, 100);
    w.Words(0x0127, {-1});                                 // RESTOREDC: no clip again
    w.Select(1).Rectangle(80, 80, 100, 100);
    const TBitmap32 b = Render(w.File());
    EXPECT_EQ(b.Pixel(25, 25), Argb(Red));
    EXPECT_EQ(b.Pixel(35, 35), 0u);
    EXPECT_EQ(b.Pixel(65, 25), 0u);
    EXPECT_EQ(b.Pixel(10, 10), 0u);
    EXPECT_EQ(b.Pixel(45, 58), 0u);
    EXPECT_EQ(b.Pixel(45, 57), Argb(Red));
    EXPECT_EQ(b.Pixel(90, 90), Argb(Green));
}

TEST(Metafile, EmfRegionsFillAndClip)
{
    auto region = [](std::initializer_list<QRect> rects) {
        QByteArray r;
        for (uint32_t v : {32u, 1u, uint32_t(rects.size()), uint32_t(rects.size() * 16), 0u, 0u, 0u, 0u})
            PutU32(r, v);
        for (const QRect& rect : rects)
            for (int v : {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()})
                PutU32(r, uint32_t(v));
        return r;
    };
    const QByteArray twoBoxes = region({QRect(10, 10, 20, 20), QRect(50, 10, 20, 20)});
    QByteArray fill;                                        // FILLRGN with brush 1
    for (uint32_t v : {0u, 0u, 0u, 0u, uint32_t(twoBoxes.size()), 1u})
        PutU32(fill, v);
    fill.append(twoBoxes);
    const QByteArray lower = region({QRect(0, 50, 96, 20)});
    QByteArray clip;                                        // EXTSELECTCLIPRGN, RGN_COPY
    PutU32(clip, uint32_t(lower.size()));
    PutU32(clip, 5);
    clip.append(lower);

    const TBitmap32 b = Render(TEmfWriter(QRect(0, 0, 2540, 2540))
                                   .Brush(1, 0, Red)
                                   .Brush(2, 0, Green)
                                   .Select(2)
                                   .Select(0x80000008)
                                   .Raw(71, fill)
                                   .Raw(75, clip)
                                   .Rectangle(0, 0, 96, 96)
                                   .File());
    EXPECT_EQ(b.Pixel(20, 20), Argb(Red));
    EXPECT_EQ(b.Pixel(60, 20), Argb(Red));
    EXPECT_EQ(b.Pixel(40, 20), 0u);
    EXPECT_EQ(b.Pixel(40, 60), Argb(Green));  // the selected brush is back after FILLRGN
    EXPECT_EQ(b.Pixel(40, 40), 0u);           // outside the clip region
    EXPECT_EQ(b.Pixel(40, 80), 0u);
}

TEST(Metafile, PolyDrawMovesDrawsAndClosesByPointType)
{
    QByteArray draw;                                         // POLYDRAW16: a closed triangle, then a line
    for (int v : {0, 0, 0, 0, 5})
        PutU32(draw, uint32_t(v));
    for (int v : {10, 10, 40, 10, 40, 40, 60, 80, 90, 80})
        PutU16(draw, uint16_t(v));
    for (char t : {6, 2, 3, 6, 2})
        draw.append(t);
    const TBitmap32 b = Render(TEmfWriter(QRect(0, 0, 2540, 2540)).Pen(1, 0, 1, Red).Select(1).Raw(92, draw).File());
    EXPECT_EQ(b.Pixel(25, 10), Argb(Red));   // first side
    EXPECT_EQ(b.Pixel(40, 25), Argb(Red));   // second side
    EXPECT_EQ(b.Pixel(25, 25), Argb(Red));   // the closing diagonal
    EXPECT_EQ(b.Pixel(30, 20), 0u);          // a stroke, not a fill
    EXPECT_EQ(b.Pixel(75, 80), Argb(Red));   // the separate line
    EXPECT_EQ(b.Pixel(50, 60), 0u);          // nothing joins the two figures
}

TEST(Metafile, HatchedBrushesOverOpaqueOrTransparentBackground)
{
    auto hatched = [](int bkMode) {
        return Render(TWmfWriter()
                          .Pen(5, 0, Black)
                          .Brush(2, Red, 0)                     // HS_HORIZONTAL
                          .Select(0)
                          .Select(1)
                          .Words(0x0201, {0xFFFF, 0x00FF})      // white background
                          .Words(0x0102, {bkMode})
                          .Rectangle(10, 10, 90, 90)
                          .File());
    };
    auto count = [](const TBitmap32& b, TColor32 c) {
        int n = 0;
        for (int y = 20; y < 80; ++y)
            n += b.Pixel(50, y) == c;
        return n;
    };
    const TBitmap32 opaque = hatched(2);
    const TBitmap32 transparent = hatched(1);
    // Down one column: some red lines, the rest background.
    EXPECT_GT(count(opaque, Argb(Red)), 3);
    EXPECT_EQ(count(opaque, Argb(Red)) + count(opaque, Argb(White)), 60);
    EXPECT_EQ(count(transparent, Argb(Red)), count(opaque, Argb(Red)));
    EXPECT_EQ(count(transparent, Argb(Red)) + count(transparent, 0u), 60);
    // Horizontal lines: a row through a line is red all along.
    int lineRow = 20;
    while (lineRow < 80 && opaque.Pixel(50, lineRow) != Argb(Red))
        ++lineRow;
    EXPECT_EQ(opaque.Pixel(20, lineRow), Argb(Red));
    EXPECT_EQ(opaque.Pixel(80, lineRow), Argb(Red));
}
