#pragma once
// Which cover type shows a printed book best: a Book Cover draws the spine as wide as it is; a
// Thin Book always draws a side of a fixed width (SideShapeFor), which only looks right when the
// real spine is no wider than that.

#include "cover/BookType.h"
#include "printcover/WrapLayout.h"

// Thin Book when the spine, at dpi, is no wider than the Thin Book's fixed side (30 pixels: at
// 300 dpi a spine of 0.1 in, up to 45 white pages); Book Cover otherwise.
TBookType BookTypeForSpine(const TCoverMeasures& measures, double dpi);
