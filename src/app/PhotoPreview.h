#pragma once
// The final view's picture at Photo quality: traced at the view's size on a worker, shown pass by
// pass as it refines (the first pass has one sample per pixel, so it comes at once) and traced
// afresh whenever what it shows changes. It lies over the 3D view and lets the mouse through to
// it, so dragging, the wheel and the double-click work as at Standard quality.

#include "app/PhotoRequest.h"

#include <QWidget>
#include <memory>

class QLabel;
class TPhotoTracer;
struct TPhotoProgress;

class TPhotoPreview : public QWidget {
    Q_OBJECT
public:
    // status tells how far the refinement has come.
    TPhotoPreview(QWidget* parent, QLabel* status);
    ~TPhotoPreview() override;

    // Traces request unless it gives the picture already shown or under way.
    void Trace(const TPhotoRequest& request);
    // Stops tracing and forgets the picture (the preview was hidden).
    void Stop();
    // Stops tracing but keeps the picture shown; the next Trace starts afresh (the cores are
    // wanted for a picture being saved meanwhile).
    void Pause();

    // The picture shown (null before the first pass), and the samples per pixel it has.
    std::shared_ptr<const TBitmap32> Picture() const { return FPicture; }
    int SamplesShown() const { return FSamplesShown; }
    bool Finished() const { return FFinished; }

signals:
    // A pass's picture is shown.
    void PictureShown();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowPass(std::shared_ptr<const TBitmap32> picture, const TPhotoProgress& progress);

    TPhotoTracer* FTracer;
    QLabel* FStatus;
    std::optional<TPhotoRequest> FRequest; // the one traced or shown
    std::shared_ptr<const TBitmap32> FPicture;
    int FSamplesShown = 0;
    bool FFinished = false;
};
