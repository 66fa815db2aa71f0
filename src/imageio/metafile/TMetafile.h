#pragma once
// A Windows metafile (placeable or plain WMF, or EMF) played through QPainter.

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <memory>

class QPainter;
class TBitmap32;

class TMetafile {
public:
    TMetafile();
    ~TMetafile();
    TMetafile(const TMetafile&) = delete;
    TMetafile& operator=(const TMetafile&) = delete;

    // Parses the header and keeps the bytes. Throws std::runtime_error("Metafile is not valid")
    // for anything that is not a readable WMF or EMF.
    void Load(const QByteArray& bytes);
    bool Empty() const;
    // Natural size in pixels at 96 pixels per inch, scaled down (keeping its proportions) to at
    // most MetafilePictureBytes of 32-bit pixels.
    QSize Size() const;
    // Plays the records onto painter, mapped onto target. A damaged record stops playback there,
    // keeping what was drawn so far. Pixels no record paints are left as they were.
    void Draw(QPainter& painter, const QRectF& target) const;
    // Sizes target to Size() (new pixels fully transparent black) and plays the picture onto it:
    // unpainted pixels stay transparent. Throws the bitmap's size message for a picture too big.
    void RenderTo(TBitmap32& target) const;

private:
    struct TData;
    std::unique_ptr<TData> FData;
};
