#pragma once
// Cutting a wrap-around cover into its front, spine and back at a print resolution.

#include "printcover/CoverPicture.h"

#include <array>

struct TCoverFaces {
    TBitmap32 Front, Spine, Back;
    TBitmap32& Face(TCoverFace face);
};

// Each face is its inches x dpi pixels (FacePixels). A picture already at dpi is copied pixel for
// pixel; any other is resampled (area-averaged) from the face's place on it.
TCoverFaces SplitCover(const TCoverPicture& cover, const TCoverMeasures& measures, double dpi);

// Writes front.png, spine.png and back.png into folder (made when missing), each whole or not at
// all (the picture writers save atomically). Throws std::runtime_error naming the file.
void WriteCoverFaces(const TCoverFaces& faces, const QString& folder);
