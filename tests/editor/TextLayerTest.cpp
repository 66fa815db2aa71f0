#include "editor/FontDlg.h"
#include "editor/TextLayer.h"

#include <QApplication>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs action on the text dialog once it is open modally.
void WhenDialogOpens(std::function<void(TFontDlgFrm&)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto* dlg = qobject_cast<TFontDlgFrm*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(*dlg);
        }
    });
    timer->start();
}

} // namespace

TEST(TextLayer, NewLayerHasTheDefaults)
{
    TLayerCollection layers;
    auto* layer = layers.Add<TTextLayer>();
    EXPECT_EQ(layers.Count(), 1);
    EXPECT_FALSE(layer->Shadow);
    EXPECT_FALSE(layer->Bevel);
    EXPECT_EQ(layer->PosX, 6);
    EXPECT_EQ(layer->PosY, 6);
    EXPECT_EQ(layer->PosAlpha, 90);
    EXPECT_EQ(layer->Alpha, 255);
    EXPECT_EQ(layer->Quality, 0);
    EXPECT_EQ(layer->Rotation, 0);
    EXPECT_TRUE(layer->Lines.isEmpty());
    EXPECT_TRUE(layer->Bitmap().Empty());
    // The main window's Arial bold 9 points, enlarged to (9 + 1) x 2, in the highlight colour.
    EXPECT_EQ(layer->Font.PointSize(), 20);
    EXPECT_TRUE(layer->Font.Bold);
    EXPECT_EQ(ColorOfRef(layer->Font.Color).rgb(), QGuiApplication::palette().color(QPalette::Highlight).rgb());
}

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
