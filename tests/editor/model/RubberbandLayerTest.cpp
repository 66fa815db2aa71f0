#include "LayerTestHost.h"
#include "raster/RubberbandLayer.h"

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
    // Moves the child and binds the frame to it afresh.
    void Rebind(TFloatRect where)
    {
        child->SetLocation(where);
        frame->SetChildLayer(nullptr);
        frame->SetChildLayer(child);
    }
};
} // namespace

TEST_F(FrameFixture, HandlesAreGrabbedWithinFourPixelsInTheirOrder)
{
    using S = TRBDragState;
    // 4 pixels beside a handle still grab it, 5 do not; 5 pixels inside the corner move; the
    // midpoints are integer halves: (50 + 149) / 2 = 99.
    for (auto [x, y, state] : {std::tuple{199, 149, S::SizeBR}, {203, 153, S::SizeBR}, {204, 149, S::None},
                               {199, 154, S::None}, {96, 46, S::SizeTL}, {95, 50, S::None}, {105, 55, S::Move},
                               {200, 99, S::SizeR}, {149, 153, S::SizeB}, {100, 95, S::SizeL}, {153, 46, S::SizeT},
                               {150, 100, S::Move}})
        EXPECT_EQ(At(x, y), state) << x << "," << y;
    EXPECT_TRUE(frame->HitTest({203, 153}, host.Mapping));
    EXPECT_FALSE(frame->HitTest({204, 153}, host.Mapping));
    EXPECT_EQ(frame->CursorAt({199, 50}, host.Mapping), Qt::SizeBDiagCursor);
    EXPECT_EQ(frame->CursorAt({150, 100}, host.Mapping), Qt::SizeAllCursor);

    // On a tiny frame every handle is in reach; the corners are tried first, bottom-right first.
    Rebind({10, 10, 13, 13});
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
    Rebind({100, 50, 200, 150});
    frame->SetMinWidth(10.0f);
    frame->MouseDown(Qt::LeftButton, {100, 99});
    frame->MouseMove({400, 10});
    EXPECT_EQ(child->Location(), (TFloatRect{190, 50, 200, 150}));
    frame->MouseUp(Qt::LeftButton, {400, 10});

    // At zoom 2 a move of 10 control pixels is 5 image pixels; aspect ratio is not kept.
    host.Mapping.ScaleX = host.Mapping.ScaleY = 2.0;
    Rebind({10, 10, 20, 20}); // control 20..39
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
