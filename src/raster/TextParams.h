#pragma once
// The parameters of a text layer, kept apart from the widgets so that files and the
// command-line tool can carry text layers without a display.

#include "raster/TextFont.h"

#include <QStringList>

// Everything a text layer needs to draw itself again; it travels through the clipboard as the
// text record.
struct TTextParams {
    bool Shadow = false;
    bool Bevel = false;
    int PosX = 6;      // shadow offset to the right, pixels
    int PosY = 6;      // shadow offset downward, pixels
    int PosAlpha = 90; // shadow intensity, percent of Alpha
    int Alpha = 255;   // opacity of the text
    int Quality = 0;   // 0 highest, 1 medium, 2 none (aliased)
    int Rotation = 0;  // quarter turns so far, clockwise positive, never reduced
    TTextFont Font;
    QStringList Lines;

    bool operator==(const TTextParams&) const = default;
};
