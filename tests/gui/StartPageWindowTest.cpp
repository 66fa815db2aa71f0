// The start page inside the main window: the samples a first start gets (that they come only once
// is the sample templates' own test), a damaged store, the about box.
#include "TavloVersion.h"
#include "app/AboutDlg.h"
#include "app/FrameFrm.h"
#include "app/StartPage.h"
#include "common/MessageLog.h"
#include "common/WhenModal.h"
#include "templates/StoreFixture.h"
#include "cover/BookCover.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

class StartPageWindowTest : public StoreFixture {
protected:
    StartPageWindowTest() { FLog.Answer = mrNo; }
    TMessageLog FLog;
};

} // namespace

TEST_F(StartPageWindowTest, DamagedSettingsAreReportedOnceAndLeftAlone)
{
    const QByteArray damaged("[Templates]\nBox\\FrontImage=/f.jpg\n\0\0garbage", 42);
    WriteSettingsFile(damaged);
    {
        TExperChild window;
        EXPECT_EQ(FLog.Asked.size(), 1u); // at start-up
    }
    ASSERT_EQ(FLog.Asked.size(), 1u); // not again at exit
    EXPECT_TRUE(FLog.Asked[0].Text.contains("The settings file is damaged or cannot be read"));
    EXPECT_EQ(ReadSettingsFile(), damaged);
}

TEST_F(StartPageWindowTest, AFirstStartListsTheSamplesCompleteAndPreviewed)
{
    qputenv("TAVLO_DATA_DIR", TAVLO_BUILD_DATA_DIR);
    {
        TExperChild window;
        const QStringList expected{" Sample Book", " Sample CD", " Sample Software Box"};
        ASSERT_EQ(window.lbxCollection->count(), 4 + expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            window.lbxCollection->setCurrentRow(4 + i);
            ASSERT_NE(window.Cover(), nullptr);
            // Listed, complete, previewed where OpenGL is; only the box has a top.
            EXPECT_EQ(std::tuple(window.lbxCollection->item(4 + i)->text(), window.Cover()->IsComplete(),
                                 !window.GLReady() || window.StartPage()->PreviewShown(), window.Cover()->Faces[2].HasImage()),
                      std::tuple(expected[i], true, true, i == 2));
        }
    }
    EXPECT_TRUE(FLog.Asked.empty()) << FLog.Texts().join(" | ").toStdString();
    qunsetenv("TAVLO_DATA_DIR");
}

TEST_F(StartPageWindowTest, AboutShowsTheVersionLicenceAndLibraries)
{
    TExperChild window;
    ASSERT_TRUE(window.btnAbout->isVisible());
    QString version, libraries, licence;
    WhenModal<TAboutFrm>([&](TAboutFrm* about) {
        version = about->findChild<QLabel*>("lblVersion")->text();
        libraries = about->findChild<QLabel*>("lblLibraries")->text();
        licence = about->findChild<QPlainTextEdit*>("memLicence")->toPlainText();
        about->reject();
    });
    window.btnAbout->click();
    EXPECT_TRUE(version.endsWith("Version " TAVLO_VERSION)) << version.toStdString();
    EXPECT_TRUE(libraries.contains("Qt " + QString(qVersion())) && libraries.contains("libjpeg-turbo 2."))
        << libraries.toStdString();
    EXPECT_EQ(libraries.contains("Mesa"), window.GLReady()) << libraries.toStdString();
    EXPECT_TRUE(licence.startsWith("MIT License"));
}
