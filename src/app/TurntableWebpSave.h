#pragma once
// Saving the finished cover's turntable as an animated WebP for web shops: full colour with
// alpha, drawn frame by frame with a progress dialog that can cancel.

#include <QSize>
#include <QString>

class QWidget;
class TD3DWin;

// As SaveTurntable does for the GIF: `frames` frames of exactly `size` with the view's smoothing,
// light and shadow, each coded as it is drawn. False when the user cancelled (nothing is written,
// an existing file stays); throws std::runtime_error with a message for the user when drawing or
// writing fails, or, before anything is drawn, when the turntable needs more memory than there is.
bool SaveTurntableWebp(QWidget* parent, TD3DWin& view, int frames, QSize size, bool transparent, const QString& path);
