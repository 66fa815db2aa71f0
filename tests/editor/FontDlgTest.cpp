#include "editor/FontDlg.h"
#include "editor/UpDown.h"

#include <QtWidgets>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TTextParams ExistingLayer()
{
    TTextParams p;
    p.Font.Name = "Arial";
    p.Font.SetPointSize(20);
    p.Font.Color = 0x0000FF00; // green
    p.Lines = {"Hello", "World"};
    return p;
}

// Shows the dialog non-modally (the same set-up as the modal run) and waits for its first paint.
void ShowAndPaint(TFontDlgFrm& dlg)
{
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.DrawReady(); }));
}

} // namespace

TEST(FontDlg, NewLayerOpensWithItsTextSelectedAndTheShadowFieldsOff)
{
    TTextParams layer; // a new text layer's values, no text yet
    TFontDlgFrm dlg;
    dlg.LoadFromLayer(layer);
    EXPECT_EQ(dlg.windowTitle(), "New Text Layer");
    EXPECT_EQ(layer.Lines, QStringList{"Type your text here"});
    EXPECT_EQ(dlg.memText->textCursor().selectedText(), "Type your text here");
    EXPECT_FALSE(dlg.edtPosX->isEnabled() || dlg.udPosY->isEnabled() || dlg.edtAlpha->isEnabled());
    EXPECT_FALSE(dlg.DrawReady()); // the first paint clears the preview only
    // OK sits left of Cancel at the dialog's right edge, inside it.
    EXPECT_EQ(dlg.btnOK->x() + dlg.btnOK->width() + 10, dlg.btnCancel->x());
    EXPECT_LE(dlg.btnCancel->x() + dlg.btnCancel->width(), dlg.width());
}

TEST(FontDlg, ExistingLayerDrawsOnTheFirstPaint)
{
    TTextParams layer = ExistingLayer();
    TFontDlgFrm dlg;
    dlg.LoadFromLayer(layer);
    EXPECT_EQ(dlg.windowTitle(), "Edit Text Layer");
    EXPECT_TRUE(dlg.DrawReady());
    EXPECT_EQ(dlg.memText->textCursor().selectedText(), "Hello");
    ShowAndPaint(dlg);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.TextSize().width() > 0; }));
    EXPECT_TRUE(dlg.btnOK->isEnabled());

    // The preview shows the text on the window colour.
    const QImage shot = dlg.pbxText->grab().toImage();
    bool green = false;
    for (int y = 0; y < shot.height() && !green; ++y)
        for (int x = 0; x < shot.width() && !green; ++x)
            green = shot.pixelColor(x, y) == QColor(0, 255, 0);
    EXPECT_TRUE(green);
}

TEST(FontDlg, PreviewIsBlackBehindWhiteText)
{
    TTextParams layer = ExistingLayer();
    layer.Font.Color = 0x00FFFFFF;
    TFontDlgFrm dlg;
    dlg.LoadFromLayer(layer);
    ShowAndPaint(dlg);
    const QImage shot = dlg.pbxText->grab().toImage();
    EXPECT_EQ(shot.pixelColor(1, 1), QColor(0, 0, 0));
    EXPECT_EQ(shot.pixelColor(shot.width() - 2, shot.height() - 2), QColor(0, 0, 0));
}

TEST(FontDlg, OkFollowsTheValidation)
{
    TTextParams layer = ExistingLayer();
    TFontDlgFrm dlg;
    dlg.LoadFromLayer(layer);
    ShowAndPaint(dlg);
    EXPECT_TRUE(dlg.btnOK->isEnabled());

    dlg.memText->setPlainText(" \t\n ");
    EXPECT_FALSE(dlg.btnOK->isEnabled());
    dlg.memText->setPlainText("x");
    EXPECT_TRUE(dlg.btnOK->isEnabled());

    dlg.edtPosX->clear(); // shadow off: the field does not count
    EXPECT_TRUE(dlg.btnOK->isEnabled());
    dlg.cbxShadow->click();
    EXPECT_FALSE(dlg.btnOK->isEnabled());
    EXPECT_TRUE(dlg.edtPosX->isEnabled());
    dlg.edtPosX->setText(" 12 ");
    EXPECT_TRUE(dlg.btnOK->isEnabled());
    dlg.edtAlpha->setText("9a");
    EXPECT_FALSE(dlg.btnOK->isEnabled());
    dlg.edtAlpha->setText("-5");
    EXPECT_TRUE(dlg.btnOK->isEnabled());
}

TEST(FontDlg, OffsetRangesDeriveFromTheStoredXOffset)
{
    struct Case { int posX, min, max; };
    for (const Case& c : {Case{0, 0, 0}, Case{10, -10, 100}, Case{6, -6, 60}, Case{-6, -60, 6}}) {
        TTextParams layer = ExistingLayer();
        layer.PosX = c.posX;
        layer.PosY = 3;
        TFontDlgFrm dlg;
        dlg.LoadFromLayer(layer);
        EXPECT_EQ(dlg.udPosX->Minimum(), c.min) << c.posX;
        EXPECT_EQ(dlg.udPosX->Maximum(), c.max) << c.posX;
        EXPECT_EQ(dlg.udPosY->Minimum(), c.min) << c.posX;
        EXPECT_EQ(dlg.udPosY->Maximum(), c.max) << c.posX;
        // The stored Y offset is kept even where the arrows could not reach it.
        EXPECT_EQ(dlg.CurrentParams().PosY, 3);
    }

    // The arrows stop at the range; a typed value is taken as typed.
    TTextParams layer = ExistingLayer();
    TFontDlgFrm dlg;
    dlg.LoadFromLayer(layer);
    ShowAndPaint(dlg);
    dlg.cbxShadow->setChecked(true);
    dlg.edtPosX->setText("59");
    dlg.udPosX->Step(+1);
    dlg.udPosX->Step(+1);
    EXPECT_EQ(dlg.edtPosX->text(), "60");
    dlg.edtPosX->setText("500");
    EXPECT_EQ(dlg.CurrentParams().PosX, 500);
    QTest::mouseClick(dlg.udPosX->DownButton(), Qt::LeftButton); // back into the range
    EXPECT_EQ(dlg.edtPosX->text(), "60");
    QTest::keyClick(dlg.edtPosX, Qt::Key_Down);
    EXPECT_EQ(dlg.edtPosX->text(), "59");
}

TEST(FontDlg, EscapeCancelsButCtrlEscapeDoesNot)
{
    TTextParams layer = ExistingLayer();
    {
        TFontDlgFrm dlg;
        dlg.LoadFromLayer(layer);
        ShowAndPaint(dlg);
        QTest::keyClick(dlg.memText, Qt::Key_Escape, Qt::ControlModifier);
        EXPECT_TRUE(dlg.isVisible());
        QTest::keyClick(dlg.cbAAQuality, Qt::Key_Escape);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
    {
        TFontDlgFrm dlg;
        dlg.LoadFromLayer(layer);
        ShowAndPaint(dlg);
        // Enter in the text confirms; Ctrl+Enter starts a new line.
        QTest::keyClick(dlg.memText, Qt::Key_Return, Qt::ControlModifier);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.memText->toPlainText().count('\n'), 2);
        QTest::keyClick(dlg.memText, Qt::Key_Return);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
}

TEST(FontDlg, SettingsGoToTheParametersWithTheColourButtonsColour)
{
    TTextParams layer = ExistingLayer();
    layer.Rotation = 3;
    TFontDlgFrm dlg;
    dlg.LoadFromLayer(layer);
    dlg.memText->setPlainText("one\ntwo\nthree");
    dlg.cbxShadow->setChecked(true);
    dlg.edtPosX->setText("-4");
    dlg.edtPosY->setText("7");
    dlg.edtAlpha->setText("50");
    dlg.cbxBevel->setChecked(true);
    dlg.AlphaBar->setValue(200);
    EXPECT_EQ(dlg.AlphaBar->toolTip(), "Current position = 200");
    dlg.cbAAQuality->setCurrentIndex(2);
    QFont picked("DejaVu Serif", 14);
    picked.setItalic(true);
    dlg.SetDialogFont(picked);
    dlg.SetTextColor(QColor(10, 20, 30));

    TTextParams out;
    out.Rotation = 3;
    dlg.ApplyToParams(out);
    EXPECT_EQ(out.Lines, (QStringList{"one", "two", "three"}));
    EXPECT_TRUE(out.Shadow);
    EXPECT_TRUE(out.Bevel);
    EXPECT_EQ(out.PosX, -4);
    EXPECT_EQ(out.PosY, 7);
    EXPECT_EQ(out.PosAlpha, 50);
    EXPECT_EQ(out.Alpha, 200);
    EXPECT_EQ(out.Quality, 2);
    EXPECT_EQ(out.Rotation, 3);
    EXPECT_EQ(out.Font.Name, "DejaVu Serif");
    EXPECT_EQ(out.Font.PointSize(), 14);
    EXPECT_TRUE(out.Font.Italic);
    EXPECT_EQ(out.Font.Color, 0x001E140A);
}

TEST(FontDlg, DamagedRecordValuesAreBroughtIntoRange)
{
    TTextParams layer = ExistingLayer();
    layer.Alpha = -1;
    layer.Quality = -1;
    layer.PosAlpha = -1;
    layer.PosX = 2000000000;
    layer.Font.PixelsPerInch = -1;
    layer.Font.Pitch = 7;
    layer.Font.Charset = -1;
    TFontDlgFrm dlg;
    dlg.LoadFromLayer(layer);
    const TTextParams p = dlg.CurrentParams();
    EXPECT_EQ(p.Alpha, 0);
    EXPECT_EQ(p.Quality, 0);
    EXPECT_EQ(p.PosAlpha, 0);
    EXPECT_EQ(p.PosX, 9999);
    EXPECT_EQ(p.Font.PixelsPerInch, 96);
    EXPECT_EQ(p.Font.Pitch, 0);
    EXPECT_EQ(p.Font.Charset, 1);
}
