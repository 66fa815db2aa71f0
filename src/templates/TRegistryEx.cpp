#include "templates/TRegistryEx.h"

#include "ui/StringUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <stdexcept>

namespace {

int HexDigit(QChar c)
{
    if (c >= '0' && c <= '9')
        return c.unicode() - '0';
    if (c >= 'A' && c <= 'F')
        return c.unicode() - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c.unicode() - 'a' + 10;
    return -1;
}

// Files we cannot trust to parse: binary data or text that is not UTF-8. QSettings would read
// such a file as nearly empty and then write that emptiness back at the next sync.
bool LooksDamaged(const QByteArray& data)
{
    if (data.contains('\0'))
        return true;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(data);
    Q_UNUSED(text);
    return decoder.hasError();
}

} // namespace

QString EncodeKeyName(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (QChar c : name) {
        if (c == '%')
            out += QLatin1String("%25");
        else if (c == '/')
            out += QLatin1String("%2F");
        else if (c == '\\')
            out += QLatin1String("%5C");
        else
            out += c;
    }
    return out;
}

QString DecodeKeyName(const QString& stored)
{
    QString out;
    out.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i] == '%' && i + 2 < stored.size()) {
            const int hi = HexDigit(stored[i + 1]), lo = HexDigit(stored[i + 2]);
            const int code = hi * 16 + lo;
            if (hi >= 0 && lo >= 0 && (code == '%' || code == '/' || code == '\\')) {
                out += QChar(code);
                i += 2;
                continue;
            }
        }
        out += stored[i];
    }
    return out;
}

QString FoldKeyName(const QString& name) { return LowerCaseAscii(name); }

// Ordering folds to capitals, as the registry sorts: '_' comes after the letters.
int CompareKeyNames(const QString& a, const QString& b) { return CompareTextAscii(a, b); }

bool SameKeyName(const QString& a, const QString& b) { return SameTextAscii(a, b); }

TRegistryEx::TRegistryEx(const QString& organization, const QString& application)
    : FSettings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organization,
                                            application))
{
    CheckReadable();
}

TRegistryEx::~TRegistryEx()
{
    // A read-only registry holds no changes, so QSettings has nothing to write at destruction;
    // everything else is written as the registry would have written it, at once.
    if (!ReadOnly())
        FSettings->sync();
}

QString TRegistryEx::FileName() const { return FSettings->fileName(); }

void TRegistryEx::CheckReadable()
{
    const QString path = FileName();
    const QFileInfo info(path);
    bool damaged = FSettings->status() != QSettings::NoError;
    if (info.exists() && !damaged) {
        QFile file(path);
        damaged = info.isDir() || !file.open(QIODevice::ReadOnly) || LooksDamaged(file.readAll());
    }
    if (damaged)
        FProblem = QStringLiteral("%1\r\nThe settings file is damaged or cannot be read. It is left as it is, "
                                  "and changes to templates will not be saved.")
                       .arg(QDir::toNativeSeparators(path));
}

QStringList TRegistryEx::Resolve(const QStringList& path, bool* found) const
{
    QStringList resolved;
    bool all = true;
    for (const QString& name : path) {
        QString match;
        if (all) {
            FSettings->beginGroup(GroupOf(resolved));
            const QStringList children = FSettings->childGroups();
            FSettings->endGroup();
            for (const QString& child : children)
                if (DecodeKeyName(child) == name) {
                    match = child;
                    break;
                }
            if (match.isEmpty())
                for (const QString& child : children)
                    if (SameKeyName(DecodeKeyName(child), name)) {
                        match = child;
                        break;
                    }
        }
        if (match.isEmpty()) {
            all = false;
            match = EncodeKeyName(name);
        }
        resolved << match;
    }
    if (found)
        *found = all;
    return resolved;
}

QString TRegistryEx::GroupOf(const QStringList& resolvedPath) const { return resolvedPath.join(QLatin1Char('/')); }

QString TRegistryEx::ValueKey(const QString& valueName) const
{
    const QString group = GroupOf(FCurrentKey);
    const QString value = EncodeKeyName(valueName);
    return group.isEmpty() ? value : group + QLatin1Char('/') + value;
}

bool TRegistryEx::OpenKey(const QStringList& path, bool canCreate)
{
    bool found = false;
    const QStringList resolved = Resolve(path, &found);
    if (!found && !canCreate)
        return false;
    FCurrentKey = resolved;
    return true;
}

bool TRegistryEx::KeyExists(const QStringList& path) const
{
    bool found = false;
    Resolve(path, &found);
    return found;
}

QStringList TRegistryEx::GetKeyNames() const
{
    FSettings->beginGroup(GroupOf(FCurrentKey));
    const QStringList raw = FSettings->childGroups();
    FSettings->endGroup();
    QStringList names;
    names.reserve(raw.size());
    for (const QString& child : raw)
        names << DecodeKeyName(child);
    return names;
}

bool TRegistryEx::ValueExists(const QString& valueName) const { return FSettings->contains(ValueKey(valueName)); }

QVariant TRegistryEx::ReadRaw(const QString& valueName) const { return FSettings->value(ValueKey(valueName)); }

QString TRegistryEx::ReadString(const QString& valueName) const
{
    const QVariant value = ReadRaw(valueName);
    if (!value.isValid())
        return QString();
    if (value.typeId() != QMetaType::QString)
        throw std::runtime_error(QStringLiteral("Invalid data type for '%1'").arg(valueName).toStdString());
    return value.toString();
}

bool TRegistryEx::Writable() const
{
    // Walk up to the nearest existing entry: the file itself, or the folder it would be made in.
    QFileInfo info(FileName());
    if (info.exists())
        return info.isFile() && info.isWritable();
    QString dir = info.absolutePath();
    while (!QFileInfo::exists(dir)) {
        const QString parent = QFileInfo(dir).absolutePath();
        if (parent == dir)
            return false;
        dir = parent;
    }
    const QFileInfo dirInfo(dir);
    return dirInfo.isDir() && dirInfo.isWritable();
}

void TRegistryEx::WriteString(const QString& valueName, const QString& value) { WriteRaw(valueName, value); }

void TRegistryEx::WriteRaw(const QString& valueName, const QVariant& value)
{
    if (ReadOnly())
        return; // reported once when the file was found unreadable
    if (!Writable())
        throw std::runtime_error(QStringLiteral("Failed to set data for '%1'").arg(valueName).toStdString());
    FSettings->setValue(ValueKey(valueName), value);
}

bool TRegistryEx::DeleteValue(const QString& valueName)
{
    if (ReadOnly() || !ValueExists(valueName))
        return false;
    FSettings->remove(ValueKey(valueName));
    return true;
}

QList<QPair<QString, QVariant>> TRegistryEx::ReadAllValues(const QStringList& path) const
{
    bool found = false;
    const QStringList resolved = Resolve(path, &found);
    QList<QPair<QString, QVariant>> values;
    if (!found)
        return values;
    FSettings->beginGroup(GroupOf(resolved));
    for (const QString& key : FSettings->childKeys())
        values.append({DecodeKeyName(key), FSettings->value(key)});
    FSettings->endGroup();
    return values;
}

bool TRegistryEx::DeleteKey(const QStringList& path)
{
    bool found = false;
    const QStringList resolved = Resolve(path, &found);
    if (ReadOnly() || !found || path.isEmpty())
        return false;
    FSettings->beginGroup(GroupOf(resolved));
    const bool hasSubKeys = !FSettings->childGroups().isEmpty();
    FSettings->endGroup();
    if (hasSubKeys)
        return false;
    FSettings->remove(GroupOf(resolved));
    return true;
}

bool TRegistryEx::RenameKey(const QStringList& path, const QString& newName)
{
    bool found = false;
    const QStringList from = Resolve(path, &found);
    if (ReadOnly() || !found || path.isEmpty())
        return false;
    QStringList targetPath = path;
    targetPath.last() = newName;
    bool targetFound = false;
    QStringList to = Resolve(targetPath, &targetFound);
    if (targetFound && to != from)
        return false;
    to.last() = EncodeKeyName(newName);
    if (to == from)
        return true;

    const QString fromGroup = GroupOf(from), toGroup = GroupOf(to);
    FSettings->beginGroup(fromGroup);
    const QStringList keys = FSettings->allKeys();
    QList<QVariant> values;
    for (const QString& key : keys)
        values << FSettings->value(key);
    FSettings->endGroup();
    FSettings->remove(fromGroup);
    for (qsizetype i = 0; i < keys.size(); ++i)
        FSettings->setValue(toGroup + QLatin1Char('/') + keys[i], values[i]);
    if (FCurrentKey == from)
        FCurrentKey = to;
    return true;
}

bool TRegistryEx::Flush()
{
    if (ReadOnly())
        return true;
    FSettings->sync();
    return FSettings->status() == QSettings::NoError;
}
