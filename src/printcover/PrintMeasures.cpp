#include "printcover/PrintMeasures.h"

#include <QRegularExpression>
#include <cmath>

namespace {

// A number and an optional unit, the unit saying how many inches one of it is.
const QString NumberPattern = QStringLiteral(R"((\d+(?:\.\d*)?|\.\d+))");
const QString UnitPattern = QStringLiteral(R"(\s*(in|mm)?)");

double InUnit(double value, const QString& unit)
{
    return unit.compare(QLatin1String("mm"), Qt::CaseInsensitive) == 0 ? value / MillimetresPerInch : value;
}

QString Decimals(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

TTrimSize Inches(double w, double h)
{
    return {w, h, QStringLiteral("%1 x %2 in").arg(Decimals(w, 3), Decimals(h, 3))};
}

TTrimSize Millimetres(const QString& name, double w, double h)
{
    return {w / MillimetresPerInch, h / MillimetresPerInch,
            QStringLiteral("%1 (%2 x %3 mm)").arg(name, Decimals(w, 1), Decimals(h, 1))};
}

} // namespace

double ParseLength(const QString& text, const QString& what)
{
    static const QRegularExpression length(QStringLiteral("^\\s*%1%2\\s*$").arg(NumberPattern, UnitPattern),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto m = length.match(text);
    if (!m.hasMatch())
        throw TPrintMeasureError(QStringLiteral("the %1 '%2' is no length: write it as 0.125in or 3.2mm").arg(what, text));
    return InUnit(m.captured(1).toDouble(), m.captured(2));
}

const std::vector<TTrimSize>& CommonTrims()
{
    static const std::vector<TTrimSize> trims{
        Inches(5, 8), Inches(5.5, 8.5), Inches(6, 9), Inches(7, 10), Inches(8.5, 11),
        Millimetres(QStringLiteral("A5"), 148, 210), Millimetres(QStringLiteral("B5"), 176, 250),
    };
    return trims;
}

TTrimSize ParseTrim(const QString& text)
{
    const QString name = text.trimmed();
    for (const TTrimSize& trim : CommonTrims())
        if (trim.Name.section(QLatin1Char(' '), 0, 0).compare(name, Qt::CaseInsensitive) == 0 && name.at(0).isLetter())
            return trim;
    static const QRegularExpression size(QStringLiteral("^\\s*%1\\s*[xX]\\s*%1%2\\s*$").arg(NumberPattern, UnitPattern),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = size.match(text);
    const double w = m.hasMatch() ? InUnit(m.captured(1).toDouble(), m.captured(3)) : 0;
    const double h = m.hasMatch() ? InUnit(m.captured(2).toDouble(), m.captured(3)) : 0;
    if (w <= 0 || h <= 0)
        throw TPrintMeasureError(QStringLiteral("the trim '%1' is no size: write it as 6x9in, 148x210mm, A5 or B5").arg(text));
    const bool mm = m.captured(3).compare(QLatin1String("mm"), Qt::CaseInsensitive) == 0;
    return mm ? TTrimSize{w, h, QStringLiteral("%1 x %2 mm").arg(m.captured(1), m.captured(2))} : Inches(w, h);
}

QString InchText(double inches) { return Decimals(inches, 3) + QStringLiteral(" in"); }

double PaperThickness(TPaper paper)
{
    switch (paper) {
    case TPaper::White:
        return 0.002252;
    case TPaper::Cream:
        return 0.0025;
    case TPaper::Colour:
        return 0.002347;
    }
    return 0;
}

std::optional<TPaper> PaperFromName(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("white"))
        return TPaper::White;
    if (n == QLatin1String("cream"))
        return TPaper::Cream;
    if (n == QLatin1String("colour") || n == QLatin1String("color"))
        return TPaper::Colour;
    return std::nullopt;
}

QString PaperName(TPaper paper)
{
    switch (paper) {
    case TPaper::White:
        return QStringLiteral("white");
    case TPaper::Cream:
        return QStringLiteral("cream");
    case TPaper::Colour:
        return QStringLiteral("colour");
    }
    return {};
}

double SpineWidth(int pages, TPaper paper)
{
    if (pages < 1)
        throw TPrintMeasureError(QStringLiteral("a book has at least one page, not %1").arg(pages));
    return pages * PaperThickness(paper);
}
