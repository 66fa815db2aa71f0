#pragma once
// The final-page settings the user made. The view's size and, unless typed, the saved picture's
// size are measured again wherever the work is shown (a pixel may differ with the moment), so
// comparisons of the work leave them out.
#include "project/Project.h"

inline TFinalSettings ChosenSettings(TFinalSettings s)
{
    s.ViewWidth = s.ViewHeight = 0;
    if (!s.ExportWidthChosen)
        s.ExportWidth = s.ExportHeight = 0;
    return s;
}
