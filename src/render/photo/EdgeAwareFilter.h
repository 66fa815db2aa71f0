#pragma once
// The noise filter: an edge-avoiding a-trous wavelet (three passes of a 5 x 5 B-spline at
// spreads 1, 2, 4) over the light arriving at each pixel (its colour divided by its albedo, so
// the print's detail is never blurred), stopped at edges of normal, depth, what was hit and at
// differences larger than the pixel's own measured noise. The background is never touched, and
// a pixel without noise keeps its value unless its neighbours have exactly the same.

#include "render/photo/PhotoFilm.h"

#include <vector>

struct TFilteredPicture {
    std::vector<TRgb> Colour; // premultiplied, linear
    std::vector<float> Alpha;
};

TFilteredPicture FilterNoise(const TPhotoFilm& film);
