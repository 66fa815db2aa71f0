// What `tavlo` tells its user: the picture formats every help text names are the ones read, a
// missing project says so, and `render --template` finds the samples on a first run.
#include "imageio/PictureFormats.h"
#include "render/HeadlessContext.h"
#include "templates/TemplateStore.h"
#include "common/RequireGL.h"
#include "common/RunTavlo.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The extensions the loader's table reads, as the help should name them: ".bmp", ".png", ...
QStringList TableExtensions()
{
    QStringList extensions;
    for (const TPictureFormat& f : PictureFormats().Readable())
        extensions << QLatin1Char('.') + f.Extension;
    extensions.removeDuplicates();
    extensions.sort();
    return extensions;
}

// The extensions of a text's "Pictures are read by their extension" line, sorted; empty without one.
QStringList ListedExtensions(const QString& text)
{
    const auto line = QRegularExpression(QStringLiteral("^Pictures are read by their extension \\(any case\\): (.*)\\.$"),
                                         QRegularExpression::MultilineOption)
                          .match(text);
    QStringList extensions = line.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    extensions.sort();
    return extensions;
}

std::string Joined(const QStringList& list) { return list.join(QLatin1Char(' ')).toStdString(); }

QString ReadText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// This process's settings folder moved while alive, so the test reads what `tavlo` wrote.
struct TSettingsFolder {
    const QByteArray Old = qgetenv("XDG_CONFIG_HOME");
    explicit TSettingsFolder(const QString& folder) { qputenv("XDG_CONFIG_HOME", folder.toUtf8()); }
    ~TSettingsFolder() { Old.isNull() ? void(qunsetenv("XDG_CONFIG_HOME")) : void(qputenv("XDG_CONFIG_HOME", Old)); }
};

// A user's environment of their own: settings in `config`, no display.
QProcessEnvironment UserEnvironment(const QString& config)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.remove(QStringLiteral("TAVLO_DATA_DIR"));
    return env;
}

} // namespace

TEST(CliMessages, EveryHelpTextNamesTheFormatsReadAndEachIsRead)
{
    const QStringList table = TableExtensions();
    for (const char* ext : {".png", ".tif", ".tiff", ".webp", ".bmp", ".jpg", ".gif"})
        ASSERT_TRUE(table.contains(QLatin1String(ext))) << ext;
    for (const QStringList& args : {QStringList{"--help"}, {"render", "--help"}, {"batch", "--help"},
                                    {"convert", "--help"}, {"atlas", "--help"}, {"help", "render"}}) {
        const TRun run = RunTavlo(args);
        EXPECT_EQ(run.Exit, 0) << args.join(' ').toStdString();
        EXPECT_EQ(Joined(ListedExtensions(run.Out)), Joined(table)) << args.join(' ').toStdString() << ":\n"
                                                                 << run.Out.toStdString();
        // No second, older list beside it.
        EXPECT_FALSE(run.Out.contains(QLatin1String("EMF, GIF, JPEG)"))) << run.Out.toStdString();
    }
    // Every picture column of a batch row is described where the faces are, the back cover too.
    const QString batch = RunTavlo({"batch", "--help"}).Out;
    const qsizetype from = batch.indexOf("project | template");
    const QString faces = batch.mid(from, batch.indexOf("Empty cells") - from);
    ASSERT_GE(from, 0) << batch.toStdString();
    for (const char* column : {"project", "template", "print-cover", "front", "side", "top", "back"})
        EXPECT_TRUE(faces.contains(QRegularExpression(QStringLiteral("\\b%1\\b").arg(column))))
            << column << " is not described in:\n" << faces.toStdString();
    // The manual pages carry the program's own line; the bash completion takes its patterns from it.
    const QString line = QRegularExpression(QStringLiteral("^Pictures are read.*$"), QRegularExpression::MultilineOption)
                             .match(RunTavlo({"--help"}).Out)
                             .captured(0);
    ASSERT_FALSE(line.isEmpty());
    for (const char* page : {"tavlo.1.in", "tavlo-generator.1.in"})
        EXPECT_TRUE(ReadText(QStringLiteral(TAVLO_PACKAGING_DIR "/man/") + QLatin1String(page)).contains(line))
            << page << " does not say: " << line.toStdString();
    QProcess bash;
    bash.start(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral("source '%1' && _tavlo_read_extensions '%2'")
                                                               .arg(QStringLiteral(TAVLO_PACKAGING_DIR "/tavlo.bash-completion"),
                                                                    QStringLiteral(TAVLO_CLI))});
    ASSERT_TRUE(bash.waitForFinished(10000)) << "bash did not finish reading the completion's patterns";
    QStringList completed = QString::fromUtf8(bash.readAllStandardOutput()).trimmed().split(QLatin1Char('|'));
    for (QString& ext : completed)
        ext.prepend(QLatin1Char('.'));
    completed.sort();
    EXPECT_EQ(Joined(completed), Joined(table));

    // Each listed format Qt can write is read back by `tavlo convert`, also in upper case.
    QTemporaryDir dir;
    QImage picture(7, 5, QImage::Format_RGB32);
    picture.fill(QColor(30, 120, 200));
    const QByteArrayList writable = QImageWriter::supportedImageFormats();
    int tried = 0;
    for (const QString& ext : table) {
        const QString bare = ext.mid(1);
        if (!writable.contains(bare.toLatin1()))
            continue; // GIF and the metafiles: their readers have tests of their own
        const QString in = dir.filePath(QStringLiteral("in%1").arg(tried % 2 ? ext.toUpper() : ext));
        ASSERT_TRUE(picture.save(in, bare.toLatin1().constData())) << in.toStdString();
        const QString out = dir.filePath(QStringLiteral("out%1.bmp").arg(tried++));
        const TRun run = RunTavlo({"convert", in, out});
        EXPECT_EQ(run.Exit, 0) << in.toStdString() << ": " << run.Err.toStdString();
        EXPECT_EQ(QImage(out).size(), picture.size()) << in.toStdString();
    }
    EXPECT_GE(tried, 7); // bmp, ico, jpeg, jpg, png, tif, tiff, webp as Debian's Qt writes them
}

TEST(CliMessages, AProjectThatIsNotThereOrIsAFolderSaysSo)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("shelf.tavlo")));
    const struct {
        const char* Name;
        const char* Says;
    } cases[] = {{"nope.tavlo", "nope.tavlo\r\nThis project cannot be opened: it does not exist.\n"},
                 {"shelf.tavlo", "shelf.tavlo\r\nThis project cannot be opened: it is a folder.\n"}};
    for (const auto& c : cases) {
        const TRun run = RunTavlo({"render", "--project", dir.filePath(QLatin1String(c.Name)), "-o", dir.filePath("x.png")});
        EXPECT_EQ(run.Exit, 1) << c.Name;
        EXPECT_EQ(run.Err, QStringLiteral("tavlo render: ") + QLatin1String(c.Says));
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("x.png")));
}

TEST(CliMessages, TemplateFindsTheSamplesOfAFirstStartOrSaysHowToGetSome)
{
    TAVLO_REQUIRE_GL(THeadlessContext().Ok(), "EGL surfaceless");
    QTemporaryDir dir;
    const QString samples = QStringLiteral(TAVLO_BUILD_DATA_DIR "/samples");
    const QStringList sampleNames = QDir(samples).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    ASSERT_TRUE(sampleNames.contains(QStringLiteral("Sample Book"))) << sampleNames.join(", ").toStdString();

    // A user who never started the window: the name (any case) finds the sample, with its type.
    const QProcessEnvironment fresh = UserEnvironment(dir.filePath("fresh"));
    TRun run = RunTavlo({"render", "--template", "SAMPLE book", "--size", "240x180", "-o", dir.filePath("t.png")}, fresh);
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    run = RunTavlo({"render", "--front", samples + "/Sample Book/front.jpg", "--side", samples + "/Sample Book/side.jpg",
                    "--type", "Book Cover", "--size", "240x180", "-o", dir.filePath("f.png")});
    ASSERT_EQ(run.Exit, 0) << run.Err.toStdString();
    EXPECT_EQ(QImage(dir.filePath("t.png")), QImage(dir.filePath("f.png"))) << "not the sample's faces and type";
    // As the window's first start leaves it: every sample stored, and offered only once.
    {
        const TSettingsFolder settings(dir.filePath("fresh"));
        TTemplateStore store;
        store.Open(QString());
        EXPECT_EQ(store.ListNames(), sampleNames);
        EXPECT_TRUE(store.HasNote(QStringLiteral("SamplesOffered")));
    }
    run = RunTavlo({"render", "--template", "Spring", "-o", dir.filePath("x.png")}, fresh);
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Err, QStringLiteral("tavlo render: There is no template \"Spring\". Stored templates: %1.\n")
                           .arg(sampleNames.join(QStringLiteral(", "))));

    // No samples where the data folder is: where they were looked for, and how to get templates.
    const QString how = QStringLiteral("Templates are made with \"Edit Templates...\" on Tavlo Generator's start page; "
                                       "--front and --side render face pictures without one.\n");
    QProcessEnvironment bare = UserEnvironment(dir.filePath("bare"));
    bare.insert(QStringLiteral("TAVLO_DATA_DIR"), dir.filePath("data"));
    run = RunTavlo({"render", "--template", "Sample Book", "-o", dir.filePath("x.png")}, bare);
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Err, QStringLiteral("tavlo render: There is no template \"Sample Book\" and none are stored: the sample "
                                      "templates are not in %1 (TAVLO_DATA_DIR can name the data folder that holds them). ")
                               .arg(dir.filePath("data/samples")) + how);
    // Samples deleted in the window stay deleted here too.
    {
        const TSettingsFolder settings(dir.filePath("fresh"));
        TTemplateStore store;
        store.Open(QString());
        for (const QString& name : sampleNames)
            store.DeleteTemplate(name);
        store.Close();
    }
    run = RunTavlo({"render", "--template", "Sample Book", "-o", dir.filePath("x.png")}, fresh);
    EXPECT_EQ(run.Exit, 1);
    EXPECT_EQ(run.Err, QStringLiteral("tavlo render: There is no template \"Sample Book\" and none are stored: the sample "
                                      "templates were deleted in Tavlo Generator. ") + how);
    EXPECT_FALSE(QFile::exists(dir.filePath("x.png")));
}
