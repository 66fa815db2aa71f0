#include "imageio/PluginPictureData.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// deflate codes a 258-byte match in two bits at best: no zlib stream inflates more than 1032-fold.
constexpr int64_t DeflateRatio = 1032;
// An LZW code of 12 bits stands for at most about 3800 bytes in a table of 4096 entries.
constexpr int64_t LzwRatio = 2560;
// PackBits repeats a byte 128 times for two bytes.
constexpr int64_t PackBitsRatio = 64;
// Every 8 x 8 JPEG block takes at least a bit; every 16 x 16 VP8 macroblock too (its mode).
constexpr int64_t JpegBlockPixelsPerByte = 8 * 64;
constexpr int64_t Vp8PixelsPerByte = 8 * 256;
// Nothing is lost by calling a picture that needs no data at all "paintable by any data".
constexpr int64_t Unbounded = std::numeric_limits<int64_t>::max() / 4;

class TBytes {
public:
    explicit TBytes(const QByteArray& bytes) : FData(reinterpret_cast<const uchar*>(bytes.constData())), FSize(bytes.size()) {}
    qsizetype Size() const { return FSize; }
    bool Has(qsizetype at, qsizetype n) const { return at >= 0 && n >= 0 && at <= FSize && n <= FSize - at; }
    bool Is(qsizetype at, const char* text) const
    {
        const qsizetype n = qsizetype(std::strlen(text));
        return Has(at, n) && std::memcmp(FData + at, text, size_t(n)) == 0;
    }
    uint64_t Read(qsizetype at, int n, bool little) const
    {
        if (!Has(at, n))
            return 0;
        uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= uint64_t(FData[at + (little ? i : n - 1 - i)]) << (8 * i);
        return v;
    }
    // The part of [at, at + n) inside the file.
    int64_t Within(uint64_t at, uint64_t n) const { return at >= uint64_t(FSize) ? 0 : int64_t(std::min<uint64_t>(n, uint64_t(FSize) - at)); }

private:
    const uchar* FData;
    qsizetype FSize;
};

// ---- PNG: the IDAT chunks

int64_t PngPaintable(const TBytes& b)
{
    if (!b.Is(0, "\x89PNG\r\n\x1A\n") || !b.Is(12, "IHDR") || !b.Has(8, 25))
        return 0;
    const int depth = int(b.Read(24, 1, false));
    const int channels[] = {1, 0, 3, 1, 2, 0, 4}; // by colour type: grey, -, RGB, palette, grey + alpha, -, RGBA
    const int type = int(b.Read(25, 1, false));
    const int bits = type < 7 ? depth * channels[type] : 0;
    if (bits <= 0)
        return 0;
    int64_t data = 0;
    for (qsizetype at = 8; b.Has(at, 8);) {
        const uint64_t length = b.Read(at, 4, false);
        if (b.Is(at + 4, "IDAT"))
            data += b.Within(uint64_t(at) + 8, length);
        if (length + 12 > uint64_t(b.Size() - at))
            break;
        at += qsizetype(length) + 12;
    }
    // Row filter bytes are left out: the bound stays on the generous side.
    return data * DeflateRatio * 8 / bits;
}

// ---- TIFF: the strips or tiles of the first directory, classic or BigTIFF

// One tag of a directory: where its values are and how many of them lie inside the file.
struct TTiffTag {
    uint64_t At = 0;
    uint64_t Count = 0;
    int Size = 0; // bytes per value: SHORT 2, LONG 4, LONG8 8; 0 for other types
};

class TTiffDirectory {
public:
    explicit TTiffDirectory(const TBytes& b) : FBytes(b)
    {
        FLittle = b.Is(0, "II");
        if (!FLittle && !b.Is(0, "MM"))
            return;
        const uint64_t magic = b.Read(2, 2, FLittle);
        FBig = magic == 43 && b.Read(4, 2, FLittle) == 8;
        if (magic != 42 && !FBig)
            return;
        const uint64_t ifd = FBig ? b.Read(8, 8, FLittle) : b.Read(4, 4, FLittle);
        if (ifd >= uint64_t(b.Size()))
            return;
        FCount = b.Read(qsizetype(ifd), FBig ? 8 : 2, FLittle);
        FEntries = qsizetype(ifd) + (FBig ? 8 : 2);
    }

    TTiffTag Tag(int tag) const
    {
        const int entrySize = FBig ? 20 : 12, inlineBytes = FBig ? 8 : 4;
        for (uint64_t i = 0; i < FCount && FBytes.Has(FEntries + qsizetype(i) * entrySize, entrySize); ++i) {
            const qsizetype entry = FEntries + qsizetype(i) * entrySize;
            if (FBytes.Read(entry, 2, FLittle) != uint64_t(tag))
                continue;
            TTiffTag t;
            const uint64_t type = FBytes.Read(entry + 2, 2, FLittle);
            t.Size = type == 3 ? 2 : type == 4 ? 4 : type == 16 ? 8 : 0;
            if (t.Size == 0)
                return {};
            const uint64_t count = FBytes.Read(entry + 4, FBig ? 8 : 4, FLittle);
            const qsizetype field = entry + (FBig ? 12 : 8);
            t.At = count <= uint64_t(inlineBytes / t.Size) ? uint64_t(field) : FBytes.Read(field, inlineBytes, FLittle);
            t.Count = std::min(count, uint64_t(FBytes.Within(t.At, uint64_t(FBytes.Size()))) / uint64_t(t.Size));
            return t;
        }
        return {};
    }
    uint64_t Value(const TTiffTag& tag, uint64_t index, uint64_t fallback) const
    {
        return index < tag.Count ? FBytes.Read(qsizetype(tag.At + index * uint64_t(tag.Size)), tag.Size, FLittle) : fallback;
    }
    uint64_t Value(int tag, uint64_t fallback) const { return Value(Tag(tag), 0, fallback); }

private:
    const TBytes& FBytes;
    bool FLittle = true, FBig = false;
    uint64_t FCount = 0;
    qsizetype FEntries = 0;
};

int64_t TiffPaintable(const TBytes& b, int64_t width)
{
    const TTiffDirectory dir(b);
    enum { BitsPerSample = 258, Compression = 259, StripOffsets = 273, SamplesPerPixel = 277, StripByteCounts = 279,
           TileOffsets = 324, TileByteCounts = 325 };
    const bool tiled = dir.Tag(TileOffsets).Count > 0;
    const TTiffTag offsets = dir.Tag(tiled ? TileOffsets : StripOffsets), counts = dir.Tag(tiled ? TileByteCounts : StripByteCounts);
    int64_t data = 0;
    for (uint64_t i = 0; i < offsets.Count && data < b.Size(); ++i) {
        // Without byte counts (libtiff guesses them for plain strips), everything after the offset.
        data += b.Within(dir.Value(offsets, i, 0), counts.Count > 0 ? dir.Value(counts, i, 0) : uint64_t(b.Size()));
    }
    data = std::min<int64_t>(data, b.Size());
    const int64_t bits = int64_t(std::clamp<uint64_t>(dir.Value(BitsPerSample, 1), 1, 64))
                         * int64_t(std::clamp<uint64_t>(dir.Value(SamplesPerPixel, 1), 1, 64));
    switch (dir.Value(Compression, 1)) {
    case 1: // none
        return data * 8 / bits;
    case 32773:
        return data * PackBitsRatio * 8 / bits;
    case 5:
        return data * LzwRatio * 8 / bits;
    case 8:
    case 32946: // deflate
        return data * DeflateRatio * 8 / bits;
    case 6:
    case 7:
        return data * JpegBlockPixelsPerByte;
    default:
        // Fax coding (G3, G4) can code a row unchanged from the one above in a single bit; the
        // codecs without a known limit (ZSTD, LZMA, ...) are held to the same row.
        return data * 8 * std::max<int64_t>(width, 1);
    }
}

// ---- WebP: the VP8 or VP8L chunk, also inside animation frames

struct TWebPData {
    int64_t Lossy = 0;
    bool Lossless = false;
    QByteArray Exif;
};

void WalkWebP(const TBytes& b, const QByteArray& bytes, qsizetype at, qsizetype end, TWebPData& found, int depth)
{
    while (at + 8 <= end && b.Has(at, 8)) {
        const uint64_t size = b.Read(at + 4, 4, true);
        const qsizetype payload = at + 8;
        const int64_t present = std::min<int64_t>(b.Within(uint64_t(payload), size), end - payload);
        if (b.Is(at, "VP8 "))
            found.Lossy += present;
        else if (b.Is(at, "VP8L"))
            found.Lossless = found.Lossless || present > 5; // a header at least
        else if (b.Is(at, "EXIF") && found.Exif.isEmpty())
            found.Exif = bytes.mid(payload, qsizetype(present));
        else if (b.Is(at, "ANMF") && depth == 0 && present > 16)
            WalkWebP(b, bytes, payload + 16, payload + qsizetype(present), found, depth + 1);
        if (int64_t(size) > present)
            break;
        at = payload + qsizetype(size) + qsizetype(size & 1);
    }
}

TWebPData WebPData(const QByteArray& bytes)
{
    const TBytes b(bytes);
    TWebPData found;
    if (b.Is(0, "RIFF") && b.Is(8, "WEBP"))
        WalkWebP(b, bytes, 12, b.Size(), found, 0);
    return found;
}

} // namespace

int64_t PaintablePixels(const QByteArray& bytes, PictureKind kind, int64_t width)
{
    const TBytes b(bytes);
    switch (kind) {
    case PictureKind::Png:
        return PngPaintable(b);
    case PictureKind::Tiff:
        return TiffPaintable(b, width);
    case PictureKind::WebP: {
        const TWebPData data = WebPData(bytes);
        return data.Lossless ? Unbounded : data.Lossy * Vp8PixelsPerByte;
    }
    default:
        return 0;
    }
}

bool PngChunksFit(const QByteArray& bytes)
{
    const TBytes b(bytes);
    for (qsizetype at = 8; b.Has(at, 8);) {
        const uint64_t length = b.Read(at, 4, false);
        if (length + 12 > uint64_t(b.Size() - at))
            return b.Is(at + 4, "IDAT"); // only the picture data itself may be cut short
        at += qsizetype(length) + 12;
    }
    return true;
}

QByteArray WithoutLargePngText(const QByteArray& bytes)
{
    constexpr int64_t LargeText = 64 * 1024;
    const TBytes b(bytes);
    auto isText = [&](qsizetype at) { return b.Is(at + 4, "tEXt") || b.Is(at + 4, "zTXt") || b.Is(at + 4, "iTXt"); };
    int64_t text = 0;
    qsizetype at = 8;
    for (; b.Has(at, 8); at += qsizetype(b.Read(at, 4, false)) + 12) {
        const uint64_t length = b.Read(at, 4, false);
        if (isText(at))
            text += int64_t(length);
        if (length + 12 > uint64_t(b.Size() - at))
            break;
    }
    if (text <= LargeText)
        return bytes;
    QByteArray kept = bytes.left(8);
    for (at = 8; b.Has(at, 8);) {
        const uint64_t length = b.Read(at, 4, false);
        const qsizetype end = length + 12 > uint64_t(b.Size() - at) ? b.Size() : at + qsizetype(length) + 12;
        if (!isText(at))
            kept += QByteArrayView(bytes).sliced(at, end - at);
        at = end;
    }
    return kept;
}

QByteArray WebPExif(const QByteArray& bytes) { return WebPData(bytes).Exif; }
