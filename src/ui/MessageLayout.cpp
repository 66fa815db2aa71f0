#include "ui/MessageLayout.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

int ScaleToScreen(int n, int pixelsPerInch)
{
    const long long p = (long long)n * pixelsPerInch;
    return int(p >= 0 ? (p + 48) / 96 : -((-p + 48) / 96));
}

int ScaleToScreen(int n)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return ScaleToScreen(n, screen ? qRound(screen->logicalDotsPerInch()) : 96);
}

TMessageLayout LayoutMessageBox(QSize textSize, QSize pictureSize, int buttonCount, int pixelsPerInch,
                                QSize screenSize, QSize frameExtra)
{
    TMessageLayout L;
    L.MarginX = L.MarginY = ScaleToScreen(5, pixelsPerInch);
    L.ButtonWidth = ScaleToScreen(85, pixelsPerInch);
    L.ButtonHeight = ScaleToScreen(28, pixelsPerInch);
    L.ButtonGap = L.ButtonWidth / 5;

    const int tw = textSize.width(), th = textSize.height();
    const int ph = pictureSize.height();
    int pictureTop = 2 * L.MarginY;
    if (th > ph)
        pictureTop += (th - ph) / 2;
    L.Picture = QRect(QPoint(2 * L.MarginX, pictureTop), pictureSize);
    const int ir = L.Picture.x() + pictureSize.width();
    const int ib = L.Picture.y() + ph;

    int textTop = 2 * L.MarginY;
    if (ph > th)
        textTop += (ph - th) / 2;
    L.Text = QRect(ir + 2 * L.MarginX, textTop, tw + L.MarginX, th + L.MarginY);

    const int y0 = 3 * L.MarginY + std::max(L.Text.y() + L.Text.height(), ib);
    const int n = buttonCount;
    L.Client.setWidth(std::max(L.Text.x() + L.Text.width() + 2 * L.MarginX, n * L.ButtonWidth + (n + 1) * L.ButtonGap));
    L.Client.setHeight(y0 + L.ButtonHeight + 2 * L.MarginY);

    const QSize box = L.Client + frameExtra;
    L.BoxTopLeft = QPoint((screenSize.width() - box.width()) / 2, (screenSize.height() - box.height()) / 2);

    const int g = n > 0 ? (L.Client.width() - n * L.ButtonWidth) / (n + 1) : 0;
    for (int i = 0; i < n; ++i)
        L.Buttons.append(QRect((L.ButtonWidth + g) * i + g, y0, L.ButtonWidth, L.ButtonHeight));
    return L;
}
