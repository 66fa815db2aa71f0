#pragma once
// The 3D view on screen: a QOpenGLWidget with its own context around the renderer core. The
// final page and the start-page preview each own one.

#include "render/D3DRenderer.h"

#include <QOpenGLWidget>

class TD3DWin : public QOpenGLWidget, public TD3DRenderer {
    Q_OBJECT
public:
    // Made as a child of `parent`, filling it. `ok` tells whether OpenGL could be set up; when it
    // is false the view stays hidden and the caller falls back to the flat drawing.
    TD3DWin(QWidget* parent, bool& ok);
    ~TD3DWin() override;

    // Loads the atlas (when not null), draws a frame at once and keeps it. The frame stays on
    // screen until the next repaint, so a one-frame smoothing is what is seen and captured. A view
    // resized while hidden draws its frame when it is shown, into the framebuffer Qt makes then.
    void ShowCover(const TBitmap32* atlas, int frontWidth, int frontHeight, int sideWidth) override;

    // The last frame this view drew, in device pixels (empty before the first frame).
    const TBitmap32& LastFrame() const { return FLastFrame; }
    QImage LastFrameImage() const { return FLastFrame.ToImage(); }

    // The current cover at width x height (up to 8192 x 8192) with the view's camera, light,
    // shadow and smoothing. Throws std::runtime_error with a message for the user on failure.
    TBitmap32 RenderOffscreen(int width, int height);
    // The cover and its whole shadow framed in a picture `width` wide (RenderContent).
    TBitmap32 RenderContentOffscreen(int width);
    // RenderTurntable with this view's context current around every frame, so that frameDone
    // may let the event loop run (and repaint views) in between.
    // Every frame is exactly `size`.
    bool RenderTurntableOffscreen(int frames, QSize size, const std::function<bool(int, const TBitmap32&)>& frameDone);

    // Whether the view follows its parent's size (on by default).
    void SetFillParent(bool on);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DrawAndKeep();
    QSize DeviceSize() const;         // the widget's size in device pixels
    void FitTo(const QSize& device); // camera, jitter unit and box fit for a framebuffer of this size

    bool FFillParent = true;
    bool FFramePresented = false; // the FBO already holds the frame ShowCover drew
    QSize FFramebufferSize;       // of the framebuffer Qt made last, in device pixels
    TBitmap32 FLastFrame;
};
