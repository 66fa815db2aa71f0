#pragma once
// Geometry of the message box, computed without showing it so it can be checked at any screen
// resolution.

#include <QRect>
#include <QSize>
#include <QVector>

// n x ppi / 96, rounded half away from zero.
int ScaleToScreen(int n, int pixelsPerInch);
int ScaleToScreen(int n); // at the primary screen's logical resolution

struct TMessageLayout {
    int MarginX = 0, MarginY = 0;
    int ButtonWidth = 0, ButtonHeight = 0, ButtonGap = 0;
    QRect Picture;          // the type picture, client coordinates
    QRect Text;             // the text label
    QSize Client;           // client area of the box
    QPoint BoxTopLeft;      // the box centred on the screen
    QVector<QRect> Buttons; // one row, evenly spread
};

// textSize: the text measured word-wrapped within half the screen's width.
TMessageLayout LayoutMessageBox(QSize textSize, QSize pictureSize, int buttonCount, int pixelsPerInch,
                                QSize screenSize, QSize frameExtra = QSize(0, 0));
