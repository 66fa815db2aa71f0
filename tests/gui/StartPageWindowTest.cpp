// The start page inside the main window: templates read at start-up, applied, and written back
// when the window goes away.
#include "app/FrameFrm.h"
#include "app/StartPage.h"
#include "cover/BookCover.h"
#include "render/D3DWin.h"
#include "ui/MsgBox.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class StartPageWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, FDir.path() + "/config");
        SetMessageHandler([this](const TMessageRequest& request) {
            FMessages << request.Text;
            return int(mrNo);
        });
        QImage front(100, 140, QImage::Format_RGB32), side(24, 140, QImage::Format_RGB32);
        front.fill(Qt::darkGreen);
        side.fill(Qt::yellow);
        FFront = FDir.path() + "/front.bmp";
        FSide = FDir.path() + "/side.bmp";
        ASSERT_TRUE(front.save(FFront, "BMP") && side.save(FSide, "BMP"));
    }
    void TearDown() override { SetMessageHandler({}); }

    QString SettingsFile() const { return FDir.path() + "/config/Velsor/Tavlo Generator.conf"; }
    void WriteSettings(const QString& text) const
    {
        QDir().mkpath(FDir.path() + "/config/Velsor");
        QFile file(SettingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    QTemporaryDir FDir;
    QString FFront, FSide;
    QStringList FMessages;
};

} // namespace

TEST_F(StartPageWindowTest, AppliesTheFirstCompleteTemplateAndWritesTheStoreBackAtExit)
{
    WriteSettings(QString("[Templates]\n"
                          "Aardvark\\FrontImage=/gone/front.jpg\nAardvark\\SideImage=%2\n"
                          "Box\\FrontImage=%1\nBox\\SideImage=%2\nBox\\TopImage=\n")
                      .arg(FFront, FSide));
    {
        TExperChild window;
        ASSERT_NE(window.StartPage(), nullptr);
        EXPECT_EQ(window.lbxCollection->count(), 6);
        EXPECT_EQ(window.lbxCollection->item(5)->text(), " Box");
        ASSERT_NE(window.Cover(), nullptr);
        EXPECT_EQ(window.Cover()->Name, "Box");
        EXPECT_EQ(window.lbxCollection->currentRow(), 5);
        if (window.GLReady()) {
            EXPECT_TRUE(window.btnNext->isEnabled());
            EXPECT_TRUE(window.StartPage()->PreviewShown());
        }
        // The type chosen here is the final page's type.
        window.cmbStartType->setCurrentIndex(6);
        EXPECT_EQ(window.cmbFinalType->currentIndex(), 6);
        // A separator: no Next, no type.
        window.lbxCollection->setCurrentRow(3);
        EXPECT_FALSE(window.btnNext->isEnabled());
        EXPECT_FALSE(window.cmbStartType->isEnabled());
        EXPECT_EQ(window.Cover()->Name, "Box");
    }
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join(" | ").toStdString();
    QSettings stored(SettingsFile(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("Templates/Box/FrontImage").toString(), FFront);
    // The missing file's path was kept through the exit write.
    EXPECT_EQ(stored.value("Templates/Aardvark/FrontImage").toString(), "/gone/front.jpg");
    EXPECT_EQ(stored.value("Templates/Aardvark/SideImage").toString(), FSide);
}

TEST_F(StartPageWindowTest, DamagedSettingsAreReportedOnceAndLeftAlone)
{
    const QByteArray damaged("[Templates]\nBox\\FrontImage=/f.jpg\n\0\0garbage", 42);
    QDir().mkpath(FDir.path() + "/config/Velsor");
    {
        QFile file(SettingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }
    {
        TExperChild window;
        EXPECT_EQ(FMessages.size(), 1);
        EXPECT_TRUE(FMessages.value(0).contains("The settings file is damaged or cannot be read"));
    }
    EXPECT_EQ(FMessages.size(), 1);
    QFile file(SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), damaged);
}
