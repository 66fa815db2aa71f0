#pragma once
// The current user's settings of one program, used the way the Windows registry is: nested keys
// holding string values. On Linux this is the QSettings file; the rules kept from the registry are
// that key names compare without regard to ASCII case and that a key name is one level, never split
// at '/' or '\'. A settings file that exists but cannot be read is never written over.

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

class TRegistryEx {
public:
    TRegistryEx(const QString& organization, const QString& application);
    ~TRegistryEx();
    TRegistryEx(const TRegistryEx&) = delete;
    TRegistryEx& operator=(const TRegistryEx&) = delete;

    QString FileName() const;
    // Non-empty when the settings file exists but is damaged or unreadable; the registry is then
    // read-only so the file stays as it is on disk.
    QString Problem() const { return FProblem; }
    bool ReadOnly() const { return !FProblem.isEmpty(); }

    // Makes the key at `path` (one name per level, from the root) the current key. A missing key
    // is created when canCreate is set: it becomes visible in the file with its first value, as a
    // settings file has no empty sections. Answers false for a missing key otherwise.
    bool OpenKey(const QStringList& path, bool canCreate);
    QStringList CurrentKey() const { return FCurrentKey; }
    bool KeyExists(const QStringList& path) const;

    // Sub-keys of the current key with the spelling they were stored with, in the file's order.
    QStringList GetKeyNames() const;
    bool ValueExists(const QString& valueName) const;
    // The raw stored value (invalid when absent); used to keep values the program cannot read.
    QVariant ReadRaw(const QString& valueName) const;
    // An absent value reads as empty; a value that is not a string throws
    // "Invalid data type for '<valueName>'".
    QString ReadString(const QString& valueName) const;
    // Throws "Failed to set data for '<valueName>'" when the settings file cannot be written.
    void WriteString(const QString& valueName, const QString& value);
    // Writes a value read with ReadRaw back unchanged, whatever its type.
    void WriteRaw(const QString& valueName, const QVariant& value);
    // Removes a value of the current key; false when it is missing or the registry is read-only.
    bool DeleteValue(const QString& valueName);
    // Every value of the key at `path`, by value name (empty when the key is missing).
    QList<QPair<QString, QVariant>> ReadAllValues(const QStringList& path) const;

    // Removes the key at `path`; false when it is missing or has sub-keys.
    bool DeleteKey(const QStringList& path);
    // Gives the key at `path` the name `newName` (its values move along); false when it is missing
    // or a different key already has that name.
    bool RenameKey(const QStringList& path, const QString& newName);

    // Writes pending changes to disk; false when the file could not be written.
    bool Flush();

private:
    // The stored spelling of each level of `path`: exact match first, then one that differs in
    // ASCII case only, else the given name. `found` tells whether every level exists.
    QStringList Resolve(const QStringList& path, bool* found) const;
    QString GroupOf(const QStringList& resolvedPath) const;
    QString ValueKey(const QString& valueName) const;
    bool Writable() const;
    void CheckReadable();

    std::unique_ptr<QSettings> FSettings;
    QStringList FCurrentKey; // resolved spelling
    QString FProblem;
};

// Stored form of one key name: '%', '/' and '\' are escaped so that QSettings neither splits the
// name into levels nor confuses it with an escape; DecodeKeyName(EncodeKeyName(n)) == n.
QString EncodeKeyName(const QString& name);
QString DecodeKeyName(const QString& stored);
// Key names compare as the registry compares them: without regard to ASCII case, other
// characters exactly.
QString FoldKeyName(const QString& name);
bool SameKeyName(const QString& a, const QString& b);
int CompareKeyNames(const QString& a, const QString& b);
