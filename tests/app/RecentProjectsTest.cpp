// The start page's recent projects: each entry names its project, shows its folder as a tool
// tip and opens on a single click or Enter (a double-click opens it once, not twice).
#include "app/RecentProjects.h"

#include "templates/StoreFixture.h"

#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

using RecentProjectsTest = StoreFixture;

TEST_F(RecentProjectsTest, EntriesShowTheirFolderAndOpenOnOneClickOrEnter)
{
    QWidget page;
    page.resize(400, 400);
    auto* templates = new QListWidget(&page);
    templates->setGeometry(10, 10, 250, 300);
    TRecentProjects recent(&page);
    const QString shelf = FDir.filePath("covers/shelf.tavlo"), spring = FDir.filePath("old/spring.tavlo");
    recent.Add(spring);
    recent.Add(shelf);
    recent.Layout(templates);
    page.show();
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    QListWidget* list = recent.lbxRecent;
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(std::tuple(list->item(0)->text(), list->item(0)->toolTip(), list->item(1)->toolTip()),
              std::tuple(QString(" shelf"), QDir::toNativeSeparators(FDir.filePath("covers")),
                         QDir::toNativeSeparators(FDir.filePath("old"))));

    QSignalSpy opened(&recent, &TRecentProjects::OpenRequested);
    const QPoint second = list->visualItemRect(list->item(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(opened.size(), 1);
    // A double-click arrives as a click, a press and the double-click itself, then the release.
    const QPoint first = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(opened.size(), 2);
    list->setFocus();
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Return);
    // A right click opens nothing.
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, first);
    QStringList paths;
    for (const QList<QVariant>& signal : opened)
        paths << signal.at(0).toString();
    EXPECT_EQ(paths, QStringList({spring, shelf, spring}));
}
