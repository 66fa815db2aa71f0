#pragma once
// The last eight project files opened or saved, kept in the user's settings, and their list on
// the start page below the templates.

#include <QObject>
#include <QStringList>

class QListWidget;
class QListWidgetItem;
class QWidget;
class THTMLabel;

class TRecentProjects : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxCount = 8;

    // Builds the caption and the list on page (hidden while there is nothing to list).
    explicit TRecentProjects(QWidget* page);

    QStringList Files() const;
    // Puts path first (once); the list keeps the newest eight.
    void Add(const QString& path);
    void Remove(const QString& path);
    // Takes the lower part of the template list's place (when there is anything to list).
    void Layout(QWidget* templateList);

    THTMLabel* lblRecent = nullptr;
    QListWidget* lbxRecent = nullptr;

signals:
    // An entry was clicked, or Enter pressed on it (each entry's tool tip shows its folder).
    void OpenRequested(const QString& path);

private:
    void Open(const QListWidgetItem* item);
    void Store(const QStringList& files);
    void Refill();

    QWidget* FTemplateList = nullptr;
    int FTemplateListHeight = 0; // the template list's height before it was shared
};
