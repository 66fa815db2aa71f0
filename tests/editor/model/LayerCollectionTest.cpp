#include "LayerTestHost.h"
#include "raster/Layers.h"

#include <gtest/gtest.h>

namespace {
// A bitmap layer that reports its own destruction.
class TTrackedLayer : public TBitmapLayer {
public:
    TTrackedLayer(TLayerCollection& owner, int* freed) : TBitmapLayer(owner), FFreed(freed) {}
    ~TTrackedLayer() override { ++*FFreed; }

private:
    int* FFreed;
};

} // namespace

TEST(LayerCollection, MoveToAppendsThereAndFreeingLeavesTheCollection)
{
    int freed = 0;
    TLayerCollection view, store;
    auto* a = view.Add<TTrackedLayer>(&freed);
    auto* b = view.Add<TTrackedLayer>(&freed);
    store.Add<TTrackedLayer>(&freed);
    a->MoveTo(store);
    EXPECT_EQ(view.Count(), 1);
    EXPECT_EQ(&a->Collection(), &store);
    EXPECT_EQ(store.Items(1), a);
    delete b;
    EXPECT_EQ(std::pair(freed, view.Count()), std::pair(1, 0));
    store.Clear();
    EXPECT_EQ(std::pair(freed, store.Count()), std::pair(3, 0));
    {
        TLayerCollection scoped;
        scoped.Add<TTrackedLayer>(&freed);
        scoped.Add<TTrackedLayer>(&freed);
    }
    EXPECT_EQ(freed, 5); // a collection frees its layers with it
}

// (Which areas a change repaints shows in the view, whose kept picture must equal a fresh one.)
TEST(LayerCollection, ReportsALayerLeavingToTheHost)
{
    TRecordingHost host;
    TLayerCollection c(&host), other;
    auto* layer = c.Add<TBitmapLayer>();
    // Reported so the view can drop it (e.g. its mouse capture).
    layer->MoveTo(other);
    EXPECT_EQ(host.Removed, std::vector<TCustomLayer*>{layer});
}

TEST(LayerCollection, TopmostLayerTakingPressesIsHitAnywhereInItsRectangle)
{
    TLayerCollection c;
    auto* low = AddColourLayer(c, {0, 0, 100, 100});
    auto* high = AddColourLayer(c, {50, 50, 150, 150}, 100, 100); // fully transparent: still hit
    EXPECT_EQ(c.FindLayerAt({60, 60}), high);
    EXPECT_EQ(c.FindLayerAt({10, 10}), low);
    EXPECT_EQ(c.FindLayerAt({149, 149}), high);
    EXPECT_EQ(c.FindLayerAt({150, 150}), nullptr); // right and bottom edges are outside
    high->SetMouseEvents(false);
    EXPECT_EQ(c.FindLayerAt({60, 60}), low);
    low->SetVisible(false);
    EXPECT_EQ(c.FindLayerAt({60, 60}), nullptr);

    TCustomLayer* sender = nullptr;
    high->OnMouseDown = [&](TCustomLayer& s, Qt::MouseButton, QPoint) { sender = &s; };
    high->MouseDown(Qt::LeftButton, {60, 60});
    EXPECT_EQ(sender, high);
}

TEST(FlattenLayers, CompositesAtScaleOneAndCutsOffWhatLiesOutside)
{
    TRecordingHost host;
    host.Mapping.ScaleX = host.Mapping.ScaleY = 3.5; // the view's zoom must not matter
    host.Mapping.OffsetX = 40;
    TLayerCollection c(&host);
    TBitmap32 base(20, 10);
    base.Clear(Color32(0, 0, 255));
    auto* half = AddColourLayer(c, {15, 2, 25, 6}, 10, 4, Color32(255, 0, 0)); // right half outside the face
    AddColourLayer(c, {0, 0, 4, 4}, 1, 1, Color32(0, 255, 0, 128));           // stretched 1x1 -> 4x4

    TBitmap32 flat;
    FlattenLayers(base, c, flat);
    ASSERT_EQ(flat.Size(), QSize(20, 10));
    for (auto [x, y, c] : {std::tuple{15, 2, Color32(255, 0, 0)}, {19, 5, Color32(255, 0, 0)}, {14, 2, Color32(0, 0, 255)},
                           {19, 6, Color32(0, 0, 255)}, {4, 4, Color32(0, 0, 255)}})
        EXPECT_EQ(flat.Pixel(x, y), c) << x << "," << y;
    const TColor32 mixed = flat.Pixel(3, 3); // half green over blue
    EXPECT_EQ(AlphaOf(mixed), 255);
    EXPECT_NEAR(GreenOf(mixed), 128, 2);
    EXPECT_NEAR(BlueOf(mixed), 127, 2);

    half->SetVisible(false); // invisible layers stay out
    FlattenLayers(base, c, flat);
    EXPECT_EQ(flat.Pixel(15, 2), Color32(0, 0, 255));
}
