#pragma once
// Helpers for the picture file tests: synthetic pictures, temporary folders, reference decodes.

#include "common/LittleEndian.h"
#include "raster/TBitmap32.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// A picture with every pixel different: colour ramps across, down and diagonally.
TBitmap32 RampPicture(int width, int height, bool withAlpha = false);
// Max absolute channel difference over RGB (and alpha when compareAlpha).
int MaxDifference(const TBitmap32& a, const TBitmap32& b, bool compareAlpha = true);
// Peak signal-to-noise ratio over R, G, B in dB (infinity for identical pictures).
double Psnr(const TBitmap32& a, const TBitmap32& b);
// Reads a picture with Qt's own readers as an independent reference (alpha kept).
TBitmap32 QtDecode(const QByteArray& bytes, const char* format = nullptr);
QByteArray ReadFile(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);
