// TD3DWin under Xvfb with Mesa: its own context, immediate drawing, the kept frame.
#include "render/D3DWin.h"

#include "RenderTestUtil.h"

#include <QGuiApplication>
#include <QProcess>
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

// Run in a child process on the offscreen platform without a display, which has no OpenGL.
TEST(D3DWinNoGL, FailureIsReportedThroughOk)
{
    if (QGuiApplication::platformName() != "offscreen")
        GTEST_SKIP() << "needs a platform without OpenGL";
    QWidget panel;
    panel.resize(300, 200);
    bool ok = true;
    auto* v = new TD3DWin(&panel, ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(v->isVisibleTo(&panel));
    const TBitmap32 atlas = MakeAtlas(20, 30, 4, Red, Red, Red);
    v->ShowCover(&atlas, 20, 30, 4); // nothing to draw with: no crash, no frame
    EXPECT_TRUE(v->LastFrame().Empty());
    EXPECT_THROW(v->RenderOffscreen(100, 100), std::runtime_error);
}

namespace {
// Runs this test program again with `filter` in another environment; its output.
QString RunChild(const QString& filter, const QMap<QString, QString>& set, const QStringList& unset = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = set.begin(); it != set.end(); ++it)
        env.insert(it.key(), it.value());
    for (const QString& name : unset)
        env.remove(name);
    env.insert("TAVLO_RENDER_CHILD", "1");
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=" + filter});
    p.waitForFinished(240000);
    const QString out = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? out : "FAILED:\n" + out;
}
} // namespace

TEST(D3DWinPlatforms, WithoutOpenGLAndAtTwiceThePixelRatio)
{
    if (qEnvironmentVariableIsSet("TAVLO_RENDER_CHILD"))
        GTEST_SKIP() << "already a child run";
    const QString noGL = RunChild("D3DWinNoGL.*", {{"QT_QPA_PLATFORM", "offscreen"}}, {"DISPLAY", "WAYLAND_DISPLAY"});
    EXPECT_TRUE(noGL.contains("[       OK ] D3DWinNoGL.FailureIsReportedThroughOk")) << noGL.toStdString();
    const QString hiDpi = RunChild("D3DWin.*", {{"QT_SCALE_FACTOR", "2"}});
    EXPECT_FALSE(hiDpi.startsWith("FAILED")) << hiDpi.toStdString();
    EXPECT_TRUE(hiDpi.contains("[  PASSED  ] 1 test.")) << hiDpi.toStdString();
}
