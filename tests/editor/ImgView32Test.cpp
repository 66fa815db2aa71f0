#include "editor/ImgView32.h"
#include "raster/RubberbandLayer.h"
#include "common/TestBitmaps.h"
#include "editor/model/LayerTestHost.h"

#include <QtWidgets>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {
struct ViewFixture : testing::Test {
    TImgView32 view;
    ViewFixture()
    {
        view.resize(300, 200);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    TBitmapLayer* AddLayer(TFloatRect where, TColor32 color, int w = 10, int h = 10)
    {
        return AddColourLayer(view.Layers(), where, w, h, color);
    }
    QRgb At(int x, int y)
    {
        view.RenderPending();
        return view.Buffer().pixel(x, y);
    }
};

const QRgb Grey = qRgb(176, 176, 176), White = qRgb(255, 255, 255), Red = qRgb(255, 0, 0);
} // namespace

TEST_F(ViewFixture, CheckerboardAndCentredBaseImage)
{
    ASSERT_EQ(view.viewport()->size(), QSize(300, 200)); // no scroll bars while everything fits
    for (auto [x, y, colour] : {std::tuple{0, 0, Grey}, {7, 7, Grey}, {8, 0, White}, {0, 8, White}, {8, 8, Grey}, {17, 9, White}})
        EXPECT_EQ(At(x, y), colour) << x << "," << y;

    view.SetBitmap(Filled(50, 40, Color32(255, 0, 0)));
    EXPECT_EQ(view.ImageRect(), QRect(125, 80, 50, 40));
    EXPECT_EQ(std::pair(At(125, 80), At(174, 119)), std::pair(Red, Red));
    EXPECT_EQ(At(124, 80), At(124 - 16, 80)); // checkerboard around it
    EXPECT_EQ(view.ControlToBitmap(QPointF(135, 90)), QPointF(10, 10));

    // Where the face picture is clear (a PNG's transparency), the checkerboard shows through.
    TBitmap32 clearCorner = Filled(50, 40, Color32(255, 0, 0));
    clearCorner.FillRect(QRect(0, 0, 20, 20), Color32(255, 0, 0, 0));
    view.SetBitmap(clearCorner);
    EXPECT_EQ(std::pair(At(125, 80), At(135, 90)), std::pair(At(125 - 16, 80), At(135 - 16, 90)));
    EXPECT_EQ(At(150, 110), Red);
}

TEST_F(ViewFixture, FrameDragMovesTheChildAndRepaintsOnlyWhatChanged)
{
    view.SetBitmap(Filled(250, 180, Color32(20, 40, 60)));
    const QPoint origin = view.ImageRect().topLeft();
    for (int i = 0; i < 6; ++i)
        AddLayer({float(10 * i), float(5 * i), float(10 * i + 40), float(5 * i + 30)},
                 Color32(40 * i, 255 - 30 * i, 100, 160), 40, 30);
    auto* child = AddLayer({100, 100, 130, 120}, Color32(255, 0, 0), 30, 20);
    auto* frame = view.Layers().Add<TRubberbandLayer>();
    frame->SetChildLayer(child);
    child->OnMouseDown = [](TCustomLayer&, Qt::MouseButton, QPoint) {};

    view.RenderPending();
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, origin + QPoint(110, 110));
    for (int step = 1; step <= 5; ++step)
        QTest::mouseMove(view.viewport(), origin + QPoint(110 - 7 * step, 110 - 9 * step));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, origin + QPoint(75, 65));
    EXPECT_EQ(child->Location(), (TFloatRect{65, 55, 95, 75}));
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::SizeAllCursor);

    // The incrementally kept picture equals one composed from scratch.
    view.RenderPending();
    const QImage incremental = view.Buffer().copy();
    view.BitmapChanged();
    view.RenderPending();
    EXPECT_EQ(incremental, view.Buffer());
}

TEST_F(ViewFixture, OversizedFacesAreRefusedAndTheWidestStaysUsable)
{
    // The bitmap refuses a face beyond its limit and the view stays usable.
    EXPECT_THROW(view.Bitmap().SetSize(16384, 16384), std::runtime_error);
    view.BitmapChanged();
    view.Bitmap().SetSize(16384, 8);
    view.Bitmap().Clear(Color32(0, 0, 255));
    view.BitmapChanged();
    view.SetScale(10.0);
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    view.viewport()->repaint();
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 163840 - view.viewport()->width());
    EXPECT_EQ(view.ControlToBitmap(QPointF(view.viewport()->width(), 0)).x(), 16384.0);
}
