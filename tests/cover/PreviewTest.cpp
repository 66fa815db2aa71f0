#include "cover/BookCover.h"
#include "cover/Preview.h"
#include "RecordingCoverView.h"
#include "common/TestBitmaps.h"
#include "common/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class Preview : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    TBookCover Cover{TBookCover::KindTemplate, QString()};
    QList<TBookType> FlatCalls;
    const TBitmap32* FlatTop = nullptr;

    QString Save(const QString& name, QSize size, QColor colour) { return SavePicture(Dir.filePath(name), size, colour); }
    // Stands in for the renderer's flat drawing: a picture for types 0 and 1 only.
    TFlatDrawing Flat()
    {
        return [this](TBookType type, const TBitmap32& front, const TBitmap32& side, const TBitmap32* top) {
            FlatCalls << type;
            FlatTop = top;
            if (type > btThreeSidedBox)
                return std::unique_ptr<TBitmap32>();
            return std::make_unique<TBitmap32>(front.Width() + side.Width(), front.Height());
        };
    }
};
} // namespace

TEST_F(Preview, ComposesTheOriginalFilesIntoTheView)
{
    Cover.SetFaceFiles("T", Save("f.bmp", {40, 60}, Qt::red), Save("s.bmp", {10, 60}, Qt::green),
                       Save("t.bmp", {40, 10}, Qt::blue));
    // The working copy is not what the preview shows.
    TBitmap32 edited(4, 4);
    Cover.Faces[0].StoreBitmap(edited);

    TRecordingCoverView view;
    TBitmap32 picture;
    EXPECT_TRUE(RenderPreview(Cover, picture, btTwoSidedBox, &view, Flat()));
    ASSERT_TRUE(view.Atlas);
    EXPECT_EQ(view.Atlas->Size(), QSize(50, 70));
    EXPECT_EQ(view.Atlas->Pixel(30, 5), Color32(0, 0, 255)); // the top file
    EXPECT_EQ(view.Atlas->Pixel(30, 40), Color32(255, 0, 0)); // the front file, not the working copy
    EXPECT_TRUE(FlatCalls.isEmpty());

    // Paged types never decode the top: the page block shows.
    EXPECT_TRUE(RenderPreview(Cover, picture, btBookCover, &view, Flat()));
    EXPECT_EQ(view.Atlas->Pixel(30, 5), Color32(255, 255, 255));
}

TEST_F(Preview, FlatDrawingWithoutAViewAndUndecodableFaces)
{
    Cover.SetFaceFiles("T", Save("f.bmp", {40, 60}, Qt::red), Save("s.bmp", {10, 60}, Qt::green), QString());
    TBitmap32 picture(1, 1);
    EXPECT_TRUE(RenderPreview(Cover, picture, btThreeSidedBox, nullptr, Flat()));
    EXPECT_EQ(picture.Size(), QSize(50, 60));
    EXPECT_EQ(FlatTop, nullptr); // no top file: none passed

    EXPECT_FALSE(RenderPreview(Cover, picture, btBookCover, nullptr, Flat()));
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(FlatCalls, (QList<TBookType>{btThreeSidedBox, btBookCover}));
    EXPECT_FALSE(RenderPreview(Cover, picture, btTwoSidedBox, nullptr, TFlatDrawing()));

    // A front that is present yet does not decode makes no picture, with or without a view.
    Cover.SetFaceFiles("T", WriteFile(Dir.filePath("bad.jpg"), "not a jpeg at all"), QString(), QString());
    ASSERT_TRUE(Cover.IsComplete());
    TRecordingCoverView view;
    picture = Filled(3, 3, 0);
    EXPECT_FALSE(RenderPreview(Cover, picture, btTwoSidedBox, &view, Flat()));
    EXPECT_EQ(view.ShowCount, 0);
    EXPECT_FALSE(RenderPreview(Cover, picture, btTwoSidedBox, nullptr, Flat()));
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(FlatCalls.size(), 2); // the two calls above only
}
