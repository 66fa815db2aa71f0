#include "cover/BookCover.h"
#include "cover/ITemplateStore.h"
#include "cover/MissingFile.h"
#include "common/TestBitmaps.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>
#include <stdexcept>
#include <type_traits>

// The window keeps copies of cover documents.
static_assert(std::is_copy_constructible_v<TBookCover> && std::is_copy_assignable_v<TBookCover>);

namespace {
// Collects missing-file messages for the life of a test.
class TReports {
public:
    QStringList Messages;
    TReports()
    {
        FPrevious = SetMissingFileReporter([this](const QString& m) { Messages << m; });
    }
    ~TReports() { SetMissingFileReporter(FPrevious); }

private:
    TMissingFileReporter FPrevious;
};

// Templates in memory, keyed "template/value"; a value that is not a string cannot be read, as in
// the settings file.
class TMemoryStore : public ITemplateStore {
public:
    QMap<QString, QVariant> Values;
    QStringList Deleted;

    QString ReadValue(const QString& name, const QString& value, const QString& defaultValue) override
    {
        const QVariant v = Values.value(name + '/' + value);
        if (v.isValid() && v.typeId() != QMetaType::QString)
            throw std::runtime_error("Invalid data type for '" + value.toStdString() + "'");
        return v.toString().isEmpty() ? defaultValue : v.toString();
    }
    void WriteValue(const QString& name, const QString& value, const QString& text) override
    {
        Values[name + '/' + value] = text;
    }
    void DeleteValue(const QString& name, const QString& value) override { Values.remove(name + '/' + value); }
    void DeleteTemplate(const QString& name) override { Deleted << name; }
};

class CoverDocument : public ::testing::Test {
protected:
    QTemporaryDir Dir;

    QString Path(const QString& name) const { return Dir.filePath(name); }
    // Writes a picture file through Qt's own encoders (format from the extension).
    QString Save(const QString& name, QColor colour, const char* format)
    {
        return SavePicture(Path(name), {16, 12}, colour, format);
    }
};
} // namespace

TEST_F(CoverDocument, FilesLoadWithTheKindOfTheirExtension)
{
    // An unknown extension holds the bytes (the face counts as present) but decodes to nothing;
    // garbage behind a known extension does not decode either, and says nothing.
    const struct {
        QString Path;
        PictureKind Kind;
        TColor32 Centre; // 0: does not decode
    } cases[] = {
        {Save("front.jpeg", QColor(200, 30, 30), "JPEG"), PictureKind::Jpeg, Color32(200, 30, 30)},
        {Save("top.png", Qt::blue, "PNG"), PictureKind::Png, Color32(0, 0, 255)},
        {WriteFile(Path("side.xyz"), QByteArray(100, 'x')), PictureKind::None, 0},
        {WriteFile(Path("broken.bmp"), QByteArray("BM not really a bitmap")), PictureKind::Bitmap, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path.toStdString());
        TImageInfo face(0);
        face.LoadFromFile(c.Path, true);
        const auto picture = face.GetGraphic(true);
        EXPECT_EQ(std::tuple(face.HasImage(), face.OriginalKind, face.CurrentKind, bool(picture)),
                  std::tuple(true, c.Kind, c.Kind, c.Centre != 0));
        if (picture) { // the whole picture, within the encoder's loss (0 when the size is wrong)
            EXPECT_GT(Psnr(*picture, Filled(16, 12, c.Centre)), 35.0);
        }
    }
}

TEST_F(CoverDocument, MissingFilesAreReportedOnlyWhenAsked)
{
    TReports reports;
    TImageInfo face(0);
    face.LoadFromFile(Save("keep.bmp", Qt::green, "BMP"), true);
    const QByteArray before = face.Original;

    face.LoadFromFile(Path("sub/Front-Cover_ä.jpg"), true);
    face.LoadFromFile(Path("gone.bmp"), false);
    face.LoadFromFile(QString(), true);
    face.LoadFromFile(Dir.path(), true); // a folder is no file
    EXPECT_EQ(reports.Messages, QStringList({QString::fromUtf8("FRONT-COVER_ä.JPG\r\nThe required file cannot be found."),
                                             QDir(Dir.path()).dirName().toUpper() + "\r\nThe required file cannot be found."}));
    EXPECT_EQ(std::pair(face.Original, face.FileName), std::pair(before, Path("keep.bmp"))); // unchanged
}

TEST_F(CoverDocument, WorkingCopyStoreRevertClear)
{
    TImageInfo face(0);
    face.LoadFromFile(Save("front.jpg", QColor(10, 20, 30), "JPEG"), true);
    ASSERT_EQ(face.OriginalKind, PictureKind::Jpeg);

    TBitmap32 edited(5, 3);
    edited.Clear(Color32(1, 2, 3, 255));
    edited.SetPixel(4, 0, Color32(250, 128, 7, 77)); // alpha survives the BMP file image
    face.StoreBitmap(edited);
    EXPECT_EQ(std::tuple(face.CurrentKind, face.OriginalKind, face.Current.left(2)),
              std::tuple(PictureKind::Bitmap, PictureKind::Jpeg, QByteArray("BM")));
    const auto working = face.GetGraphic(false);
    ASSERT_TRUE(working);
    EXPECT_TRUE(working->SamePixels(edited));

    face.Revert();
    EXPECT_TRUE(face.Current == face.Original && face.CurrentKind == PictureKind::Jpeg);

    face.ClearCurrent();
    EXPECT_TRUE(face.Current.isEmpty() && face.CurrentKind == PictureKind::None);
    EXPECT_TRUE(face.HasImage()); // the original stays
    EXPECT_FALSE(face.GetGraphic(false));
    face.StoreBitmap(edited);
    face.StoreBitmap(TBitmap32()); // nothing to store: no working copy
    EXPECT_EQ(face.CurrentKind, PictureKind::None);
}

TEST_F(CoverDocument, CompletenessAndDecodingFaces)
{
    TReports reports;
    TBookCover cover(TBookCover::KindTemplate, QString());
    cover.SetFaceFiles("Fresh", Save("f.bmp", Qt::red, "BMP"), Path("nowhere.bmp"), QString());
    EXPECT_EQ(cover.Name, "Fresh");
    EXPECT_EQ(reports.Messages, QStringList{"NOWHERE.BMP\r\nThe required file cannot be found."});
    EXPECT_FALSE(cover.IsComplete());

    // A side with only a working image is not enough.
    cover.Faces[1].LoadFile(Save("s.bmp", Qt::green, "BMP"), false);
    EXPECT_FALSE(cover.IsComplete());
    ASSERT_TRUE(cover.FaceAsBitmap(0));
    EXPECT_FALSE(cover.FaceAsBitmap(1)); // no original
    EXPECT_FALSE(cover.FaceAsBitmap(7) || cover.Face(3) || cover.Face(-1));

    cover.SetFaceFiles(QString(), Path("f.bmp"), Path("s.bmp"), QString());
    EXPECT_EQ(cover.Name, "Fresh");
    EXPECT_TRUE(cover.IsComplete());

    // LoadFaceInto decodes the working bytes and keeps the target's draw mode.
    TBitmap32 target(3, 3);
    target.SetDrawMode(TDrawMode::dmBlend);
    cover.LoadFaceInto(&target, 1);
    EXPECT_EQ(std::tuple(target.Size(), target.Pixel(0, 0), target.DrawMode()),
              std::tuple(QSize(16, 12), Color32(0, 255, 0), TDrawMode::dmBlend));
    cover.LoadFaceInto(&target, 2); // nothing to decode: emptied
    EXPECT_TRUE(target.Empty());
    cover.LoadFaceInto(nullptr, 0);
}

TEST_F(CoverDocument, StoredTypeIsReadWithTheFacesAndWrittenBackOnlyWhenSet)
{
    const QString front = Save("front.bmp", Qt::red, "BMP");
    TMemoryStore store;
    for (const char* name : {"Book", "Plain", "Later", "Number", "Listy"})
        store.Values[QString(name) + "/FrontImage"] = front;
    store.Values["Book/BookType"] = "Book Cover";
    store.Values["Later/BookType"] = "Hardcover"; // a type of a later version
    store.Values["Number/BookType"] = " cd COVER ";
    store.Values["Listy/BookType"] = QStringList{"a", "b"};

    struct Case {
        const char* name;
        std::optional<TBookType> type;
    };
    std::vector<TBookCover> covers;
    for (const Case& c : {Case{"Book", btBookCover}, Case{"Plain", std::nullopt}, Case{"Later", std::nullopt},
                          Case{"Number", btCDCover}, Case{"Listy", std::nullopt}}) {
        covers.emplace_back(TBookCover::KindTemplate, c.name, &store);
        // The faces load whatever the type value holds; the document's own type is untouched.
        EXPECT_EQ(std::tuple(covers.back().StoredType, covers.back().Faces[0].FileName, covers.back().BookType),
                  std::tuple(c.type, front, btTwoSidedBox)) << c.name;
    }
    const TBookCover copy = covers[0];
    EXPECT_EQ(copy.StoredType, std::optional(btBookCover));

    // Cleared by the user: removed. Never had one: none written. Unreadable: left as it was.
    covers[0].StoredType.reset();
    covers[3].StoredType = btThreeSidedBox;
    for (TBookCover& cover : covers)
        cover.SaveFaces();
    EXPECT_FALSE(store.Values.contains("Book/BookType") || store.Values.contains("Plain/BookType"));
    EXPECT_EQ(std::tuple(store.Values["Later/BookType"], store.Values["Number/BookType"], store.Values["Listy/BookType"]),
              std::tuple(QVariant("Hardcover"), QVariant("Three Sided Box"), QVariant(QStringList{"a", "b"})));
    EXPECT_EQ(store.Values["Plain/FrontImage"], QVariant(front));

    // A type set on a later version's value replaces it; the entries that store nothing write none.
    covers[2].StoredType = btWideBox;
    covers[2].SaveFaces();
    EXPECT_EQ(store.Values["Later/BookType"], QVariant("Wide Box"));
    const qsizetype before = store.Values.size();
    TBookCover blank(TBookCover::KindNone, QString(), &store), deleted(TBookCover::KindTemplate, "Book", &store);
    blank.StoredType = deleted.StoredType = btCDCover;
    deleted.Deleted = true;
    blank.SaveFaces();
    deleted.SaveFaces();
    EXPECT_EQ(std::pair(store.Values.size(), store.Deleted), std::pair(before, QStringList{"Book"}));
}
