#pragma once
// The photo scene as a POV-Ray scene, to time POV-Ray on the same picture: the camera with the
// framing's shifted picture plane, the cover as one mesh2 with its textures as uv-mapped image
// maps (PNG files beside the .pov), the key light as an adaptive area light, the sky, a
// reflective floor plane, radiosity for the light bounced between them.

#include "render/scene/PhotoScene.h"

#include <QString>

// Writes `<base>.pov` and its textures `<base>-texN.png`; throws std::runtime_error when a file
// cannot be written.
void ExportPov(const TPhotoScene& scene, const QString& base);
