#include "StoreFixture.h"
#include "common/ThrownMessage.h"

namespace {

const QString Front = "FrontImage", Side = "SideImage", Top = "TopImage";

// The values of `key` for the given templates, in that order.
QStringList Values(TTemplateStore& store, const QStringList& names, const QString& key = Front)
{
    QStringList values;
    for (const QString& name : names)
        values << store.ReadValue(name, key);
    return values;
}

} // namespace

using TemplateStoreTest = StoreFixture;

TEST_F(TemplateStoreTest, ListsTemplatesAlphabeticallyWithoutTheIgnoredKey)
{
    WriteSettingsFile("[Templates]\nbeta\\FrontImage=/b/front.jpg\nTTemplateItem\\FrontImage=/x.jpg\n"
                      "Alpha\\FrontImage=/a/front.jpg\nAlpha\\SideImage=/a/side.jpg\n_under\\FrontImage=/u.jpg\n"
                      "Gamma\\SideImage=/g/side.jpg\n");
    auto store = OpenStore();
    EXPECT_TRUE(store->Problem().isEmpty());
    // Capitals order the names, as the registry sorts: '_' after the letters.
    EXPECT_EQ(store->ListNames(), QStringList({"Alpha", "beta", "Gamma", "_under"}));
    // A missing value reads as the default; key names compare without regard to case.
    EXPECT_EQ(Values(*store, {"Alpha", "Gamma", "BETA", "Nobody"}), QStringList({"/a/front.jpg", "", "/b/front.jpg", ""}));
    EXPECT_EQ(Values(*store, {"Alpha", "Alpha"}, Side), QStringList({"/a/side.jpg", "/a/side.jpg"}));
    EXPECT_EQ(store->ReadValue("Alpha", Top, "dflt"), "dflt");
}

TEST_F(TemplateStoreTest, EmptyOrMissingFileListsNothingAndWritesAFreshOne)
{
    auto store = AfterSession([](TTemplateStore& s) {
        EXPECT_TRUE(s.ListNames().isEmpty());
        EXPECT_TRUE(s.Problem().isEmpty());
        for (const QString& key : {Front, Side, Top})
            s.WriteValue("First", key, "");
    });
    // A template added without images is stored with three empty values.
    EXPECT_EQ(store->ListNames(), QStringList({"First"}));
    QSettings raw(SettingsFile(), QSettings::IniFormat);
    EXPECT_TRUE(raw.contains("Templates/First/TopImage"));
    // No stray temporary files are left beside it (the write replaces the file in one step).
    EXPECT_EQ(QDir(FDir.path() + "/Velsor").entryList(QDir::Files), QStringList({"Tavlo Generator.conf"}));
}

TEST_F(TemplateStoreTest, OddNamesRoundTripAsOneKeyEach)
{
    const QStringList names = {"a/b", "back\\slash", "x=y", "[Section]", "Ünïcödé 名前", "  leading", "trailing  ", "50% off",
                               "%2F", "semi;colon, comma", "quote\"d #1", "//", "General", "a\\b/c", "tab\there"};
    auto store = AfterSession([&](TTemplateStore& s) {
        for (const QString& name : names) {
            s.WriteValue(name, Front, "/pictures/" + name + "/front.jpg");
            s.WriteValue(name, Side, "C:\\side, with comma.bmp");
        }
    });
    QStringList listed = store->ListNames(), expected = names;
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
    WriteSettingsFile("[Templates]\nListy\\FrontImage=one, two\nListy\\SideImage=/s.jpg\nBytes\\TopImage=@ByteArray(abc)\n");
    AfterSession([](TTemplateStore& s) {
        EXPECT_EQ(ThrownMessage([&] { s.ReadValue("Listy", Front); }), "Invalid data type for 'FrontImage'");
        EXPECT_EQ(ThrownMessage([&] { s.ReadValue("Bytes", Top); }), "Invalid data type for 'TopImage'");
        EXPECT_EQ(s.ReadValue("Listy", Side), "/s.jpg"); // the failed read leaves the store usable
        // Writing no path over the unreadable value keeps it; a real path replaces it.
        s.WriteValue("Listy", Front, "");
        s.WriteValue("Bytes", Top, "/new/top.gif");
    });
    QSettings raw(SettingsFile(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Templates/Listy/FrontImage").toStringList(), QStringList({"one", "two"}));
    EXPECT_EQ(raw.value("Templates/Bytes/TopImage").toString(), "/new/top.gif");
}

// The exit write of one session (in the window's list order) and what the next start reads.
TEST_F(TemplateStoreTest, ExitWriteKeepsPathsFollowsRenamesAndDeletes)
{
    struct Case {
        const char* what;
        QByteArray file;
        std::function<void(TTemplateStore&)> session;
        QStringList names;                   // listed afterwards
        QList<QStringList> values;           // {template, value name, value} read afterwards
    };
    const Case cases[] = {
        {"missing files write no name, so the stored path stays",
         "[Templates]\nBox\\FrontImage=/gone/front.jpg\nBox\\SideImage=/gone/side.jpg\n",
         [](TTemplateStore& s) {
             s.WriteValue("Box", Front, "");
             s.WriteValue("Box", Side, "/here/side.png");
         },
         {"Box"}, {{"Box", Front, "/gone/front.jpg"}, {"Box", Side, "/here/side.png"}}},
        {"a renamed template leaves no old key and takes its stored paths",
         "[Templates]\nOld\\FrontImage=/gone/front.jpg\nOld\\SideImage=/a/side.jpg\nCase\\FrontImage=/c/front.jpg\n"
         "Chain\\FrontImage=/chain/front.jpg\nOther\\FrontImage=/o/front.jpg\n",
         [](TTemplateStore& s) {
             s.NoteRenamed("Old", "New");
             s.NoteRenamed("Case", "CASE");
             s.NoteRenamed("Chain", "Link");
             s.NoteRenamed("Link", "End");
             s.WriteValue("New", Front, "");
             s.WriteValue("New", Side, "/b/side.jpg");
             for (const char* name : {"CASE", "End", "Other"})
                 s.WriteValue(name, Front, "");
         },
         {"CASE", "End", "New", "Other"},
         {{"New", Front, "/gone/front.jpg"}, {"New", Side, "/b/side.jpg"}, {"CASE", Front, "/c/front.jpg"},
          {"End", Front, "/chain/front.jpg"}, {"Other", Front, "/o/front.jpg"}}},
        {"renamed away and added again under the old name keeps both",
         "[Templates]\nA\\FrontImage=/a.jpg\n",
         [](TTemplateStore& s) {
             s.NoteRenamed("A", "B");
             EXPECT_EQ(s.ReadValue("A", Front), "/a.jpg"); // the new "A" reads the old key's paths
             s.WriteValue("A", Front, "/a2.jpg");          // added templates are written first
             s.WriteValue("B", Front, "");
         },
         {"A", "B"}, {{"A", Front, "/a2.jpg"}, {"B", Front, "/a.jpg"}}},
        {"deleted templates go unless added again, in either order",
         "[Templates]\nGone\\FrontImage=/g.jpg\nAgain\\FrontImage=/old.jpg\nAgainLater\\FrontImage=/old2.jpg\n"
         "Kept\\FrontImage=/k.jpg\n",
         [](TTemplateStore& s) {
             s.WriteValue("again", Front, "/new.jpg");
             s.DeleteTemplate("Again");
             s.DeleteTemplate("AgainLater");
             s.WriteValue("AgainLater", Front, "/new2.jpg");
             s.DeleteTemplate("GONE");
             s.DeleteTemplate("Never there");
             s.WriteValue("Kept", Front, "");
         },
         {"again", "AgainLater", "Kept"},
         {{"again", Front, "/new.jpg"}, {"AgainLater", Front, "/new2.jpg"}, {"Kept", Front, "/k.jpg"}}},
        {"names differing only in case (a hand-edited file) keep their own keys",
         "[Templates]\nFoo\\FrontImage=/lower.jpg\nFOO\\FrontImage=/upper.jpg\n",
         [](TTemplateStore& s) {
             EXPECT_EQ(s.ListNames().size(), 2);
             EXPECT_EQ(Values(s, {"Foo", "FOO"}), QStringList({"/lower.jpg", "/upper.jpg"}));
             s.WriteValue("Foo", Front, "");
             s.WriteValue("FOO", Front, "/upper2.jpg");
         },
         {}, {{"Foo", Front, "/lower.jpg"}, {"FOO", Front, "/upper2.jpg"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteSettingsFile(c.file);
        auto store = AfterSession(c.session);
        if (!c.names.isEmpty()) {
            EXPECT_EQ(store->ListNames(), c.names);
        }
        for (const QStringList& v : c.values)
            EXPECT_EQ(store->ReadValue(v[0], v[1]), v[2]) << v[0].toStdString() << " " << v[1].toStdString();
    }
}

TEST_F(TemplateStoreTest, DamagedOrUnreadableFileIsReportedAndLeftAsItWas)
{
    const QList<QByteArray> damaged = {
        QByteArray("[Templates]\nBox\\FrontImage=/f.jpg\n\0\x01\x02 binary tail", 40),
        QByteArray("[Templates]\nBox\\FrontImage=/caf\xe9.jpg\n"), // not UTF-8
        QByteArray("[Templates\nBox\\FrontImage=/f.jpg\n"),        // broken section
    };
    for (const QByteArray& content : damaged) {
        WriteSettingsFile(content);
        auto store = OpenStore();
        EXPECT_TRUE(store->Problem().startsWith(QDir::toNativeSeparators(SettingsFile()))
                    && store->Problem().contains("The settings file is damaged or cannot be read")) << store->Problem().toStdString();
        store->ReadValue("Box", Front);
        store->ReadValue("New one", Front);
        store->WriteValue("Box", Front, "/other.jpg");
        store->WriteValue("New one", Front, "/n.jpg");
        store->DeleteTemplate("Box");
        EXPECT_NO_THROW(store->Close());
        EXPECT_EQ(ReadSettingsFile(), content);
    }

    QFile::remove(SettingsFile());
    QDir().mkpath(SettingsFile()); // a folder where the file should be
    auto store = OpenStore();
    EXPECT_FALSE(store->Problem().isEmpty());
    EXPECT_TRUE(store->ListNames().isEmpty());
    store->WriteValue("Box", Front, "/f.jpg");
    EXPECT_NO_THROW(store->Close());
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
    EXPECT_EQ(ThrownMessage([&] { store->WriteValue("Box", Side, "/s.jpg"); }), "Failed to set data for 'SideImage'");
    EXPECT_NO_THROW(store->Close());
}
