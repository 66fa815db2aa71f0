// TD3DWin under Xvfb with Mesa: its own context, immediate drawing, the kept frame.
#include "render/D3DWin.h"

#include "RenderTestUtil.h"

#include <QDeadlineTimer>
#include <QScreen>
#include <QStackedWidget>
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

// What the X server shows in the view's place. A view can hold the right frame in its own
// framebuffer (and write right pictures) while the window composes it black.
TBitmap32 OnScreen(const QWidget& view)
{
    const QPoint at = view.mapTo(view.window(), QPoint(0, 0));
    TBitmap32 shot;
    shot.Assign(view.screen()->grabWindow(view.window()->winId(), at.x(), at.y(), view.width(), view.height()).toImage());
    return shot;
}

// Waits up to five seconds for the screen to show the view's last frame (the window composes
// later); returns the screen's last picture of the view's place.
TBitmap32 WaitUntilOnScreen(const TD3DWin& view)
{
    const QDeadlineTimer deadline(5000);
    for (;;) {
        QTest::qWait(20);
        TBitmap32 shot = OnScreen(view);
        if (deadline.hasExpired()
            || (shot.Size() == view.LastFrame().Size() && CountDiffering(shot, view.LastFrame(), 2) == 0))
            return shot;
    }
}

// The view is on screen with a frame of its present size: `back` around a cover.
void ExpectOnScreen(const TD3DWin& view, TColor32 back)
{
    ASSERT_TRUE(view.isVisible());
    const TBitmap32 shot = WaitUntilOnScreen(view);
    ASSERT_EQ(shot.Size(), view.LastFrame().Size());
    EXPECT_EQ(CountDiffering(shot, view.LastFrame(), 2), 0)
        << "pixels of the view's frame not on screen after 5 s; the screen shows "
        << QString::number(shot.Pixel(1, 1), 16).toStdString() << " at its corner";
    const TBitmap32& frame = view.LastFrame();
    EXPECT_EQ(frame.Size(), view.size() * view.devicePixelRatioF());
    if (frame.Empty())
        return;
    EXPECT_TRUE(Near(frame.Pixel(1, 1), back));
    EXPECT_FALSE(ContentRect(frame, back).isEmpty());
}
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return a->LastFrame().SamePixels(plain); }))
        << "the repaint after a smoothed frame did not draw the plain frame within 5 s";

    w.panelA->resize(300, 300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return a->size() == QSize(300, 300); }))
        << "the view did not follow its panel to 300 x 300 within 5 s";
    a->repaint();
    ASSERT_TRUE(QTest::qWaitFor([&] { return a->LastFrame().Size() == QSize(int(300 * dpr), int(300 * dpr)); }))
        << "no frame of the resized view within 5 s";
    // A zero height is drawn as one pixel, not a division by zero; offscreen the size is as asked.
    w.panelA->resize(300, 0);
    QCoreApplication::processEvents();
    const TBitmap32 big = a->RenderOffscreen(1200, 900);
    EXPECT_EQ(big.Size(), QSize(1200, 900));
    EXPECT_FALSE(ContentRect(big, Color32(10, 90, 160)).isEmpty());
}

TEST(D3DWin, ComingBackToTheViewShowsItsCoverOnScreenWhateverHappenedWhileItWasHidden)
{
    // As in the program: the view on a page that other steps replace, made once the window is up.
    QWidget top;
    top.resize(900, 560);
    auto* pages = new QStackedWidget(&top);
    pages->setGeometry(top.rect());
    auto *otherStep = new QWidget, *finalStep = new QWidget;
    pages->addWidget(otherStep);
    pages->addWidget(finalStep);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    bool ok = false;
    auto* view = new TD3DWin(finalStep, ok);
    ASSERT_TRUE(ok);
    view->SetFillParent(false);
    view->hide();
    const QRect place(10, 20, 480, 360), narrower = place.adjusted(0, 0, -60, 0);
    view->setGeometry(place);

    const TBitmap32 red = MakeAtlas(200, 300, 40, Red, Red, Red);
    const TBitmap32 green = MakeAtlas(200, 300, 40, Color32(30, 200, 40), Color32(30, 200, 40), Color32(30, 200, 40));
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        // Coming back: the page, then the cover composed afresh (which shows the view).
        const TColor32 back = Color32(10 + 40 * round, 90, 160);
        view->FBackColor = back;
        pages->setCurrentWidget(finalStep);
        view->ShowCover(&red, 200, 300, 40);
        ExpectOnScreen(*view, back);

        // Away: what the other steps may do to the hidden view.
        view->hide();
        switch (round) {
        case 0: // a window resize laid the view out at another size and back
            view->setGeometry(narrower);
            view->setGeometry(place);
            break;
        case 1: // the layout changed while its page was away, and a setting redrew it there
            pages->setCurrentWidget(otherStep);
            view->setGeometry(narrower);
            view->FAngleY = 25;
            view->ShowCover(nullptr, 0, 0, 0);
            break;
        case 2: // composed while away, at the size it has
            pages->setCurrentWidget(otherStep);
            view->ShowCover(&green, 200, 300, 40);
            break;
        case 3: // composed while away at a size it had before
            pages->setCurrentWidget(otherStep);
            view->setGeometry(place);
            view->ShowCover(&green, 200, 300, 40);
            view->hide();
            break;
        default: // hidden and shown with nothing in between
            break;
        }
    }
    // Coming back shows the cover that was composed last, not an earlier frame.
    view->hide();
    view->FBackColor = Color32(240, 240, 200);
    view->ShowCover(&green, 200, 300, 40);
    view->hide();
    view->show();
    ExpectOnScreen(*view, Color32(240, 240, 200));
    const QRect box = ContentRect(view->LastFrame(), Color32(240, 240, 200));
    ASSERT_FALSE(box.isEmpty());
    const TColor32 centre = view->LastFrame().Pixel(box.center().x(), box.center().y());
    EXPECT_GT(GreenOf(centre), RedOf(centre) + 60);
}

TEST(D3DWin, AViewIsOnScreenFromItsFirstShow)
{
    // Made before its window was ever shown (the window's compositor did not exist yet) ...
    TWindow w;
    bool okA = false, okB = false;
    auto* early = new TD3DWin(w.panelA, okA);
    ASSERT_TRUE(okA);
    early->FBackColor = Color32(200, 120, 40);
    const TBitmap32 atlas = MakeAtlas(200, 400, 20, Red, Red, Red);
    early->ShowCover(&atlas, 200, 400, 20);
    w.top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.top));
    ExpectOnScreen(*early, Color32(200, 120, 40));
    // ... and made in a shown panel, so first shown at the size it was made at.
    auto* late = new TD3DWin(w.panelB, okB);
    ASSERT_TRUE(okB);
    late->FBackColor = Color32(40, 40, 40);
    late->ShowCover(&atlas, 200, 400, 20);
    ExpectOnScreen(*late, Color32(40, 40, 40));
}
