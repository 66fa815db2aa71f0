#include "templates/TemplateStore.h"

#include <QDir>
#include <algorithm>
#include <stdexcept>

namespace {

void RequireOpen(const std::unique_ptr<TRegistryEx>& registry)
{
    if (!registry)
        throw std::runtime_error("The template store is not open.");
}

bool HoldsSomething(const QVariant& value)
{
    // A value of a type we cannot read is still the user's data and is kept.
    return value.isValid() && (value.typeId() != QMetaType::QString || !value.toString().isEmpty());
}

} // namespace

TTemplateStore::TTemplateStore() = default;

TTemplateStore::~TTemplateStore()
{
    try {
        Close();
    } catch (const std::exception&) {
        // Nowhere left to report it: the window that would show it is gone.
    }
}

void TTemplateStore::Open(const QString& programFolder)
{
    FProgramFolder = programFolder;
    FRegistry = std::make_unique<TRegistryEx>(QString::fromLatin1(Organization), QString::fromLatin1(Application));
    FRegistry->OpenKey({QString::fromLatin1(BaseKey)}, true);
    FWritten.clear();
    FPendingDeletes.clear();
    FCarried.clear();
}

QString TTemplateStore::FileName() const { return FRegistry ? FRegistry->FileName() : QString(); }

QString TTemplateStore::Problem() const { return FRegistry ? FRegistry->Problem() : QString(); }

QStringList TTemplateStore::KeyPath(const QString& templateName) const
{
    return {QString::fromLatin1(BaseKey), templateName};
}

QStringList TTemplateStore::ListNames() const
{
    RequireOpen(FRegistry);
    QStringList names;
    for (const QString& name : FRegistry->GetKeyNames())
        if (!SameKeyName(name, QString::fromLatin1(IgnoredKey)))
            names << name;
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = CompareKeyNames(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QString TTemplateStore::ReadValue(const QString& templateName, const QString& valueName,
                                  const QString& defaultValue)
{
    RequireOpen(FRegistry);
    FRegistry->OpenKey(KeyPath(templateName), true);
    QString value;
    try {
        value = FRegistry->ReadString(valueName);
    } catch (...) {
        FRegistry->OpenKey({QString::fromLatin1(BaseKey)}, true);
        throw;
    }
    FRegistry->OpenKey({QString::fromLatin1(BaseKey)}, true);
    return value.isEmpty() ? defaultValue : value;
}

void TTemplateStore::WriteValue(const QString& templateName, const QString& valueName, const QString& value)
{
    RequireOpen(FRegistry);
    const QString folded = FoldKeyName(templateName);
    // A name written in another case than its key was renamed that way: the key follows.
    FRegistry->RenameKey(KeyPath(templateName), templateName);

    QVariant keep;
    if (value.isEmpty()) {
        if (auto carried = FCarried.constFind(folded); carried != FCarried.constEnd()) {
            for (const auto& [name, stored] : *carried)
                if (name == valueName)
                    keep = stored;
        } else if (FRegistry->OpenKey(KeyPath(templateName), false)) {
            keep = FRegistry->ReadRaw(valueName);
        }
    }

    FRegistry->OpenKey(KeyPath(templateName), true);
    try {
        if (HoldsSomething(keep))
            FRegistry->WriteRaw(valueName, keep);
        else
            FRegistry->WriteString(valueName, value);
    } catch (...) {
        FRegistry->OpenKey({QString::fromLatin1(BaseKey)}, true);
        throw;
    }
    FRegistry->OpenKey({QString::fromLatin1(BaseKey)}, true);
    FWritten.insert(folded);
}

void TTemplateStore::DeleteValue(const QString& templateName, const QString& valueName)
{
    RequireOpen(FRegistry);
    if (FRegistry->OpenKey(KeyPath(templateName), false))
        FRegistry->DeleteValue(valueName);
    FRegistry->OpenKey({QString::fromLatin1(BaseKey)}, true);
}

void TTemplateStore::DeleteTemplate(const QString& templateName)
{
    if (FRegistry)
        FPendingDeletes << templateName;
}

void TTemplateStore::NoteRenamed(const QString& oldName, const QString& newName)
{
    if (!FRegistry || oldName == newName)
        return;
    const QString oldFolded = FoldKeyName(oldName), newFolded = FoldKeyName(newName);
    QList<QPair<QString, QVariant>> values;
    if (auto carried = FCarried.find(oldFolded); carried != FCarried.end()) {
        values = carried.value();
        FCarried.erase(carried);
    } else {
        values = FRegistry->ReadAllValues(KeyPath(oldName));
    }
    FCarried.insert(newFolded, values);
    if (oldFolded != newFolded)
        FPendingDeletes << oldName;
}

bool TTemplateStore::HasNote(const QString& name)
{
    RequireOpen(FRegistry);
    if (!FRegistry->OpenKey({QString::fromLatin1(NotesKey)}, false))
        return false;
    const QVariant value = FRegistry->ReadRaw(name);
    FRegistry->OpenKey({QString::fromLatin1(BaseKey)}, true);
    return HoldsSomething(value);
}

void TTemplateStore::WriteNote(const QString& name, const QString& value)
{
    RequireOpen(FRegistry);
    FRegistry->OpenKey({QString::fromLatin1(NotesKey)}, true);
    try {
        FRegistry->WriteString(name, value);
    } catch (...) {
        FRegistry->OpenKey({QString::fromLatin1(BaseKey)}, true);
        throw;
    }
    FRegistry->OpenKey({QString::fromLatin1(BaseKey)}, true);
}

void TTemplateStore::Close()
{
    if (!FRegistry)
        return;
    for (const QString& name : std::as_const(FPendingDeletes))
        if (!FWritten.contains(FoldKeyName(name)))
            FRegistry->DeleteKey(KeyPath(name)); // a key already gone or with sub-keys stays as it is
    FPendingDeletes.clear();
    FCarried.clear();
    FWritten.clear();
    if (!FRegistry->Flush())
        throw std::runtime_error(QStringLiteral("%1\r\nThe templates could not be saved.")
                                     .arg(QDir::toNativeSeparators(FRegistry->FileName()))
                                     .toStdString());
}
