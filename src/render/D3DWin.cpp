#include "render/D3DWin.h"

#include <QResizeEvent>
#include <algorithm>

TD3DWin::TD3DWin(QWidget* parent, bool& ok) : QOpenGLWidget(parent)
{
    // Keep the framebuffer between paints: a frame drawn by ShowCover must survive until shown.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    setFocusPolicy(Qt::NoFocus);
    // Every framebuffer Qt makes starts cleared: the frame ShowCover drew is gone with the old one.
    connect(this, &QOpenGLWidget::resized, this, [this] {
        FFramebufferSize = size() * devicePixelRatioF();
        FFramePresented = false;
    });
    if (parent) {
        setGeometry(parent->rect());
        parent->installEventFilter(this);
        FInvWidth = 1.0f / float(std::max(parent->width(), 1));
        FInvHeight = 1.0f / float(std::max(parent->height(), 1));
    }
    // The context is made now, not at the first show, so the caller learns at once whether the
    // 3D view works. Grabbing initialises a hidden widget too. The window is made first: a context
    // made before the window composes with OpenGL does not share with it and is never seen.
    if (parent)
        window()->winId();
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

QSize TD3DWin::DeviceSize() const { return size() * devicePixelRatioF(); }

void TD3DWin::FitTo(const QSize& device)
{
    const int width = std::max(device.width(), 1), height = std::max(device.height(), 1);
    // The smoothing jitter and the box's fit follow the view as it is now: a picture depends on
    // the view's size alone, not on the size its panel had while the window was being built.
    FInvWidth = 1.0f / float(width);
    FInvHeight = 1.0f / float(height);
    SetupProjection(width, height);
    BuildGeometry(false);
}

void TD3DWin::resizeEvent(QResizeEvent* event)
{
    // Qt 6.4 remakes the framebuffer on every resize event, and after a remake at an unchanged
    // size the window goes on composing the old, deleted texture: the view shows black until a
    // real resize. Such events come when a hidden view is resized and back, or first shown at the
    // size it was made at. The framebuffer it has fits; an empty view shows nothing anyway.
    if (event->size().isEmpty() || (defaultFramebufferObject() != 0 && DeviceSize() == FFramebufferSize))
        return;
    QOpenGLWidget::resizeEvent(event);
}

void TD3DWin::resizeGL(int w, int h)
{
    // Qt passes the size in device-independent pixels; the framebuffer has device pixels.
    if (GLReady())
        FitTo(QSize(w, h) * devicePixelRatioF());
}

void TD3DWin::paintGL()
{
    if (FFramePresented) {
        FFramePresented = false; // later repaints draw afresh (unsmoothed when smoothing was one frame)
        return;
    }
    // Drawn at the framebuffer's size: one remade for another pixel ratio comes without
    // resizeGL, and ShowCover fits a hidden view to the size its next framebuffer will have.
    if (GLReady() && FFramebufferSize != QSize(WindowWidth(), WindowHeight()))
        FitTo(FFramebufferSize);
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
    const QSize device = DeviceSize();
    makeCurrent();
    // The box's fit and the content's size follow the view at once, also while it is hidden and
    // Qt keeps its resize (and the new framebuffer) until it is shown.
    if (device != QSize(WindowWidth(), WindowHeight()))
        FitTo(device);
    LoadCover(atlas, frontWidth, frontHeight, sideWidth);
    // A framebuffer of another size is about to be remade (it is never remade by hand: see
    // resizeEvent); the paint after that draws this frame.
    FFramePresented = device == FFramebufferSize;
    if (FFramePresented)
        DrawAndKeep();
    doneCurrent();
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

bool TD3DWin::RenderTurntableOffscreen(int frames, QSize size,
                                       const std::function<bool(int, const TBitmap32&)>& frameDone)
{
    const TCurrent current(this);
    return RenderTurntable(frames, size, [&](int index, const TBitmap32& frame) {
        const bool goOn = frameDone(index, frame);
        makeCurrent();
        return goOn;
    });
}
