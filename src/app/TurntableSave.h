#pragma once
// Saving the finished cover as a turntable: an animated GIF of the cover turning a full circle
// about its vertical axis, rendered frame by frame with a progress dialog that can cancel.

#include <QSize>
#include <QString>
#include <functional>

class QWidget;
class TD3DWin;
class TTurntableWriter;
struct TPhotoRequest;

// Frames of a turntable saved from the window: a turn of about four seconds.
constexpr int TurntableFrames = 36;

// Renders `frames` frames of exactly `size` (the saved picture's size the final page shows), the
// cover at every angle fitted inside, with the view's smoothing, light and shadow, and writes each
// to path as it is drawn. Answers false when the user cancelled (nothing is written, an existing
// file stays); throws std::runtime_error with a message for the user when rendering or writing
// fails, or, before anything is drawn, when the turntable needs more memory than there is.
// With photo (Photo quality: the saved picture's request) every frame is traced instead, at its
// angle, all framed alike around the whole turn, the size still the one the view gives.
bool SaveTurntable(QWidget* parent, TD3DWin& view, int frames, QSize size, bool transparent, const QString& path,
                   const TPhotoRequest* photo = nullptr);

// Saves the writer's turntable to path with a window-modal progress dialog titled `title` over
// `steps` steps, Cancel and the busy cursor; refused before the dialog shows when the turntable
// needs more memory than there is. stop, when given, is called at once on Cancel (a frame being
// traced stops then rather than after the frame). False when the user cancelled.
bool SaveTurntableWithProgress(QWidget* parent, TTurntableWriter& writer, const QString& title, int steps,
                               const QString& path, const std::function<void()>& stop = {});
