#pragma once
// The GIF picture: reads the first image of a GIF file, and writes a 32-bit picture as a GIF with
// one image after reducing it to 256 colours (see GifQuantizer.h).

#include "imageio/GifQuantizer.h"
#include "imageio/Picture.h"

#include <QList>

// The optimisation passes a GIF can go through before it is written.
enum TGifOptimizeOption {
    ooCrop = 1,     // cut each image to the part that is not its transparent colour
    ooMerge = 2,    // join consecutive images whose pixels are the same
    ooCleanup = 4,  // drop empty comments
    ooColorMap = 8, // keep only the colour-table entries some pixel uses
};

// Little-endian 16-bit value; data cut into sub-blocks of at most 255 bytes with the terminator.
void GifPut16(QByteArray& out, int v);
void GifPutSubBlocks(QByteArray& out, const char* data, qsizetype size);

// An index of `palette` that no pixel outside `clear` uses, made free when every index is used
// by moving the rarest entry's pixels to their nearest other colour.
int FreePaletteIndex(std::vector<uint8_t>& indices, const std::vector<TColor32>& palette, const std::vector<bool>& clear);

struct TGifFrame {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Indices;
    int Transparent = -1;
};

class TGIFImage : public TRasterPicture {
public:
    void LoadFromBytes(const QByteArray& bytes) override;

    bool CanSave() const override { return true; }
    // Reduces the picture to the palette of 20 static and 236 octree colours with dithering.
    void Assign(const TBitmap32& picture) override;
    // The same, except that fully clear pixels (alpha 0) get one transparent index of their own.
    void AssignWithTransparency(const TBitmap32& picture);
    void Optimize(int options);
    void AddComment(const QByteArray& text) { FComments.append(text); }
    void SaveToDevice(QIODevice& device) const override;

    // What will be written.
    const std::vector<TColor32>& ColorMap() const { return FColorMap; }
    const QList<TGifFrame>& Frames() const { return FFrames; }
    const QList<QByteArray>& Comments() const { return FComments; }
    QByteArray Encode() const;

private:
    int FScreenWidth = 0;
    int FScreenHeight = 0;
    std::vector<TColor32> FColorMap;
    QList<TGifFrame> FFrames;
    QList<QByteArray> FComments;
};
