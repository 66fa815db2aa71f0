// Text output of the metafile device context, and 8-bit string decoding.
#include "imageio/metafile/MetaCanvas.h"
#include "imageio/metafile/MetaText.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

QString DecodeAnsiText(const unsigned char* data, size_t size, int charSet)
{
    // Code page 1252 differs from Latin-1 only in 0x80..0x9F.
    static const char16_t cp1252High[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    const bool western = charSet == 0 || charSet == 1;
    QString text;
    text.reserve(qsizetype(size));
    for (size_t i = 0; i < size && data[i] != 0; ++i) {
        const unsigned char c = data[i];
        text.append(western && c >= 0x80 && c < 0xA0 ? QChar(cp1252High[c - 0x80]) : QChar(c));
    }
    return text;
}

namespace {

constexpr uint32_t ETO_OPAQUE = 2;
constexpr uint32_t ETO_CLIPPED = 4;
constexpr int TA_UPDATECP = 1;
constexpr double MaxTextPixels = 4096;

QFont::Weight WeightOf(int weight)
{
    return QFont::Weight(weight <= 0 ? 400 : std::clamp(weight, 100, 900));
}

} // namespace

void TMetaCanvas::Text(QPointF reference, const QString& text, const std::vector<double>& advances, uint32_t options,
                       const QRectF& box)
{
    if (FPathOpen || FState.Rop2 == 11)
        return;
    const bool updateCp = FState.TextAlign & TA_UPDATECP;
    const QPointF logicalRef = updateCp ? FState.Position : reference;
    if ((options & ETO_OPAQUE) && !box.normalized().isEmpty())
        FillRect(box, FState.BkColor);
    if (text.isEmpty())
        return;

    const QTransform m = LogicalToPainter();
    const QPointF origin = m.map(QPointF(0, 0));
    const double xScale = QLineF(origin, m.map(QPointF(1, 0))).length();
    const double yScale = QLineF(origin, m.map(QPointF(0, 1))).length();
    const TMetaFont& f = FState.Font;

    QFont font(f.Face.isEmpty() ? QStringLiteral("Arial") : f.Face);
    font.setWeight(WeightOf(f.Weight));
    font.setItalic(f.Italic);
    font.setUnderline(f.Underline);
    font.setStrikeOut(f.StrikeOut);
    // A negative height is the character (em) height, a positive one the cell height, which
    // includes the internal leading; zero is the device's default size.
    double em = f.Height == 0 ? 16 : std::abs(double(f.Height)) * yScale;
    if (f.Height > 0) {
        QFont probe = font;
        probe.setPixelSize(256);
        const QFontMetricsF pm(probe);
        if (pm.ascent() + pm.descent() > 0)
            em = em * 256 / (pm.ascent() + pm.descent());
    }
    if (!std::isfinite(em) || em < 0.5)
        return; // too small to show
    font.setPixelSize(int(std::lround(std::min(em, MaxTextPixels))));
    if (f.Width != 0) {
        const double average = QFontMetricsF(font).averageCharWidth();
        const double wanted = std::abs(double(f.Width)) * xScale;
        if (average > 0 && std::isfinite(wanted))
            font.setStretch(int(std::clamp(std::lround(100 * wanted / average), 1L, 4000L)));
    }
    const QFontMetricsF fm(font);

    std::vector<double> steps;
    double width = 0;
    if (!advances.empty()) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const double a = i < qsizetype(advances.size()) ? advances[size_t(i)] * xScale : 0;
            steps.push_back(std::isfinite(a) ? std::clamp(a, -CoordinateLimit, CoordinateLimit) : 0);
            width += steps.back();
        }
    } else {
        width = fm.horizontalAdvance(text);
    }

    const int horizontal = FState.TextAlign & 6;
    const int vertical = FState.TextAlign & 24;
    const double x0 = horizontal == 2 ? -width : horizontal == 6 ? -width / 2 : 0;
    const double baseline = vertical == 24 ? 0 : vertical == 8 ? -fm.descent() : fm.ascent();
    // Escapement turns the baseline counter-clockwise; a rotating world transform turns it too.
    const double angle = -f.Escapement / 10.0 + std::atan2(FState.World.m12(), FState.World.m11()) * 180 / std::numbers::pi;

    ApplyClip();
    FPainter.save();
    if (options & ETO_CLIPPED) {
        QPainterPath clip;
        clip.addRect(box.normalized());
        FPainter.setClipRegion(ToRegion(ToPainter(clip)), FState.HasClip ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    FPainter.setRenderHint(QPainter::TextAntialiasing, true);
    FPainter.setRenderHint(QPainter::Antialiasing, true);
    FPainter.translate(ToPainter(logicalRef));
    FPainter.rotate(angle);
    if (FState.BkOpaque)
        FPainter.fillRect(QRectF(x0, baseline - fm.ascent(), width, fm.ascent() + fm.descent()), FState.BkColor);
    FPainter.setFont(font);
    FPainter.setPen(FState.TextColor);
    if (steps.empty()) {
        FPainter.drawText(QPointF(x0, baseline), text);
    } else {
        double x = x0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
            FPainter.drawText(QPointF(x, baseline), text.mid(i, pair ? 2 : 1));
            x += steps[size_t(i)];
            if (pair)
                x += steps[size_t(++i)];
        }
    }
    FPainter.restore();

    if (updateCp && xScale > 0)
        FState.Position = logicalRef + QPointF(width / xScale, 0);
}
