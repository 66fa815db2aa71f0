#pragma once
// Bitmaps embedded in metafile records, decoded by our BMP reader.

#include <QImage>
#include <QtGlobal>
#include <cstdint>
#include <vector>

// What the bitmaps of one playback share: the memory they may still take (every bitmap and
// pattern brush of the file draws on one budget, so a few kilobytes of records cannot make
// gigabytes of pixels), and the palette selected into the metafile, whose colours a bitmap stored
// without its colour table is painted with.
struct TMetaDibContext {
    int64_t BudgetLeft = 0;
    std::vector<uint32_t> Palette; // 0xAARRGGBB
};

// A packed DIB (information header, colour table, bits). bitsOffset < 0: the bits follow the
// colour table; otherwise they start that many bytes after data. A null image when the DIB does
// not decode or its pixels are beyond the budget; bottomUp tells whether its rows are stored
// bottom row first.
QImage DecodeMetaDib(const uchar* data, qsizetype size, qsizetype bitsOffset, bool* bottomUp, TMetaDibContext& context);
