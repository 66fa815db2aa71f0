#pragma once
// Keeps owner-drawn glyphs matching the list they are drawn in: remembers the window colour last
// painted into them and swaps it for the new one when the user changes the colour scheme.

#include <QColor>
#include <QImage>

class TDrawPainter {
public:
    QColor WindowColor() const { return FWindowColor; }
    // Pixels of glyph that have the remembered window colour get newColor; newColor is remembered.
    void Recolor(QImage& glyph, QColor newColor);

private:
    QColor FWindowColor = Qt::white;
};
