#include "raster/TextRecord.h"

#include <QHash>
#include <algorithm>

namespace {

QChar AsciiLower(QChar c) { return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + ('a' - 'A')) : c; }

// Keys and the class name compare without regard to ASCII letter case only (no Unicode folding).
bool SameAscii(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

QStringView TrimControls(QStringView s)
{
    qsizetype begin = 0, end = s.size();
    while (begin < end && s[begin].unicode() <= ' ')
        ++begin;
    while (end > begin && s[end - 1].unicode() <= ' ')
        --end;
    return s.mid(begin, end - begin);
}

} // namespace

bool ParseWholeNumber(QStringView text, int& value)
{
    const QStringView t = TrimControls(text);
    if (t.isEmpty())
        return false;
    qsizetype i = 0;
    const bool negative = t[0] == u'-';
    if (t[0] == u'-' || t[0] == u'+')
        ++i;
    if (i == t.size())
        return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < u'0' || t[i] > u'9')
            return false;
        v = v * 10 + (t[i].unicode() - '0');
        if (v > 2147483648LL)
            return false;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        return false;
    value = int(v);
    return true;
}

namespace {

int ReadInt(QStringView text)
{
    int value = -1;
    return ParseWholeNumber(text, value) ? value : -1;
}

void AddInt(QStringList& lines, const char* key, int value)
{
    lines.append(QStringLiteral("%1=%2").arg(QLatin1String(key)).arg(value));
}

void AddBool(QStringList& lines, const char* key, bool value) { AddInt(lines, key, value ? 1 : 0); }

} // namespace

namespace {

// Keys of a record looked up once each, so a long damaged record costs linear time.
class TRecordIndex {
public:
    explicit TRecordIndex(const QStringList& lines)
    {
        for (const QString& line : lines) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq >= 0)
            {
                const QString key = AsciiLowered(QStringView(line).left(eq));
                if (!FValues.contains(key))
                    FValues.insert(key, line.mid(eq + 1));
            }
        }
    }
    QString Value(QStringView key) const { return FValues.value(AsciiLowered(key)); }
    int Int(QStringView key) const { return ReadInt(Value(key)); }

private:
    static QString AsciiLowered(QStringView s)
    {
        QString out(s.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < s.size(); ++i)
            out[i] = AsciiLower(s[i]);
        return out;
    }
    QHash<QString, QString> FValues; // the first line of each key wins
};

} // namespace

void WriteRecord(const TTextParams& layer, QStringList& lines)
{
    lines.append(QStringLiteral("ClassName=%1").arg(QLatin1String(TextLayerClassName)));
    AddBool(lines, "Shadow", layer.Shadow);
    AddBool(lines, "Bevel", layer.Bevel);
    AddInt(lines, "PosX", layer.PosX);
    AddInt(lines, "PosY", layer.PosY);
    AddInt(lines, "PosAlpha", layer.PosAlpha);
    AddInt(lines, "Alpha", layer.Alpha);
    AddInt(lines, "Quality", layer.Quality);
    AddInt(lines, "Rotation", layer.Rotation);
    lines.append(QStringLiteral("FontName=") + layer.Font.Name);
    AddInt(lines, "FontPPI", layer.Font.PixelsPerInch);
    AddInt(lines, "FontCharset", layer.Font.Charset);
    AddInt(lines, "FontColor", layer.Font.Color);
    AddInt(lines, "FontHeight", layer.Font.Height);
    AddInt(lines, "FontPitch", layer.Font.Pitch);
    AddBool(lines, "FontStyleBold", layer.Font.Bold);
    AddBool(lines, "FontStyleItalic", layer.Font.Italic);
    AddBool(lines, "FontStyleUnderline", layer.Font.Underline);
    AddBool(lines, "FontStyleStrikeOut", layer.Font.StrikeOut);
    for (qsizetype i = 0; i < layer.Lines.size(); ++i)
        lines.append(QStringLiteral("Line%1=").arg(i) + layer.Lines[i]);
    AddInt(lines, "Count", int(layer.Lines.size()) - 1);
}

bool ReadRecord(TTextParams& layer, const QStringList* lines)
{
    if (!lines)
        return false;
    const TRecordIndex r(*lines);
    if (!SameAscii(r.Value(u"ClassName"), QString::fromLatin1(TextLayerClassName)))
        return false;

    auto num = [&r](const char* key) { return r.Int(QString::fromLatin1(key)); };
    layer.Shadow = num("Shadow") > 0;
    layer.Bevel = num("Bevel") > 0;
    layer.PosX = num("PosX");
    layer.PosY = num("PosY");
    layer.PosAlpha = num("PosAlpha");
    layer.Alpha = num("Alpha");
    layer.Quality = num("Quality");
    layer.Rotation = num("Rotation");

    // A record cannot hold more text lines than it has lines: a damaged Count such as 2000000000
    // must not make millions of empty lines.
    const int count = int(std::min<qsizetype>(num("Count"), lines->size()));
    for (int i = 0; i <= count; ++i)
        layer.Lines.append(r.Value(QStringLiteral("Line%1").arg(i)));

    TTextFont& font = layer.Font;
    font.Name = r.Value(u"FontName");
    font.PixelsPerInch = num("FontPPI"); // before the height, which is taken at this resolution
    font.Charset = num("FontCharset");
    font.Color = num("FontColor");
    font.Height = num("FontHeight");
    font.Pitch = num("FontPitch");
    font.Bold = num("FontStyleBold") > 0;
    font.Italic = num("FontStyleItalic") > 0;
    font.Underline = num("FontStyleUnderline") > 0;
    font.StrikeOut = num("FontStyleStrikeOut") > 0;
    return true;
}
