#include "imageio/Orientation.h"

#include <algorithm>
#include <cstring>

namespace {

// A TIFF structure read in its own byte order; every read is checked against the block's end.
class TTiffBlock {
public:
    explicit TTiffBlock(const QByteArray& bytes)
        : FData(reinterpret_cast<const uchar*>(bytes.constData())), FSize(bytes.size()), FLittle(bytes.startsWith("II"))
    {
    }

    bool Valid() const { return FSize >= 8 && (FLittle || QByteArrayView(FData, 2) == "MM") && U16(2) == 42; }
    uint32_t U16(qsizetype at) const
    {
        if (at < 0 || at + 2 > FSize)
            return 0;
        return FLittle ? uint32_t(FData[at] | FData[at + 1] << 8) : uint32_t(FData[at] << 8 | FData[at + 1]);
    }
    uint32_t U32(qsizetype at) const
    {
        if (at < 0 || at + 4 > FSize)
            return 0;
        return FLittle ? U16(at) | U16(at + 2) << 16 : U16(at) << 16 | U16(at + 2);
    }
    qsizetype Size() const { return FSize; }

private:
    const uchar* FData;
    qsizetype FSize;
    bool FLittle;
};

} // namespace

TOrientation ExifOrientation(const QByteArray& exif)
{
    const QByteArray tiff = exif.startsWith(QByteArray("Exif\0\0", 6)) ? exif.mid(6) : exif;
    const TTiffBlock block(tiff);
    if (!block.Valid())
        return TOrientation::Upright;
    // The tag lives in the first directory (IFD0), of 12-byte entries.
    const qsizetype ifd = block.U32(4);
    const uint32_t count = block.U16(ifd);
    for (uint32_t i = 0; i < count && ifd + 2 + qsizetype(i + 1) * 12 <= block.Size(); ++i) {
        const qsizetype entry = ifd + 2 + qsizetype(i) * 12;
        if (block.U16(entry) != 0x0112)
            continue;
        const uint32_t type = block.U16(entry + 2), value = block.U16(entry + 8);
        if (type == 3 && value >= 1 && value <= 8) // SHORT
            return TOrientation(value);
        break;
    }
    return TOrientation::Upright;
}

QSize OrientedSize(QSize stored, TOrientation orientation)
{
    return int(orientation) >= int(TOrientation::Transposed) ? stored.transposed() : stored;
}

void PlaceOrientedRows(const TColor32* rows, int width, int height, int y, int count, TOrientation orientation,
                       TBitmap32& target)
{
    for (int r = 0; r < count; ++r, rows += width) {
        const int sy = y + r;
        switch (orientation) {
        case TOrientation::Upright:
            std::memcpy(target.ScanLine(sy), rows, size_t(width) * sizeof(TColor32));
            break;
        case TOrientation::Flipped:
            std::memcpy(target.ScanLine(height - 1 - sy), rows, size_t(width) * sizeof(TColor32));
            break;
        case TOrientation::Mirrored:
            std::reverse_copy(rows, rows + width, target.ScanLine(sy));
            break;
        case TOrientation::HalfTurn:
            std::reverse_copy(rows, rows + width, target.ScanLine(height - 1 - sy));
            break;
        default: {
            // A stored row becomes a column: left or right, read down or up.
            const bool toRight = orientation == TOrientation::QuarterTurnRight || orientation == TOrientation::Transverse;
            const bool upward = orientation == TOrientation::QuarterTurnLeft || orientation == TOrientation::Transverse;
            const int column = toRight ? height - 1 - sy : sy;
            for (int x = 0; x < width; ++x)
                target.SetPixel(column, upward ? width - 1 - x : x, rows[x]);
        }
        }
    }
}
