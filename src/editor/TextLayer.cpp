#include "editor/TextLayer.h"

#include "ui/MsgBox.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace {

constexpr int TextFlags = Qt::AlignLeft | Qt::AlignTop;
// Large enough never to wrap or clip a line of a text layer.
constexpr double LayoutExtent = 1.0e6;

int ClampByte(int v) { return std::clamp(v, 0, 255); }

// Qt has no unit "points at the font's own resolution": scale the point size so that it gives
// points x PPI / 72 pixels on this device.
QFont DeviceFont(const TTextFont& textFont, int quality, const QPaintDevice* device)
{
    QFont font = textFont.ToQFont();
    const int deviceDpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
    font.setPointSizeF(double(textFont.PointSize()) * textFont.EffectivePixelsPerInch() / deviceDpi);
    switch (quality) {
    case 0:
        font.setStyleStrategy(QFont::PreferAntialias);
        font.setHintingPreference(QFont::PreferFullHinting);
        break;
    case 1:
        font.setStyleStrategy(QFont::PreferAntialias);
        font.setHintingPreference(QFont::PreferNoHinting);
        break;
    case 2:
        font.setStyleStrategy(QFont::NoAntialias);
        break;
    default: // a quality from a foreign record: the desktop's default rendering
        break;
    }
    return font;
}

} // namespace

TTextFont NewTextLayerFont(const QFont& mainFont)
{
    TTextFont font;
    font.AssignFrom(mainFont);
    int points = mainFont.pointSize();
    if (points <= 0 && mainFont.pixelSize() > 0)
        points = MulDiv(mainFont.pixelSize(), 72, TTextFont::ScreenPixelsPerInch);
    if (points <= 0)
        points = 9;
    font.SetPointSize((points + 1) * 2);
    font.Color = ColorRefOf(QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight));
    return font;
}

int TextShadowAlpha(int posAlpha, int alpha)
{
    // Integer numerator over 100 keeps exact halves (229.5) exact, so they round to even.
    return ClampByte(int(std::nearbyint(double(posAlpha) * ClampByte(alpha) / 100.0)));
}

QColor TextPreviewBackground(TColorRef textColor)
{
    const QColor c = ColorOfRef(textColor);
    if (c.red() == 255 && c.green() == 255 && c.blue() == 255)
        return QColor(0, 0, 0);
    QColor window = QGuiApplication::palette().color(QPalette::Active, QPalette::Base);
    window.setAlpha(255);
    return window;
}

int ReducedRotation(int rotation) { return rotation % 4; }

TTextRenderer::TTextRenderer(const TTextParams& params, QPaintDevice* device)
    : FParams(params), FFont(DeviceFont(params.Font, params.Quality, device)), FText(params.Lines.join(QLatin1Char('\n')))
{
    // Each line is followed by a line break, the last one included; Qt would lay out the last
    // break as one more empty line, so the text is joined without it.
}

QRectF TTextRenderer::BoxAt(const QPointF& origin) const
{
    const QFontMetricsF fm(FFont);
    QRectF box = fm.boundingRect(QRectF(origin, QSizeF(LayoutExtent, LayoutExtent)), TextFlags, FText);
    // Italic and script glyphs may reach beyond their advance: the ink of each line counts too.
    const qsizetype count = FParams.Lines.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QString& line = FParams.Lines[i];
        if (line.isEmpty())
            continue;
        const QRectF ink = fm.boundingRect(line);
        box |= ink.translated(origin.x(), origin.y() + fm.ascent() + double(i) * fm.lineSpacing());
    }
    return box;
}

QSize TTextRenderer::Measure() const
{
    const QPointF origin(Margin, Margin);
    const QRectF box1 = BoxAt(origin);
    QRectF box2;
    if (FParams.Shadow)
        box2 = BoxAt(origin + QPointF(FParams.PosX, FParams.PosY));
    const double right = std::max(box1.x() + box1.width(), box2.x() + box2.width());
    const double bottom = std::max(box1.y() + box1.height(), box2.y() + box2.height());
    // nearbyint rounds halves to even under the default rounding mode.
    return {int(std::nearbyint(right)) + int(Margin), int(std::nearbyint(bottom)) + int(Margin)};
}

void TTextRenderer::DrawAt(QPainter& painter, const QPointF& origin, const QColor& color) const
{
    painter.setPen(color);
    painter.drawText(QRectF(origin, QSizeF(LayoutExtent, LayoutExtent)), TextFlags, FText);
}

void TTextRenderer::Draw(QPainter& painter) const
{
    const QColor c = ColorOfRef(FParams.Font.Color);
    const int r = c.red(), g = c.green(), b = c.blue();
    const int a = ClampByte(FParams.Alpha);

    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::TextAntialiasing, FParams.Quality != 2);
    painter.setFont(FFont);
    const QPointF origin(Margin, Margin);
    if (FParams.Shadow)
        DrawAt(painter, origin + QPointF(FParams.PosX, FParams.PosY),
               QColor(128, 128, 128, TextShadowAlpha(FParams.PosAlpha, a)));
    if (FParams.Bevel) {
        DrawAt(painter, origin - QPointF(BevelShift, BevelShift), QColor((r + 255) / 2, (g + 255) / 2, (b + 255) / 2, a));
        DrawAt(painter, origin + QPointF(BevelShift, BevelShift), QColor(r / 3, g / 3, b / 3, a));
    }
    DrawAt(painter, origin, QColor(r, g, b, a));
    painter.restore();
}

void RenderTextBitmap(const TTextParams& params, TBitmap32& bitmap)
{
    // Measured on the same kind of device it is drawn on, so the size is the one the drawing needs.
    // Qt's raster engine composites text correctly only on premultiplied pixels; the result is
    // converted to the bitmap's straight alpha afterwards.
    QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    const QSize size = TTextRenderer(params, &probe).Measure();
    CheckBitmapSize(size.width(), size.height()); // before anything changes
    bitmap.MakeEmpty();
    if (size.width() <= 0 || size.height() <= 0)
        return;
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        TTextRenderer(params, &canvas).Draw(painter);
    }
    bitmap.Assign(canvas);
}

void ApplyRotation(TBitmap32& bitmap, int rotation)
{
    switch (ReducedRotation(rotation)) {
    case 1:
    case -3:
        bitmap = bitmap.QuarterTurn(+1);
        break;
    case 2:
    case -2:
        bitmap = bitmap.HalfTurn();
        break;
    case 3:
    case -1:
        bitmap = bitmap.QuarterTurn(-1);
        break;
    default:
        break;
    }
}

namespace {

// The main window's font (Arial, bold, height -12) when no main window is there to ask.
QFont MainWindowFont()
{
    if (const std::optional<QFont> font = MainFont())
        return *font;
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(12);
    return font;
}

} // namespace

TTextLayer::TTextLayer(TLayerCollection& owner) : TBitmapLayer(owner) { Font = NewTextLayerFont(MainWindowFont()); }

void TTextLayer::ApplyRotationAndSize()
{
    Changed();
    ApplyRotation(Bitmap(), Rotation);
    const TFloatRect& old = Location();
    SetLocation({old.Left, old.Top, old.Left + float(Bitmap().Width()), old.Top + float(Bitmap().Height())});
    Changed();
}

bool TTextLayer::FitTextTo(const TFloatRect& location)
{
    // A quarter-turned layer carries the text's height along its width.
    const bool across = ReducedRotation(Rotation) % 2 != 0;
    const float shown = across ? float(Bitmap().Width()) : float(Bitmap().Height());
    const float wanted = across ? location.Width() : location.Height();
    if (shown <= 0 || wanted <= 0 || std::abs(wanted - shown) < 0.5f)
        return false;
    const long points = std::lround(Font.PointSize() * double(wanted) / double(shown));
    Font.SetPointSize(int(std::clamp(points, 1L, 1638L)));
    SetLocation(location);
    RenderTextBitmap(*this, Bitmap());
    ApplyRotationAndSize();
    return true;
}
