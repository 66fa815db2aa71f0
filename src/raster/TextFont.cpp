#include "raster/TextFont.h"

#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <cstdlib>

TColorRef ColorRefOf(const QColor& color)
{
    const QColor c = color.toRgb();
    return TColorRef(c.red() | (c.green() << 8) | (c.blue() << 16));
}

namespace {

// System colour numbers of the colour value (its low byte when negative) and the palette role
// that plays the same part on this desktop.
bool PaletteRoleOfSystemColor(int index, QPalette::ColorGroup& group, QPalette::ColorRole& role)
{
    group = QPalette::Active;
    switch (index) {
    case 4: role = QPalette::Window; return true;           // menu
    case 5: role = QPalette::Base; return true;             // window background
    case 7: role = QPalette::WindowText; return true;       // menu text
    case 8: role = QPalette::Text; return true;             // window text
    case 13: role = QPalette::Highlight; return true;
    case 14: role = QPalette::HighlightedText; return true;
    case 15: role = QPalette::Button; return true;          // button face
    case 16: role = QPalette::Dark; return true;            // button shadow
    case 17: group = QPalette::Disabled; role = QPalette::Text; return true; // grey text
    case 18: role = QPalette::ButtonText; return true;
    case 20: role = QPalette::Light; return true;           // button highlight
    case 21: role = QPalette::Shadow; return true;          // dark shadow
    case 22: role = QPalette::Midlight; return true;        // 3D light
    case 23: role = QPalette::ToolTipText; return true;
    case 24: role = QPalette::ToolTipBase; return true;
    default: return false;
    }
}

} // namespace

QColor ColorOfRef(TColorRef value)
{
    if (value < 0) {
        QPalette::ColorGroup group;
        QPalette::ColorRole role;
        if (PaletteRoleOfSystemColor(value & 0xFF, group, role))
            return QGuiApplication::palette().color(group, role).toRgb();
        return QColor(0, 0, 0);
    }
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const long long num = (long long)a * b;
    const long long q = (std::llabs(num) * 2 + std::llabs(c)) / (2 * std::llabs((long long)c));
    return int((num < 0) != (c < 0) ? -q : q);
}

int TTextFont::EffectivePixelsPerInch() const
{
    return PixelsPerInch > 0 && PixelsPerInch <= 10000 ? PixelsPerInch : ScreenPixelsPerInch;
}

int TTextFont::PointSize() const
{
    // A positive height is the cell height; its magnitude still gives a fair size in points.
    const long long height = std::llabs((long long)Height); // INT_MIN from a damaged record too
    const long long points = (height * 72 + EffectivePixelsPerInch() / 2) / EffectivePixelsPerInch();
    return int(std::clamp(points, 1LL, 1638LL));
}

void TTextFont::SetPointSize(int points) { Height = -MulDiv(points, EffectivePixelsPerInch(), 72); }

QFont TTextFont::ToQFont() const
{
    QFont font(Name);
    font.setBold(Bold);
    font.setItalic(Italic);
    font.setUnderline(Underline);
    font.setStrikeOut(StrikeOut);
    if (Pitch == 2)
        font.setFixedPitch(true);
    return font;
}

void TTextFont::AssignFrom(const QFont& font)
{
    Name = font.family();
    if (font.pointSize() > 0)
        SetPointSize(font.pointSize());
    else if (font.pixelSize() > 0)
        Height = -MulDiv(font.pixelSize(), EffectivePixelsPerInch(), ScreenPixelsPerInch);
    Bold = font.bold();
    Italic = font.italic();
    Underline = font.underline();
    StrikeOut = font.strikeOut();
}
