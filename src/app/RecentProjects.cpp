#include "app/RecentProjects.h"

#include "ui/HTMLabel.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QSettings>
#include <QShortcut>

namespace {
const QString RecentKey = QStringLiteral("RecentProjects/Files");

QSettings UserSettings() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Velsor", "Tavlo Generator"); }
} // namespace

TRecentProjects::TRecentProjects(QWidget* page) : QObject(page)
{
    lblRecent = new THTMLabel(page);
    lblRecent->setObjectName("lblRecent");
    lblRecent->SetHtml(QStringLiteral("<B>Recent projects</b><hr>"));
    lbxRecent = new QListWidget(page);
    lbxRecent->setObjectName("lbxRecent");
    lbxRecent->setToolTip(QStringLiteral("Click or press Enter to open a project"));
    // Entries open like links, on one click of the left button; a double-click is that one click.
    connect(lbxRecent, &QListWidget::itemClicked, this, &TRecentProjects::Open);
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(key, lbxRecent, nullptr, nullptr, Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, [this] { Open(lbxRecent->currentItem()); });
    }
    Refill();
}

void TRecentProjects::Open(const QListWidgetItem* item)
{
    if (item)
        emit OpenRequested(item->data(Qt::UserRole).toString());
}

QStringList TRecentProjects::Files() const { return UserSettings().value(RecentKey).toStringList(); }

void TRecentProjects::Store(const QStringList& files)
{
    QSettings settings = UserSettings();
    settings.setValue(RecentKey, files.mid(0, MaxCount));
    settings.sync();
    Refill();
    if (FTemplateList)
        Layout(FTemplateList);
}

void TRecentProjects::Add(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = Files();
    files.removeAll(absolute);
    files.prepend(absolute);
    Store(files);
}

void TRecentProjects::Remove(const QString& path)
{
    QStringList files = Files();
    files.removeAll(QFileInfo(path).absoluteFilePath());
    Store(files);
}

void TRecentProjects::Refill()
{
    lbxRecent->clear();
    for (const QString& file : Files()) {
        auto* item = new QListWidgetItem(QLatin1Char(' ') + QFileInfo(file).completeBaseName(), lbxRecent);
        item->setData(Qt::UserRole, file);
        item->setToolTip(QDir::toNativeSeparators(QFileInfo(file).absolutePath()));
    }
}

void TRecentProjects::Layout(QWidget* templateList)
{
    if (FTemplateList != templateList) {
        FTemplateList = templateList;
        FTemplateListHeight = templateList->height();
    }
    const bool any = lbxRecent->count() > 0;
    lblRecent->setVisible(any);
    lbxRecent->setVisible(any);
    const QRect all(templateList->x(), templateList->y(), templateList->width(), FTemplateListHeight);
    if (!any) {
        templateList->setGeometry(all);
        return;
    }
    // The templates keep the upper part; the recent projects get up to eight rows below them.
    const int row = lbxRecent->sizeHintForRow(0) > 0 ? lbxRecent->sizeHintForRow(0) : lbxRecent->fontMetrics().height() + 2;
    const int labelHeight = lblRecent->sizeHint().height() > 0 ? lblRecent->sizeHint().height() : 24;
    const int listHeight = std::min(all.height() / 3, row * std::min(lbxRecent->count(), MaxCount) + 2 * lbxRecent->frameWidth() + 2);
    const int listTop = all.bottom() + 1 - listHeight;
    const int labelTop = listTop - labelHeight - 3;
    templateList->setGeometry(all.x(), all.y(), all.width(), std::max(0, labelTop - 8 - all.y()));
    lblRecent->setGeometry(all.x(), labelTop, all.width() + 30, labelHeight);
    lbxRecent->setGeometry(all.x(), listTop, all.width(), listHeight);
}
