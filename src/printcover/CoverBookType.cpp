#include "printcover/CoverBookType.h"

TBookType BookTypeForSpine(const TCoverMeasures& measures, double dpi)
{
    const int thinSide = SideShapeFor(btThinBook)->Width;
    return FacePixels(measures, TCoverFace::Spine, dpi).width() <= thinSide ? btThinBook : btBookCover;
}
