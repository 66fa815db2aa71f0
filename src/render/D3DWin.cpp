#include "render/D3DWin.h"

#include <QCoreApplication>
#include <QResizeEvent>
#include <algorithm>

TD3DWin::TD3DWin(QWidget* parent, bool& ok) : QOpenGLWidget(parent)
{
    // Keep the framebuffer between paints: a frame drawn by ShowCover must survive until shown.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    setFocusPolicy(Qt::NoFocus);
    if (parent) {
        setGeometry(parent->rect());
        parent->installEventFilter(this);
        FInvWidth = 1.0f / float(std::max(parent->width(), 1));
        FInvHeight = 1.0f / float(std::max(parent->height(), 1));
    }
    // The context is made now, not at the first show, so the caller learns at once whether the
    // 3D view works. Grabbing initialises a hidden widget too.
    grabFramebuffer();
    ok = GLReady();
    setVisible(ok);
}

TD3DWin::~TD3DWin()
{
    if (GLReady()) {
        makeCurrent();
        ReleaseGL();
        doneCurrent();
    }
}

void TD3DWin::SetFillParent(bool on)
{
    FFillParent = on;
    if (on && parentWidget())
        setGeometry(parentWidget()->rect());
}

bool TD3DWin::eventFilter(QObject* watched, QEvent* event)
{
    if (FFillParent && watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QOpenGLWidget::eventFilter(watched, event);
}

void TD3DWin::initializeGL()
{
    const float invW = FInvWidth, invH = FInvHeight;
    const qreal dpr = devicePixelRatioF();
    InitGL(qRound(width() * dpr), qRound(height() * dpr));
    if (parentWidget()) { // the jitter unit follows the parent's size at creation
        FInvWidth = invW;
        FInvHeight = invH;
    }
}

void TD3DWin::resizeGL(int w, int h)
{
    FFramePresented = false;
    // Qt passes the size in device-independent pixels; the framebuffer has device pixels.
    const qreal dpr = devicePixelRatioF();
    if (!GLReady())
        return;
    const int width = std::max(qRound(w * dpr), 1), height = std::max(qRound(h * dpr), 1);
    // The smoothing jitter and the box's fit follow the view as it is now: a picture depends on
    // the view's size alone, not on the size its panel had while the window was being built.
    FInvWidth = 1.0f / float(width);
    FInvHeight = 1.0f / float(height);
    SetupProjection(width, height);
    BuildGeometry(false);
}

void TD3DWin::paintGL()
{
    if (FFramePresented) {
        FFramePresented = false; // later repaints draw afresh (unsmoothed when smoothing was one frame)
        return;
    }
    DrawAndKeep();
}

void TD3DWin::DrawAndKeep()
{
    if (!GLReady())
        return;
    Paint();
    FLastFrame = ReadFramebuffer(WindowWidth(), WindowHeight());
}

void TD3DWin::ShowCover(const TBitmap32* atlas, int frontWidth, int frontHeight, int sideWidth)
{
    if (!GLReady())
        return;
    setVisible(true);
    const qreal dpr = devicePixelRatioF();
    if (QSize(qRound(width() * dpr), qRound(height() * dpr)) != QSize(WindowWidth(), WindowHeight())) {
        // Shown on a screen of another pixel ratio since the last frame: have the framebuffer
        // remade at the device size first, or this frame would be drawn at the old one.
        QResizeEvent resize(size(), size());
        QCoreApplication::sendEvent(this, &resize);
    }
    makeCurrent();
    LoadCover(atlas, frontWidth, frontHeight, sideWidth);
    DrawAndKeep();
    doneCurrent();
    FFramePresented = true;
    update();
}

namespace {
struct TCurrent {
    TD3DWin* View;
    explicit TCurrent(TD3DWin* view) : View(view) { View->makeCurrent(); }
    ~TCurrent() { View->doneCurrent(); }
};
} // namespace

TBitmap32 TD3DWin::RenderOffscreen(int width, int height)
{
    const TCurrent current(this);
    return RenderToBitmap(width, height);
}

TBitmap32 TD3DWin::RenderContentOffscreen(int width)
{
    const TCurrent current(this);
    return RenderContent(width);
}

bool TD3DWin::RenderTurntableOffscreen(int frames, int width,
                                       const std::function<bool(int, const TBitmap32&)>& frameDone)
{
    const TCurrent current(this);
    return RenderTurntable(frames, width, [&](int index, const TBitmap32& frame) {
        const bool goOn = frameDone(index, frame);
        makeCurrent();
        return goOn;
    });
}
