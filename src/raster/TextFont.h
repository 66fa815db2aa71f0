#pragma once
// The font of a text layer as the text record carries it: face name, resolution, character set,
// colour (0x00BBGGRR, negative for system colours), height in pixels at that resolution
// (negative = character height), pitch and style bits. QFont knows neither the resolution nor
// the colour, so the layer keeps this record and makes a QFont from it when drawing.

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>

using TColorRef = int32_t;

// 0x00BBGGRR of an opaque colour.
TColorRef ColorRefOf(const QColor& color);
// The colour a colour value names: RGB values directly, negative values (system colours) through
// the desktop's palette; an unknown system colour gives black.
QColor ColorOfRef(TColorRef value);

// a * b / c rounded half away from zero; 0 when c is 0 (the classic MulDiv rule).
int MulDiv(int a, int b, int c);

struct TTextFont {
    static constexpr int DefaultCharset = 1;
    static constexpr int ScreenPixelsPerInch = 96;

    QString Name = QStringLiteral("Arial");
    int PixelsPerInch = ScreenPixelsPerInch;
    int Charset = DefaultCharset;
    TColorRef Color = 0;
    int Height = -12;
    int Pitch = 0; // 0 default, 1 variable, 2 fixed
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    // Pixels per inch the height refers to; a missing or nonsense value reads as the screen's 96.
    int EffectivePixelsPerInch() const;
    // Whole points of the height at the font's resolution, at least 1.
    int PointSize() const;
    void SetPointSize(int points);

    // The QFont to draw with, its size still unset (it depends on the paint device's resolution).
    QFont ToQFont() const;
    // Takes face name, whole point size and style bits of a font picked in the font dialog.
    void AssignFrom(const QFont& font);

    bool operator==(const TTextFont&) const = default;
};
