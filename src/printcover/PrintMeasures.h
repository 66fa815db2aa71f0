#pragma once
// What a print-on-demand cover is made of, as the user names it: lengths in inches or
// millimetres, trim sizes (also the common ones by name) and the paper a page count stands on.
// Everything is kept in inches, the unit the printers publish their figures in.

#include <QString>
#include <optional>
#include <stdexcept>
#include <vector>

// A wrong length, trim, paper or page count; what() says which and why, for the user.
struct TPrintMeasureError : std::runtime_error {
    explicit TPrintMeasureError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

constexpr double MillimetresPerInch = 25.4;

// "0.125", "0.125in", "3.2 mm" (any case); a bare number is in inches. Throws
// TPrintMeasureError naming what for ("bleed") when the text is no length or is negative.
double ParseLength(const QString& text, const QString& what);

struct TTrimSize {
    double Width = 0;  // inches
    double Height = 0; // inches
    QString Name;      // "6 x 9 in", "A5 (148 x 210 mm)"
};

// The trims most self-published books use, in the order a list shows them.
const std::vector<TTrimSize>& CommonTrims();

// "6x9", "6 x 9 in", "5.5x8.5in", "148x210mm", "A5", "b5" (names without regard to case);
// a size without unit is in inches. Throws TPrintMeasureError when it is none of those.
TTrimSize ParseTrim(const QString& text);

// A length for a person: "0.563 in" (three decimals at most, trailing zeros dropped).
QString InchText(double inches);

enum class TPaper { White, Cream, Colour };

// Per page, as the largest print-on-demand service publishes them: white 0.002252 in,
// cream 0.0025 in, colour 0.002347 in.
double PaperThickness(TPaper paper);
// "white", "cream", "colour" (also "color"), any case.
std::optional<TPaper> PaperFromName(const QString& name);
QString PaperName(TPaper paper);

// pages x the paper's thickness per page. Throws TPrintMeasureError for fewer than one page.
double SpineWidth(int pages, TPaper paper);
