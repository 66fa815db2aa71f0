#include "cover/BookCover.h"
#include "cover/ImageViewInfo.h"
#include "editor/FontDlg.h"
#include "editor/LayerCommands.h"
#include "editor/TextLayer.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

void WhenTextDialogOpens(std::function<void(TFontDlgFrm&)> action)
{
    QTimer::singleShot(10, [action] {
        if (auto* dlg = qobject_cast<TFontDlgFrm*>(QApplication::activeModalWidget()))
            action(*dlg);
        else
            WhenTextDialogOpens(action);
    });
}

// The face editor in a plain window, on the front face with a 400 x 300 image.
struct TextToolsFixture : testing::Test {
    QWidget container;
    TBookCover cover{TBookCover::KindNone, QString()};
    TImageViewInfo records[3];
    TLayerCommands* commands = nullptr;

    TextToolsFixture()
    {
        container.resize(700, 500);
        TFaceEditorContext context;
        context.Cover = [this] { return &cover; };
        context.FaceRecord = [this](int face) { return &records[face]; };
        context.SetModified = [] {};
        context.FaceImageChanged = [](bool) {};
        commands = new TLayerCommands(&container, context);
        container.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&container));
        TBitmap32 face(400, 300);
        face.Clear(Color32(255, 255, 255));
        cover.Face(0)->StoreBitmap(face);
        commands->EnterFaceStep(0);
    }
    TTextLayer* SelectedText() const { return dynamic_cast<TTextLayer*>(commands->SelectedLayer()); }
};

} // namespace

TEST_F(TextToolsFixture, TextToolMakesRotatesCopiesAndPastesTextLayers)
{
    const int before = commands->imgView->Layers().Count();
    WhenTextDialogOpens([](TFontDlgFrm& dlg) { dlg.reject(); });
    commands->pnlTools->btnText->click();
    EXPECT_EQ(commands->imgView->Layers().Count(), before); // a cancelled new layer is freed

    WhenTextDialogOpens([](TFontDlgFrm& dlg) {
        dlg.memText->setPlainText("Sale!");
        dlg.btnOK->click();
    });
    commands->pnlTools->btnText->click();
    TTextLayer* text = SelectedText();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Lines, QStringList{"Sale!"});
    EXPECT_EQ(text->Location().Width(), float(text->Bitmap().Width()));
    EXPECT_EQ(text->Bitmap().DrawMode(), TDrawMode::dmBlend);

    commands->RotateLayer(+1);
    commands->RotateLayer(+1);
    EXPECT_EQ(text->Rotation, 2);

    QGuiApplication::clipboard()->clear();
    commands->UpdateLayerTools();
    EXPECT_FALSE(commands->pnlTools->btnPaste->isEnabled());
    commands->pnlTools->btnCopy->click();
    EXPECT_TRUE(commands->pnlTools->btnPaste->isEnabled());
    commands->pnlTools->btnPaste->click();
    TTextLayer* pasted = SelectedText();
    ASSERT_NE(pasted, nullptr);
    EXPECT_NE(pasted, text);
    EXPECT_EQ(static_cast<const TTextParams&>(*pasted), static_cast<const TTextParams&>(*text));
    EXPECT_TRUE(pasted->Bitmap().SamePixels(text->Bitmap()));

    // Editing the pasted layer draws it again, still half turned, at its top-left corner.
    const TFloatRect corner = pasted->Location();
    WhenTextDialogOpens([](TFontDlgFrm& dlg) {
        EXPECT_EQ(dlg.windowTitle(), "Edit Text Layer");
        EXPECT_EQ(dlg.memText->toPlainText(), "Sale!");
        dlg.memText->setPlainText("Sale! Now");
        dlg.btnOK->click();
    });
    commands->miEdit->trigger();
    EXPECT_EQ(pasted->Lines, QStringList{"Sale! Now"});
    EXPECT_EQ(pasted->Location().Left, corner.Left);
    EXPECT_EQ(pasted->Location().Top, corner.Top);
    EXPECT_GT(pasted->Bitmap().Width(), text->Bitmap().Width());

    // Cut takes the layer away and leaves it on the clipboard.
    const int count = commands->imgView->Layers().Count();
    commands->pnlTools->btnCut->click();
    EXPECT_EQ(commands->imgView->Layers().Count(), count - 1);
    EXPECT_EQ(commands->SelectedLayer(), nullptr);
    EXPECT_TRUE(commands->pnlTools->btnPaste->isEnabled());
}
