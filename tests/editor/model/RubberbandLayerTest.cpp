#include "LayerTestHost.h"
#include "raster/RubberbandLayer.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {
// Frame at control pixels 100..199 x 50..149 (right and bottom handles at 199 and 149).
struct FrameFixture : testing::Test {
    TRecordingHost host;
    TLayerCollection layers{&host};
    TBitmapLayer* child = layers.Add<TBitmapLayer>();
    TRubberbandLayer* frame = layers.Add<TRubberbandLayer>();
    FrameFixture()
    {
        child->SetScaled(true);
        child->SetLocation({100, 50, 200, 150});
        frame->SetChildLayer(child);
    }
    TRBDragState At(int x, int y) const { return frame->DragStateAt({x, y}, host.Mapping); }
};
} // namespace

TEST_F(FrameFixture, HandlesAreGrabbedWithinFourPixelsInTheirOrder)
{
    EXPECT_EQ(frame->Location(), child->Location());
    EXPECT_TRUE(frame->Scaled());

    EXPECT_EQ(At(199, 149), TRBDragState::SizeBR);
    EXPECT_EQ(At(203, 153), TRBDragState::SizeBR); // exactly 4 pixels beside
    EXPECT_EQ(At(204, 149), TRBDragState::None);   // 5 pixels: outside and no handle
    EXPECT_EQ(At(199, 154), TRBDragState::None);
    EXPECT_EQ(At(96, 46), TRBDragState::SizeTL);
    EXPECT_EQ(At(95, 50), TRBDragState::None);
    EXPECT_EQ(At(105, 55), TRBDragState::Move); // 5 pixels inside the corner: moves
    EXPECT_EQ(At(200, 99), TRBDragState::SizeR); // midpoints are integer halves: (50 + 149) / 2 = 99
    EXPECT_EQ(At(149, 153), TRBDragState::SizeB);
    EXPECT_EQ(At(100, 95), TRBDragState::SizeL);
    EXPECT_EQ(At(153, 46), TRBDragState::SizeT);
    EXPECT_EQ(At(150, 100), TRBDragState::Move);
    EXPECT_TRUE(frame->HitTest({203, 153}, host.Mapping));
    EXPECT_FALSE(frame->HitTest({204, 153}, host.Mapping));
    EXPECT_EQ(frame->CursorAt({199, 50}, host.Mapping), Qt::SizeBDiagCursor);
    EXPECT_EQ(frame->CursorAt({150, 100}, host.Mapping), Qt::SizeAllCursor);

    // On a tiny frame every handle is in reach; the corners are tried first, bottom-right first.
    child->SetLocation({10, 10, 13, 13});
    frame->SetChildLayer(nullptr);
    frame->SetChildLayer(child);
    EXPECT_EQ(At(11, 11), TRBDragState::SizeBR);
    EXPECT_EQ(At(7, 11), TRBDragState::SizeBL); // 5 left of the right edge, 4 of the left one
}

TEST_F(FrameFixture, DragsResizeTheChildAndKeepTheMinimumSize)
{
    frame->SetMinWidth(1.0f);
    frame->SetMinHeight(1.0f);
    frame->MouseDown(Qt::LeftButton, {199, 149});
    frame->MouseMove({219, 139});
    EXPECT_EQ(child->Location(), (TFloatRect{100, 50, 220, 140}));
    frame->MouseMove({0, 0}); // far past the opposite corner
    EXPECT_EQ(child->Location(), (TFloatRect{100, 50, 101, 51}));
    frame->MouseUp(Qt::LeftButton, {0, 0});
    EXPECT_FALSE(frame->Dragging());
    frame->MouseMove({50, 50}); // no button held: nothing changes
    EXPECT_EQ(child->Location(), (TFloatRect{100, 50, 101, 51}));

    // A side moves one edge; the default minimum is 10.
    child->SetLocation({100, 50, 200, 150});
    frame->SetChildLayer(nullptr);
    frame->SetChildLayer(child);
    frame->SetMinWidth(10.0f);
    frame->MouseDown(Qt::LeftButton, {100, 99});
    frame->MouseMove({400, 10});
    EXPECT_EQ(child->Location(), (TFloatRect{190, 50, 200, 150}));
    frame->MouseUp(Qt::LeftButton, {400, 10});

    // At zoom 2 a move of 10 control pixels is 5 image pixels; aspect ratio is not kept.
    host.Mapping.ScaleX = host.Mapping.ScaleY = 2.0;
    child->SetLocation({10, 10, 20, 20}); // control 20..39
    frame->SetChildLayer(nullptr);
    frame->SetChildLayer(child);
    frame->MouseDown(Qt::LeftButton, {30, 30});
    frame->MouseMove({40, 36});
    EXPECT_EQ(child->Location(), (TFloatRect{15, 13, 25, 23}));
    frame->MouseUp(Qt::LeftButton, {40, 36});
    frame->MouseDown(Qt::LeftButton, {49, 45}); // bottom-right of control 30..49 x 26..45
    frame->MouseMove({69, 45});
    EXPECT_EQ(child->Location(), (TFloatRect{15, 13, 35, 23}));

    // A right press does not drag.
    frame->MouseUp(Qt::LeftButton, {69, 45});
    frame->MouseDown(Qt::RightButton, {40, 36});
    frame->MouseMove({80, 80});
    EXPECT_EQ(child->Location(), (TFloatRect{15, 13, 35, 23}));
}

TEST_F(FrameFixture, FreeingTheChildUnbindsTheFrame)
{
    delete child;
    EXPECT_EQ(frame->ChildLayer(), nullptr);
    frame->SetLocation({0, 0, 30, 30}); // must not touch the freed layer
    EXPECT_EQ(layers.Count(), 1);

    // And freeing the frame first leaves the child without a dangling watcher.
    auto* other = layers.Add<TBitmapLayer>();
    frame->SetChildLayer(other);
    delete frame;
    delete other;
    EXPECT_EQ(layers.Count(), 0);
}

TEST_F(FrameFixture, PaintsDottedFrameAndHandles)
{
    QImage canvas(300, 200, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(qRgb(0, 128, 0));
    {
        QPainter p(&canvas);
        frame->Paint(p, host.Mapping, true);
    }
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    // Top side, away from handles: white, white, black, black from the left edge.
    EXPECT_EQ(canvas.pixel(120, 50), white);
    EXPECT_EQ(canvas.pixel(121, 50), white);
    EXPECT_EQ(canvas.pixel(122, 50), black);
    EXPECT_EQ(canvas.pixel(123, 50), black);
    EXPECT_EQ(canvas.pixel(124, 50), white);
    // Left side runs down the same way.
    EXPECT_EQ(canvas.pixel(100, 60), black);
    EXPECT_EQ(canvas.pixel(100, 62), white);
    EXPECT_EQ(canvas.pixel(100, 65), black);
    // Inside and outside stay untouched.
    EXPECT_EQ(canvas.pixel(120, 51), qRgb(0, 128, 0));
    EXPECT_EQ(canvas.pixel(120, 49), qRgb(0, 128, 0));
    // Bottom-right handle around (199, 149): pixels 196..201, black outline, white inside.
    EXPECT_EQ(canvas.pixel(196, 146), black);
    EXPECT_EQ(canvas.pixel(201, 151), black);
    EXPECT_EQ(canvas.pixel(197, 147), white);
    EXPECT_EQ(canvas.pixel(200, 150), white);
    EXPECT_EQ(canvas.pixel(202, 152), qRgb(0, 128, 0));
    // The right side's handle at (199, 99).
    EXPECT_EQ(canvas.pixel(198, 98), white);
    EXPECT_EQ(canvas.pixel(196, 96), black);

    // Its painted area covers the handles.
    EXPECT_TRUE(frame->PaintBounds(host.Mapping).contains(QRect(96, 46, 107, 107)));
}
