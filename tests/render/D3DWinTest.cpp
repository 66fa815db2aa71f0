// TD3DWin under Xvfb with Mesa: its own context, immediate drawing, the kept frame.
#include "render/D3DWin.h"

#include "RenderTestUtil.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
const TColor32 Red = Color32(220, 30, 30);

struct TWindow {
    QWidget top;
    QWidget* panelA = new QWidget(&top);
    QWidget* panelB = new QWidget(&top);
    TWindow()
    {
        top.resize(900, 400);
        panelA->setGeometry(0, 0, 400, 300);
        panelB->setGeometry(420, 0, 320, 240);
    }
};
} // namespace

TEST(D3DWin, TwoViewsDrawAtOnceAndASmoothedFrameIsKeptUntilTheNextRepaint)
{
    TWindow w;
    bool okA = false, okB = false;
    auto *a = new TD3DWin(w.panelA, okA), *b = new TD3DWin(w.panelB, okB);
    ASSERT_TRUE(okA && okB);
    EXPECT_NE(a->context(), b->context());
    w.top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.top));

    const TBitmap32 atlas = MakeAtlas(200, 400, 20, Red, Red, Red);
    a->FBackColor = Color32(10, 90, 160, 255);
    a->ShowCover(&atlas, 200, 400, 20);
    b->FBackColor = Color32(200, 200, 40, 255);
    b->ShowCover(&atlas, 200, 400, 20);
    const qreal dpr = a->devicePixelRatioF();
    ASSERT_EQ(a->LastFrame().Size(), QSize(int(400 * dpr), int(300 * dpr)));
    EXPECT_TRUE(Near(a->LastFrame().Pixel(0, 0), Color32(10, 90, 160)));
    EXPECT_TRUE(Near(b->LastFrame().Pixel(0, 0), Color32(200, 200, 40)));
    // The box fitted to the window's pixels, whatever their ratio to the widget's size.
    EXPECT_NEAR(ContentRect(a->LastFrame(), Color32(10, 90, 160)).height(),
                ProjectedPixels(0.75, 3 - 0.0375 / 2, int(300 * dpr)), 2.0);

    // A shadowed box, plain and then smoothed.
    const TBitmap32 box = MakeAtlas(200, 300, 40, Red, Color32(20, 20, 200), Color32(200, 200, 200));
    a->FAngleX = 20;
    a->FAngleY = 30;
    a->FShadow = true;
    a->ShowCover(&box, 200, 300, 40);
    const TBitmap32 plain = a->LastFrame();
    a->FSmooth = true;
    a->ShowCover(nullptr, 0, 0, 0);
    a->FSmooth = false;
    const TBitmap32 smooth = a->LastFrame();
    EXPECT_FALSE(smooth.SamePixels(plain));
    // The update that presents the smoothed frame does not redraw it; a later repaint is plain.
    QCoreApplication::processEvents();
    EXPECT_TRUE(a->LastFrame().SamePixels(smooth));
    a->repaint();
    QTRY_VERIFY(a->LastFrame().SamePixels(plain));

    w.panelA->resize(300, 300);
    QTRY_COMPARE(a->size(), QSize(300, 300));
    a->repaint();
    QTRY_COMPARE(a->LastFrame().Size(), QSize(int(300 * dpr), int(300 * dpr)));
    // A zero height is drawn as one pixel, not a division by zero; offscreen the size is as asked.
    w.panelA->resize(300, 0);
    QCoreApplication::processEvents();
    const TBitmap32 big = a->RenderOffscreen(1200, 900);
    EXPECT_EQ(big.Size(), QSize(1200, 900));
    EXPECT_FALSE(ContentRect(big, Color32(10, 90, 160)).isEmpty());
}
