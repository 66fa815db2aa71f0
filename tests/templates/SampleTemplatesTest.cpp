// The sample templates a first start gets, with their cover types, and the types added once to
// samples an earlier version stored without them.
#include "StoreFixture.h"

#include "cover/BookCover.h"
#include "templates/SampleTemplates.h"

namespace {

const QString Samples = QStringLiteral(TAVLO_SAMPLES_DIR);

QString SampleFace(const QString& sample, const QString& face) { return Samples + "/" + sample + "/" + face + ".svg"; }

// The type each template's cover document reads, by name ("-" for none).
QStringList StoredTypes(TTemplateStore& store)
{
    QStringList types;
    for (const QString& name : store.ListNames()) {
        const TBookCover cover(TBookCover::KindTemplate, name, &store);
        types << name + ": " + (cover.StoredType ? BookTypeName(*cover.StoredType) : QStringLiteral("-"));
    }
    return types;
}

} // namespace

using SampleTemplatesTest = StoreFixture;

TEST_F(SampleTemplatesTest, AFirstStartGetsTheSamplesWithTheirTypesOnce)
{
    QStringList added;
    auto store = AfterSession([&](TTemplateStore& s) { added = AddSampleTemplatesOnce(s, Samples); });
    EXPECT_EQ(added, QStringList({"Sample Book", "Sample CD", "Sample Software Box"}));
    EXPECT_EQ(StoredTypes(*store),
              QStringList({"Sample Book: Book Cover", "Sample CD: CD Cover", "Sample Software Box: Three Sided Box"}));
    {
        // Stored as one more string value beside the paths, which is all an earlier version reads.
        QSettings raw(SettingsFile(), QSettings::IniFormat);
        EXPECT_EQ(std::tuple(raw.value("Templates/Sample Book/BookType").toString(),
                             raw.value("Templates/Sample Book/FrontImage").toString(),
                             raw.value("Templates/Sample Software Box/TopImage").toString()),
                  std::tuple(QString("Book Cover"), SampleFace("Sample Book", "front"), SampleFace("Sample Software Box", "top")));
        // The user clears a type and deletes a sample: neither comes back.
        raw.remove("Templates/Sample Book/BookType");
        raw.remove("Templates/Sample CD");
    }
    store = AfterSession([&](TTemplateStore& s) { added = AddSampleTemplatesOnce(s, Samples); });
    EXPECT_TRUE(added.isEmpty());
    EXPECT_EQ(StoredTypes(*store), QStringList({"Sample Book: -", "Sample Software Box: Three Sided Box"}));
}

TEST_F(SampleTemplatesTest, SamplesOfAnEarlierVersionGetTheirTypeOnce)
{
    // As an earlier version left them: the samples offered, no types; the user's own templates
    // beside them, one re-using the CD's pictures under another name.
    const QString front = SampleFace("Sample Book", "front"), side = SampleFace("Sample Book", "side");
    WriteSettingsText(QString("[Notes]\nSamplesOffered=1\n[Templates]\n"
                              "Sample%20Book\\FrontImage=%1\nSample%20Book\\SideImage=%2\n"
                              "My%20CD\\FrontImage=%3\nMy%20CD\\SideImage=%4\n"
                              "Own\\FrontImage=/mine/front.jpg\nOwn\\SideImage=%2\n"
                              "Typed\\FrontImage=%1\nTyped\\SideImage=%2\nTyped\\BookType=Wide Box\n"
                              "Odd\\FrontImage=%1\nOdd\\SideImage=%2\nOdd\\BookType=a, b\n")
                          .arg(front, side, SampleFace("Sample CD", "front"), SampleFace("Sample CD", "side")));
    QStringList added{"not called"};
    auto store = AfterSession([&](TTemplateStore& s) {
        // Without the samples folder nothing can be matched: asked again at a later start.
        EXPECT_TRUE(AddSampleTemplatesOnce(s, FDir.path() + "/no samples").isEmpty());
        added = AddSampleTemplatesOnce(s, Samples);
    });
    EXPECT_TRUE(added.isEmpty()); // no samples are added again
    // (Odd's list value is no type this version reads, and it stays as it was.)
    EXPECT_EQ(StoredTypes(*store),
              QStringList({"My CD: CD Cover", "Odd: -", "Own: -", "Sample Book: Book Cover", "Typed: Wide Box"}));
    {
        QSettings raw(SettingsFile(), QSettings::IniFormat);
        EXPECT_EQ(raw.value("Templates/Odd/BookType").toStringList(), QStringList({"a", "b"}));
        raw.remove("Templates/My CD/BookType");
    }
    store = AfterSession([&](TTemplateStore& s) { AddSampleTemplatesOnce(s, Samples); });
    EXPECT_EQ(StoredTypes(*store).first(), "My CD: -");
}
