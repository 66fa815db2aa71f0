#include "ui/DrawPainter.h"

void TDrawPainter::Recolor(QImage& glyph, QColor newColor)
{
    if (!glyph.isNull() && newColor != FWindowColor) {
        if (glyph.format() != QImage::Format_ARGB32)
            glyph = glyph.convertToFormat(QImage::Format_ARGB32);
        const QRgb from = FWindowColor.rgba(), to = newColor.rgba();
        for (int y = 0; y < glyph.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(glyph.scanLine(y));
            for (int x = 0; x < glyph.width(); ++x)
                if (line[x] == from)
                    line[x] = to;
        }
    }
    FWindowColor = newColor;
}
