#include "StoreFixture.h"

#include <QDir>

namespace {

const QString Front = "FrontImage", Side = "SideImage", Top = "TopImage";

std::string Message(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

} // namespace

using TemplateStoreTest = StoreFixture;

TEST_F(TemplateStoreTest, ListsTemplatesAlphabeticallyWithoutTheIgnoredKey)
{
    WriteSettingsFile("[Templates]\n"
                      "beta\\FrontImage=/b/front.jpg\n"
                      "TTemplateItem\\FrontImage=/x.jpg\n"
                      "Alpha\\FrontImage=/a/front.jpg\n"
                      "Alpha\\SideImage=/a/side.jpg\n"
                      "_under\\FrontImage=/u.jpg\n"
                      "Gamma\\SideImage=/g/side.jpg\n");
    auto store = OpenStore();
    EXPECT_TRUE(store->Problem().isEmpty());
    // Capitals order the names, as the registry sorts: '_' after the letters.
    EXPECT_EQ(store->ListNames(), QStringList({"Alpha", "beta", "Gamma", "_under"}));

    EXPECT_EQ(store->ReadValue("Alpha", Front), "/a/front.jpg");
    EXPECT_EQ(store->ReadValue("Alpha", Side), "/a/side.jpg");
    // A missing value reads as the default; reading does not disturb the next read.
    EXPECT_EQ(store->ReadValue("Alpha", Top), "");
    EXPECT_EQ(store->ReadValue("Alpha", Top, "dflt"), "dflt");
    EXPECT_EQ(store->ReadValue("Gamma", Front), "");
    // Key names compare without regard to case.
    EXPECT_EQ(store->ReadValue("BETA", Front), "/b/front.jpg");
    EXPECT_EQ(store->ReadValue("Nobody", Front), "");
}

TEST_F(TemplateStoreTest, EmptyOrMissingFileListsNothingAndWritesAFreshOne)
{
    {
        auto store = OpenStore();
        EXPECT_TRUE(store->ListNames().isEmpty());
        EXPECT_TRUE(store->Problem().isEmpty());
        store->WriteValue("First", Front, "");
        store->WriteValue("First", Side, "");
        store->WriteValue("First", Top, "");
        store->Close();
    }
    auto store = OpenStore();
    // A template added without images is stored with three empty values.
    EXPECT_EQ(store->ListNames(), QStringList({"First"}));
    QSettings raw(SettingsFile(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Templates/First/FrontImage").toString(), "");
    EXPECT_TRUE(raw.contains("Templates/First/TopImage"));
    // No stray temporary files are left beside it (the write replaces the file in one step).
    EXPECT_EQ(QDir(FDir.path() + "/Velsor").entryList(QDir::Files), QStringList({"Tavlo Generator.conf"}));
}

TEST_F(TemplateStoreTest, OddNamesRoundTripAsOneKeyEach)
{
    const QStringList names = {"a/b",          "back\\slash", "x=y",        "[Section]", "Ünïcödé 名前",
                               "  leading",    "trailing  ",  "50% off",    "%2F",       "semi;colon, comma",
                               "quote\"d #1",  "//",          "General",    "a\\b/c",    "tab\there"};
    {
        auto store = OpenStore();
        for (const QString& name : names) {
            store->WriteValue(name, Front, "/pictures/" + name + "/front.jpg");
            store->WriteValue(name, Side, "C:\\side, with comma.bmp");
        }
        store->Close();
    }
    auto store = OpenStore();
    QStringList listed = store->ListNames();
    QStringList expected = names;
    listed.sort();
    expected.sort();
    EXPECT_EQ(listed, expected);
    for (const QString& name : names) {
        EXPECT_EQ(store->ReadValue(name, Front), "/pictures/" + name + "/front.jpg") << name.toStdString();
        EXPECT_EQ(store->ReadValue(name, Side), "C:\\side, with comma.bmp") << name.toStdString();
    }
}

TEST_F(TemplateStoreTest, ValuesOfAnotherTypeAreRefusedButNeverLost)
{
    WriteSettingsFile("[Templates]\n"
                      "Listy\\FrontImage=one, two\n"
                      "Listy\\SideImage=/s.jpg\n"
                      "Bytes\\TopImage=@ByteArray(abc)\n");
    {
        auto store = OpenStore();
        EXPECT_EQ(Message([&] { store->ReadValue("Listy", Front); }), "Invalid data type for 'FrontImage'");
        EXPECT_EQ(Message([&] { store->ReadValue("Bytes", Top); }), "Invalid data type for 'TopImage'");
        // The failed read leaves the store usable.
        EXPECT_EQ(store->ReadValue("Listy", Side), "/s.jpg");
        // Writing no path over the unreadable value keeps it; a real path replaces it.
        store->WriteValue("Listy", Front, "");
        store->WriteValue("Bytes", Top, "/new/top.gif");
        store->Close();
    }
    QSettings raw(SettingsFile(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Templates/Listy/FrontImage").toStringList(), QStringList({"one", "two"}));
    EXPECT_EQ(raw.value("Templates/Bytes/TopImage").toString(), "/new/top.gif");
}

TEST_F(TemplateStoreTest, PathOfAMissingFileSurvivesTheExitWrite)
{
    WriteSettingsFile("[Templates]\n"
                      "Box\\FrontImage=/gone/front.jpg\n"
                      "Box\\SideImage=/gone/side.jpg\n"
                      "Box\\TopImage=\n");
    {
        auto store = OpenStore();
        // At exit the faces whose files were missing write no file name.
        store->WriteValue("Box", Front, "");
        store->WriteValue("Box", Side, "/here/side.png");
        store->WriteValue("Box", Top, "");
        store->Close();
    }
    auto store = OpenStore();
    EXPECT_EQ(store->ReadValue("Box", Front), "/gone/front.jpg");
    EXPECT_EQ(store->ReadValue("Box", Side), "/here/side.png");
    EXPECT_EQ(store->ReadValue("Box", Top), "");
}

TEST_F(TemplateStoreTest, RenamedTemplateLeavesNoOldKeyAndTakesItsStoredPaths)
{
    WriteSettingsFile("[Templates]\n"
                      "Old\\FrontImage=/gone/front.jpg\n"
                      "Old\\SideImage=/a/side.jpg\n"
                      "Case\\FrontImage=/c/front.jpg\n"
                      "Chain\\FrontImage=/chain/front.jpg\n"
                      "Other\\FrontImage=/o/front.jpg\n");
    {
        auto store = OpenStore();
        store->NoteRenamed("Old", "New");
        store->NoteRenamed("Case", "CASE");
        store->NoteRenamed("Chain", "Link");
        store->NoteRenamed("Link", "End");
        // The exit write, in the window's list order.
        store->WriteValue("New", Front, "");
        store->WriteValue("New", Side, "/b/side.jpg");
        store->WriteValue("New", Top, "");
        store->WriteValue("CASE", Front, "");
        store->WriteValue("End", Front, "");
        store->WriteValue("Other", Front, "");
        store->Close();
    }
    auto store = OpenStore();
    EXPECT_EQ(store->ListNames(), QStringList({"CASE", "End", "New", "Other"}));
    EXPECT_EQ(store->ReadValue("New", Front), "/gone/front.jpg");
    EXPECT_EQ(store->ReadValue("New", Side), "/b/side.jpg");
    EXPECT_EQ(store->ReadValue("CASE", Front), "/c/front.jpg");
    EXPECT_EQ(store->ReadValue("End", Front), "/chain/front.jpg");
    EXPECT_EQ(store->ReadValue("Other", Front), "/o/front.jpg");
}

TEST_F(TemplateStoreTest, RenamedBackAndAddedUnderTheOldNameKeepsBoth)
{
    WriteSettingsFile("[Templates]\n"
                      "A\\FrontImage=/a.jpg\n");
    {
        auto store = OpenStore();
        store->NoteRenamed("A", "B");
        // A new template is added under the freed name "A"; it reads the old key's paths.
        EXPECT_EQ(store->ReadValue("A", Front), "/a.jpg");
        store->WriteValue("A", Front, "/a2.jpg"); // added templates are written first
        store->WriteValue("B", Front, "");
        store->Close();
    }
    auto store = OpenStore();
    EXPECT_EQ(store->ListNames(), QStringList({"A", "B"}));
    EXPECT_EQ(store->ReadValue("A", Front), "/a2.jpg");
    EXPECT_EQ(store->ReadValue("B", Front), "/a.jpg");
}

TEST_F(TemplateStoreTest, DeletedTemplatesGoUnlessAddedAgain)
{
    WriteSettingsFile("[Templates]\n"
                      "Gone\\FrontImage=/g.jpg\n"
                      "Again\\FrontImage=/old.jpg\n"
                      "AgainLater\\FrontImage=/old2.jpg\n"
                      "Kept\\FrontImage=/k.jpg\n");
    {
        auto store = OpenStore();
        // The new "Again" is written before the deleted one asks to remove its key...
        store->WriteValue("again", Front, "/new.jpg");
        store->DeleteTemplate("Again");
        // ... and the other way round.
        store->DeleteTemplate("AgainLater");
        store->WriteValue("AgainLater", Front, "/new2.jpg");
        store->DeleteTemplate("GONE");
        store->DeleteTemplate("Never there");
        store->WriteValue("Kept", Front, "");
        store->Close();
    }
    auto store = OpenStore();
    EXPECT_EQ(store->ListNames(), QStringList({"again", "AgainLater", "Kept"}));
    EXPECT_EQ(store->ReadValue("again", Front), "/new.jpg");
    EXPECT_EQ(store->ReadValue("AgainLater", Front), "/new2.jpg");
    EXPECT_EQ(store->ReadValue("Kept", Front), "/k.jpg");
}

TEST_F(TemplateStoreTest, NamesDifferingOnlyInCaseKeepTheirOwnKeys)
{
    // Only a hand-edited file can hold these; neither may be lost or mixed up.
    WriteSettingsFile("[Templates]\n"
                      "Foo\\FrontImage=/lower.jpg\n"
                      "FOO\\FrontImage=/upper.jpg\n");
    {
        auto store = OpenStore();
        EXPECT_EQ(store->ListNames().size(), 2);
        EXPECT_EQ(store->ReadValue("Foo", Front), "/lower.jpg");
        EXPECT_EQ(store->ReadValue("FOO", Front), "/upper.jpg");
        store->WriteValue("Foo", Front, "");
        store->WriteValue("FOO", Front, "/upper2.jpg");
        store->Close();
    }
    auto store = OpenStore();
    EXPECT_EQ(store->ReadValue("Foo", Front), "/lower.jpg");
    EXPECT_EQ(store->ReadValue("FOO", Front), "/upper2.jpg");
}

TEST_F(TemplateStoreTest, DamagedFileIsReportedAndLeftAsItWas)
{
    const QList<QByteArray> damaged = {
        QByteArray("[Templates]\nBox\\FrontImage=/f.jpg\n\0\x01\x02 binary tail", 40),
        QByteArray("[Templates]\nBox\\FrontImage=/caf\xe9.jpg\n"), // not UTF-8
        QByteArray("[Templates\nBox\\FrontImage=/f.jpg\n"),        // broken section
    };
    for (const QByteArray& content : damaged) {
        WriteSettingsFile(content);
        {
            auto store = OpenStore();
            EXPECT_TRUE(store->Problem().contains("The settings file is damaged or cannot be read"));
            EXPECT_TRUE(store->Problem().startsWith(QDir::toNativeSeparators(SettingsFile())));
            store->ReadValue("Box", Front);
            store->ReadValue("New one", Front);
            store->WriteValue("Box", Front, "/other.jpg");
            store->WriteValue("New one", Front, "/n.jpg");
            store->DeleteTemplate("Box");
            EXPECT_NO_THROW(store->Close());
        }
        EXPECT_EQ(ReadSettingsFile(), content);
    }
}

TEST_F(TemplateStoreTest, UnreadableFileIsReportedAndLeftInPlace)
{
    QDir().mkpath(SettingsFile()); // a folder where the file should be
    {
        auto store = OpenStore();
        EXPECT_FALSE(store->Problem().isEmpty());
        EXPECT_TRUE(store->ListNames().isEmpty());
        store->WriteValue("Box", Front, "/f.jpg");
        EXPECT_NO_THROW(store->Close());
    }
    EXPECT_TRUE(QFileInfo(SettingsFile()).isDir());
}

TEST_F(TemplateStoreTest, WriteToAnImpossibleFileFails)
{
    // The settings folder cannot be made: a plain file stands where it should be.
    QFile blocker(FDir.path() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, blocker.fileName());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, blocker.fileName());
    auto store = OpenStore();
    EXPECT_EQ(Message([&] { store->WriteValue("Box", Side, "/s.jpg"); }), "Failed to set data for 'SideImage'");
    EXPECT_NO_THROW(store->Close());
}
