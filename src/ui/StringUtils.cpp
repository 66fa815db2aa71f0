#include "ui/StringUtils.h"

#include <QFileInfo>

namespace {
QChar UpperAscii(QChar c) { return c >= 'a' && c <= 'z' ? QChar(c.unicode() - 32) : c; }
QChar LowerAscii(QChar c) { return c >= 'A' && c <= 'Z' ? QChar(c.unicode() + 32) : c; }
bool BlankOrControl(QChar c) { return c.unicode() <= 32 || c.category() == QChar::Other_Control; }
} // namespace

QString UpperCaseAscii(const QString& s)
{
    QString r = s;
    for (QChar& c : r)
        c = UpperAscii(c);
    return r;
}

QString LowerCaseAscii(const QString& s)
{
    QString r = s;
    for (QChar& c : r)
        c = LowerAscii(c);
    return r;
}

int CompareTextAscii(const QString& a, const QString& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const ushort x = UpperAscii(a[i]).unicode(), y = UpperAscii(b[i]).unicode();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameTextAscii(const QString& a, const QString& b) { return a.size() == b.size() && CompareTextAscii(a, b) == 0; }

QString TrimBlanksAndControls(const QString& s)
{
    qsizetype from = 0, to = s.size();
    while (from < to && BlankOrControl(s[from]))
        ++from;
    while (to > from && BlankOrControl(s[to - 1]))
        --to;
    return s.mid(from, to - from);
}

QString FormatHint(const QString& hint) { return QLatin1Char(' ') + TrimBlanksAndControls(hint); }

QString WithFullStop(const QString& message)
{
    return message.endsWith(QLatin1Char('.')) ? message : message + QLatin1Char('.');
}

QString FileNameOnly(const QString& path) { return QFileInfo(path).fileName(); }
