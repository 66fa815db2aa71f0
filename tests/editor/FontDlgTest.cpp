#include "editor/FontDlg.h"
#include "editor/TextLayer.h"
#include "editor/UpDown.h"

#include <QtWidgets>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TTextParams ExistingLayer(TColorRef color = 0x0000FF00) // green
{
    TTextParams p;
    p.Font.Name = "Arial";
    p.Font.SetPointSize(20);
    p.Font.Color = color;
    p.Lines = {"Hello", "World"};
    return p;
}

// Shows the dialog non-modally (the same set-up as the modal run) and waits until its preview
// has drawn the text.
void ShowAndPaint(TFontDlgFrm& dlg)
{
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.TextSize().width() > 0; })) << "the preview never drew the text";
}

} // namespace

// An existing layer's text, and a new layer's sample line before anything is typed, show at once.
TEST(FontDlg, SampleShowsTheTextOnTheFirstPaintOnThePreviewBackground)
{
    struct Case {
        TColorRef color;
        bool newLayer;
    };
    for (const Case& c : {Case{0x0000FF00, false}, Case{0x00FFFFFF, false}, Case{0x000000FF, true}}) {
        TTextParams layer = ExistingLayer(c.color);
        if (c.newLayer)
            layer.Lines.clear();
        TFontDlgFrm dlg;
        dlg.LoadFromLayer(layer);
        EXPECT_EQ(std::pair(dlg.windowTitle(), dlg.memText->textCursor().selectedText()),
                  c.newLayer ? std::pair(QString("New Text Layer"), QString("Type your text here"))
                             : std::pair(QString("Edit Text Layer"), QString("Hello")));
        // The preview's very first paint: the text in its colour on the preview's background
        // (black only behind white text).
        const QImage shot = dlg.pbxText->grab().toImage();
        const QRgb ink = ColorOfRef(c.color).rgb(), background = TextPreviewBackground(c.color).rgb();
        EXPECT_EQ(std::pair(shot.pixel(1, 1), shot.pixel(shot.width() - 2, shot.height() - 2)), std::pair(background, background));
        int inked = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                inked += shot.pixel(x, y) == ink ? 1 : 0;
        EXPECT_GT(inked, 20) << std::hex << c.color;
        EXPECT_TRUE(dlg.btnOK->isEnabled());
    }
}

TEST(FontDlg, OkFollowsTheValidationAndTheOffsetArrowsStopAtTheRange)
{
    TTextParams layer = ExistingLayer();
    TFontDlgFrm dlg;
    dlg.LoadFromLayer(layer);
    ShowAndPaint(dlg);
    EXPECT_TRUE(dlg.btnOK->isEnabled());
    // OK and Cancel sit side by side below the text box, wholly inside the dialog.
    for (QPushButton* b : {dlg.btnOK, dlg.btnCancel})
        EXPECT_TRUE(b->y() > dlg.PTFrame3->geometry().bottom() && dlg.rect().contains(b->geometry())) << b->text().toStdString();
    EXPECT_FALSE(dlg.btnOK->geometry().intersects(dlg.btnCancel->geometry()));
    const auto okAfter = [&](const std::function<void()>& change) {
        change();
        return dlg.btnOK->isEnabled();
    };
    EXPECT_FALSE(okAfter([&] { dlg.memText->setPlainText(" \t\n "); }));
    EXPECT_TRUE(okAfter([&] { dlg.memText->setPlainText("x"); }));
    EXPECT_TRUE(okAfter([&] { dlg.edtPosX->clear(); })); // shadow off: the field does not count
    EXPECT_FALSE(okAfter([&] { dlg.cbxShadow->click(); }));
    EXPECT_TRUE(dlg.edtPosX->isEnabled());
    EXPECT_TRUE(okAfter([&] { dlg.edtPosX->setText(" 12 "); }));
    EXPECT_FALSE(okAfter([&] { dlg.edtAlpha->setText("9a"); }));
    EXPECT_TRUE(okAfter([&] { dlg.edtAlpha->setText("-5"); }));

    // The offset arrows stop at the range; a typed value is taken as typed.
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

TEST(FontDlg, OffsetRangesDeriveFromTheStoredXOffset)
{
    struct Case { int posX, min, max; };
    for (const Case& c : {Case{0, 0, 0}, Case{10, -10, 100}, Case{6, -6, 60}, Case{-6, -60, 6}}) {
        TTextParams layer = ExistingLayer();
        layer.PosX = c.posX;
        layer.PosY = 3;
        TFontDlgFrm dlg;
        dlg.LoadFromLayer(layer);
        EXPECT_EQ(std::tuple(dlg.udPosX->Minimum(), dlg.udPosX->Maximum(), dlg.udPosY->Minimum(), dlg.udPosY->Maximum()),
                  std::tuple(c.min, c.max, c.min, c.max)) << c.posX;
        // The stored Y offset is kept even where the arrows could not reach it.
        EXPECT_EQ(dlg.CurrentParams().PosY, 3);
    }
}

// Escape cancels but Ctrl+Escape does not; Enter in the text confirms, Ctrl+Enter starts a new line.
TEST(FontDlg, EscapeCancelsAndEnterConfirmsUnlessWithCtrl)
{
    TTextParams layer = ExistingLayer();
    for (auto [key, result] : {std::pair{Qt::Key_Escape, QDialog::Rejected}, {Qt::Key_Return, QDialog::Accepted}}) {
        TFontDlgFrm dlg;
        dlg.LoadFromLayer(layer);
        ShowAndPaint(dlg);
        QTest::keyClick(dlg.memText, key, Qt::ControlModifier);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.memText->toPlainText().count('\n'), key == Qt::Key_Return ? 2 : 1);
        QTest::keyClick(key == Qt::Key_Escape ? static_cast<QWidget*>(dlg.cbAAQuality) : dlg.memText, key);
        EXPECT_EQ(std::pair(dlg.isVisible(), dlg.result()), std::pair(false, int(result)));
    }
}

TEST(FontDlg, DamagedValuesAreBroughtIntoRangeAndSettingsGoToTheParameters)
{
    TTextParams layer = ExistingLayer();
    layer.Alpha = layer.Quality = layer.PosAlpha = layer.Font.PixelsPerInch = layer.Font.Charset = -1;
    layer.PosX = 2000000000;
    layer.Font.Pitch = 7;
    TFontDlgFrm dlg;
    dlg.LoadFromLayer(layer);
    const TTextParams p = dlg.CurrentParams();
    EXPECT_EQ(std::tuple(p.Alpha, p.Quality, p.PosAlpha, p.PosX, p.Font.PixelsPerInch, p.Font.Pitch, p.Font.Charset),
              std::tuple(0, 0, 0, 9999, 96, 0, 1));

    // The settings with the colour button's colour.
    dlg.cbxShadow->setChecked(true);
    dlg.edtPosX->setText("-4");
    dlg.edtPosY->setText("7");
    dlg.edtAlpha->setText("50");
    dlg.cbxBevel->setChecked(true);
    dlg.AlphaBar->setValue(200);
    dlg.cbAAQuality->setCurrentIndex(2);
    QFont picked("DejaVu Serif", 14);
    picked.setItalic(true);
    dlg.SetDialogFont(picked);
    dlg.SetTextColor(QColor(10, 20, 30));

    TTextParams out;
    out.Rotation = 3;
    dlg.ApplyToParams(out);
    EXPECT_EQ(std::tuple(out.Shadow, out.Bevel, out.PosX, out.PosY, out.PosAlpha, out.Alpha, out.Quality, out.Rotation),
              std::tuple(true, true, -4, 7, 50, 200, 2, 3));
    EXPECT_EQ(std::tuple(out.Font.Name, out.Font.PointSize(), out.Font.Italic, out.Font.Color),
              std::tuple(QString("DejaVu Serif"), 14, true, TColorRef(0x001E140A)));
}
