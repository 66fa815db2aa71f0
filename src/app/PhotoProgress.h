#pragma once
// A photo traced while the user waits: a modal progress dialog with Cancel, the busy cursor, and
// the window responsive all along (the tracer runs on a worker). Save As and Copy Picture at
// Photo quality go through here.

#include "app/PhotoRequest.h"

#include <QString>
#include <optional>

class QWidget;

// The finished picture, or nothing when the user cancelled. Throws std::runtime_error with the
// message for the user when the scene cannot be traced.
std::optional<TBitmap32> TracePhotoModal(QWidget* parent, const TPhotoRequest& request);
