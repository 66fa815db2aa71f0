#pragma once
// The font of the program's dialogs and wizard pages: "Tahoma" (DejaVu Sans on Debian) at the
// pixel size the wizard pages use.

#include <QFont>

inline QFont DialogFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(12);
    return font;
}
