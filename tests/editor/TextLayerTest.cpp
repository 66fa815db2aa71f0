#include "editor/FontDlg.h"
#include "editor/TextLayer.h"
#include "common/WhenModal.h"

#include <QtWidgets>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs action on the text dialog once it is open modally.
void WhenDialogOpens(std::function<void(TFontDlgFrm&)> action)
{
    WhenModal<TFontDlgFrm>([action](TFontDlgFrm* dlg) { action(*dlg); });
}

} // namespace

TEST(TextLayer, RotationKeepsTheTopLeftCornerAtOneToOne)
{
    TLayerCollection layers;
    auto* layer = layers.Add<TTextLayer>();
    layer->Lines = {"Turn me"};
    RenderTextBitmap(*layer, layer->Bitmap());
    const TBitmap32 level = layer->Bitmap();
    layer->SetLocation({10.5f, 20.0f, 400.0f, 300.0f}); // stretched with the handles
    layer->AddRotation(+1);
    layer->AddRotation(+1);
    layer->AddRotation(-1);
    EXPECT_EQ(layer->Rotation, 1);
    layer->ApplyRotationAndSize();
    EXPECT_TRUE(layer->Bitmap().SamePixels(level.QuarterTurn(+1)));
    EXPECT_EQ(layer->Location(), (TFloatRect{10.5f, 20.0f, 10.5f + level.Height(), 20.0f + level.Width()}));
}

TEST(TextLayer, ConfirmingANewLayerAtOnceDrawsIt)
{
    TLayerCollection layers;
    auto* layer = layers.Add<TTextLayer>();
    layer->Bitmap().SetDrawMode(TDrawMode::dmBlend);
    layer->Rotation = 5; // one quarter clockwise after drawing
    WhenDialogOpens([](TFontDlgFrm& dlg) {
        EXPECT_EQ(dlg.windowTitle(), "New Text Layer");
        dlg.btnOK->setEnabled(true); // before any paint: the preview has recorded no size yet
        dlg.btnOK->click();
    });
    ASSERT_TRUE(EditTextLayer(layer));
    EXPECT_EQ(layer->Lines, QStringList{"Type your text here"});
    ASSERT_FALSE(layer->Bitmap().Empty());
    EXPECT_GT(layer->Bitmap().Height(), layer->Bitmap().Width()); // turned upright
    EXPECT_EQ(layer->Bitmap().DrawMode(), TDrawMode::dmBlend);

    TTextParams level = *layer;
    level.Rotation = 0;
    TBitmap32 expected;
    RenderTextBitmap(level, expected);
    EXPECT_TRUE(layer->Bitmap().SamePixels(expected.QuarterTurn(+1)));
    EXPECT_EQ(layer->Location().Width(), float(layer->Bitmap().Width()));
}

TEST(TextLayer, EditingChangesTheLayerOnlyOnOk)
{
    TLayerCollection layers;
    auto* layer = layers.Add<TTextLayer>();
    layer->Lines = {"Before"};
    RenderTextBitmap(*layer, layer->Bitmap());
    const TBitmap32 before = layer->Bitmap();

    WhenDialogOpens([](TFontDlgFrm& dlg) {
        EXPECT_EQ(dlg.windowTitle(), "Edit Text Layer");
        dlg.memText->setPlainText("After, and longer");
        QTest::keyClick(dlg.memText, Qt::Key_Escape);
    });
    EXPECT_FALSE(EditTextLayer(layer));
    EXPECT_EQ(layer->Lines, QStringList{"Before"});
    EXPECT_TRUE(layer->Bitmap().SamePixels(before));

    WhenDialogOpens([](TFontDlgFrm& dlg) {
        dlg.memText->setPlainText("After, and longer");
        dlg.btnOK->click();
    });
    EXPECT_TRUE(EditTextLayer(layer));
    EXPECT_EQ(layer->Lines, QStringList{"After, and longer"});
    EXPECT_GT(layer->Bitmap().Width(), before.Width());
    EXPECT_FALSE(EditTextLayer(nullptr));
}
