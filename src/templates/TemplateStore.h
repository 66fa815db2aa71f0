#pragma once
// The template store: one key per template under "Templates" in the current user's settings of
// Tavlo Generator, holding the paths of the template's three face images. It is read at start-up
// and written once, when the main window goes away; in between the templates dialog changes the
// cover documents in memory only.

#include "cover/ITemplateStore.h"
#include "templates/TRegistryEx.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QStringList>
#include <QVariant>
#include <memory>

class TTemplateStore : public ITemplateStore {
public:
    static constexpr const char* Organization = "Velsor";
    static constexpr const char* Application = "Tavlo Generator";
    static constexpr const char* BaseKey = "Templates";
    static constexpr const char* IgnoredKey = "TTemplateItem"; // never a template
    static constexpr const char* NotesKey = "Notes";

    TTemplateStore();
    // Finishes the exit write when Close() was not called; failures are then silent.
    ~TTemplateStore() override;

    // Opens the base key, creating it when missing. Called once at start-up.
    void Open(const QString& programFolder);
    bool IsOpen() const { return FRegistry != nullptr; }
    QString ProgramFolder() const { return FProgramFolder; }
    QString FileName() const;
    // Non-empty when the settings file is damaged or unreadable: the caller reports it once. The
    // store then lists what could be read and leaves the file alone.
    QString Problem() const;

    // Template names, alphabetical without regard to case, without the ignored key.
    QStringList ListNames() const;

    QString ReadValue(const QString& templateName, const QString& valueName,
                      const QString& defaultValue = QString()) override;
    // An empty value never replaces a stored path: a face whose file was missing at start-up has
    // no file name in memory, and writing that would lose the user's path.
    void WriteValue(const QString& templateName, const QString& valueName, const QString& value) override;
    void DeleteValue(const QString& templateName, const QString& valueName) override;
    // Takes effect in Close(), and only when no live template wrote the same name in the meantime,
    // so a template deleted and added again under its name keeps the new one's key.
    void DeleteTemplate(const QString& templateName) override;
    // A template was renamed in memory: its old key goes away at Close() (unless written again),
    // and the paths stored under it stand in for faces the renamed template has no file name for.
    void NoteRenamed(const QString& oldName, const QString& newName);

    // Notes the program keeps about itself beside the templates (never listed as templates),
    // written with the templates at Close().
    bool HasNote(const QString& name);
    void WriteNote(const QString& name, const QString& value);

    // Ends the exit write: removes the keys of deleted and renamed templates and writes the file.
    // Throws std::runtime_error when the file cannot be written.
    void Close();

private:
    QStringList KeyPath(const QString& templateName) const;

    std::unique_ptr<TRegistryEx> FRegistry;
    QString FProgramFolder;
    QSet<QString> FWritten;      // folded names written since Open
    QStringList FPendingDeletes; // names whose key goes at Close
    // Values of a renamed template's original key, by folded new name.
    QHash<QString, QList<QPair<QString, QVariant>>> FCarried;
};
