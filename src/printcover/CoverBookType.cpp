#include "printcover/CoverBookType.h"

TBookType BookTypeForSpine(const TCoverSpec& spec, double dpi)
{
    const int thinSide = SideShapeFor(btThinBook)->Width;
    return FacePixels(spec, TCoverFace::Spine, dpi).width() <= thinSide ? btThinBook : btBookCover;
}
