#pragma once
// Moves a whole Tavlo between the window and a project: the faces' base pictures and layers from
// the cover document, the face records and the face view, and the final page's controls.

#include "project/Project.h"

#include <functional>

class TBookCover;
class TFinalPage;
class TImageViewInfo;
class TLayerCommands;
class TBitmapLayer;

struct TProjectStateAccess {
    TBookCover* Cover = nullptr;
    std::function<TImageViewInfo*(int face)> FaceRecord;
    TLayerCommands* Editor = nullptr;
    TFinalPage* Final = nullptr;
    int Step = 0;
};

// The project of what the window holds now. The face on show is taken from the face view, the
// others from their records.
TProject CaptureProject(const TProjectStateAccess& window);

// Fills cover (whose faces become the project's base pictures) and the face records with the
// project's faces; adopt wires each new layer to the face editor.
void ApplyProjectFaces(const TProject& project, TBookCover& cover, const std::function<TImageViewInfo*(int)>& record,
                       const std::function<void(TBitmapLayer&)>& adopt);
// Sets the final page's controls, all but the angles (a composition resets those).
void ApplyFinalSettings(const TFinalSettings& settings, TFinalPage& final);
// The angles, after the final step has composed the cover.
void ApplyFinalAngles(const TFinalSettings& settings, TFinalPage& final);
// The zoom gauge's position that asks for zoom (the inverse of the gauge's formula).
int GaugeForZoom(double zoom);
