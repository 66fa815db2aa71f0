#include "editor/FontDlg.h"
#include "editor/TextLayer.h"
#include "common/WhenModal.h"

#include <QtWidgets>
#include <gtest/gtest.h>

// A new layer confirms its sample text and is drawn at once, turned, and so is an edit; a turn
// keeps the top-left corner and shows the layer 1:1 however it was stretched.
TEST(TextLayer, ConfirmAndEditDrawTurnedAndTurnsKeepTheCorner)
{
    TLayerCollection layers;
    auto* layer = layers.Add<TTextLayer>();
    layer->Bitmap().SetDrawMode(TDrawMode::dmBlend);
    layer->Rotation = 5; // one quarter clockwise after drawing
    WhenModal<TFontDlgFrm>([](TFontDlgFrm* dlg) {
        EXPECT_EQ(dlg->windowTitle(), "New Text Layer");
        dlg->btnOK->setEnabled(true); // before any paint: the preview has recorded no size yet
        dlg->btnOK->click();
    });
    ASSERT_TRUE(EditTextLayer(layer));
    EXPECT_EQ(layer->Lines, QStringList{"Type your text here"});
    EXPECT_EQ(layer->Bitmap().DrawMode(), TDrawMode::dmBlend);
    TTextParams params = *layer;
    params.Rotation = 0;
    TBitmap32 level;
    RenderTextBitmap(params, level);
    EXPECT_GT(level.Width(), level.Height());
    EXPECT_TRUE(layer->Bitmap().SamePixels(level.QuarterTurn(+1)));
    EXPECT_EQ(layer->Location().Width(), float(layer->Bitmap().Width()));

    layer->Rotation = 0;
    RenderTextBitmap(*layer, layer->Bitmap());
    layer->SetLocation({10.5f, 20.0f, 400.0f, 300.0f}); // stretched with the handles
    for (int turn : {+1, +1, -1})
        layer->AddRotation(turn);
    EXPECT_EQ(layer->Rotation, 1);
    layer->ApplyRotationAndSize();
    EXPECT_TRUE(layer->Bitmap().SamePixels(level.QuarterTurn(+1)));
    EXPECT_EQ(layer->Location(), (TFloatRect{10.5f, 20.0f, 10.5f + level.Height(), 20.0f + level.Width()}));

    const TBitmap32 before = layer->Bitmap();
    // (A cancelled edit is left alone: checked with the face editor's text tool.)
    WhenModal<TFontDlgFrm>([](TFontDlgFrm* dlg) {
        EXPECT_EQ(dlg->windowTitle(), "Edit Text Layer");
        dlg->memText->setPlainText("After, and a much longer text");
        dlg->btnOK->click();
    });
    ASSERT_TRUE(EditTextLayer(layer));
    EXPECT_GT(layer->Bitmap().Height(), before.Height()); // turned: the longer text is taller
    EXPECT_FALSE(EditTextLayer(nullptr));
}
