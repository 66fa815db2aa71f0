#include "imageio/GifReader.h"

#include "imageio/DecodeBudget.h"
#include "imageio/GifLzw.h"

#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* message) { throw std::runtime_error(message); }
[[noreturn]] void InvalidData() { Fail("Invalid GIF data"); }

// A bounds-checked cursor over the file: running off the end is invalid data.
class TGifCursor {
public:
    TGifCursor(const uchar* data, qsizetype size) : FData(data), FEnd(data + size), FPos(data) {}
    int Byte()
    {
        Need(1);
        return *FPos++;
    }
    int Word()
    {
        Need(2);
        const int v = FPos[0] | (FPos[1] << 8);
        FPos += 2;
        return v;
    }
    const uchar* Take(qsizetype n)
    {
        Need(n);
        const uchar* p = FPos;
        FPos += n;
        return p;
    }
    // Skips a chain of data sub-blocks up to and including the zero-length terminator.
    void SkipSubBlocks()
    {
        for (int n = Byte(); n != 0; n = Byte())
            Take(n);
    }
    // Gathers a chain of data sub-blocks.
    std::vector<uchar> ReadSubBlocks()
    {
        std::vector<uchar> out;
        for (int n = Byte(); n != 0; n = Byte()) {
            const uchar* p = Take(n);
            out.insert(out.end(), p, p + n);
        }
        return out;
    }

private:
    void Need(qsizetype n) const
    {
        if (FEnd - FPos < n)
            InvalidData();
    }
    const uchar* FData;
    const uchar* FEnd;
    const uchar* FPos;
};

std::vector<TColor32> ReadColorTable(TGifCursor& in, int packed)
{
    const int count = 2 << (packed & 7);
    const uchar* p = in.Take(qsizetype(count) * 3);
    std::vector<TColor32> table(count);
    for (int i = 0; i < count; ++i)
        table[i] = Color32(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
    return table;
}

// Row of the n-th decoded line of an interlaced image (passes 0/8, 4/8, 2/4, 1/2).
int InterlacedRow(int n, int height)
{
    static constexpr int Start[4] = {0, 4, 2, 1};
    static constexpr int Step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows = height > Start[pass] ? (height - Start[pass] + Step[pass] - 1) / Step[pass] : 0;
        if (n < rows)
            return Start[pass] + n * Step[pass];
        n -= rows;
    }
    return -1;
}

} // namespace

void DecodeGif(const uchar* data, qsizetype size, TBitmap32& target)
{
    if (!data || size < 6 || std::memcmp(data, "GIF", 3) != 0)
        Fail("Invalid GIF signature");
    if (std::memcmp(data + 3, "87a", 3) != 0 && std::memcmp(data + 3, "89a", 3) != 0)
        Fail("Unsupported GIF version");
    TGifCursor in(data + 6, size - 6);

    const int screenWidth = in.Word();
    const int screenHeight = in.Word();
    const int screenFlags = in.Byte();
    in.Byte(); // background colour index
    in.Byte(); // pixel aspect ratio
    std::vector<TColor32> globalTable;
    // The background colour is never painted (uncovered pixels stay transparent), so an index
    // beyond the table does no harm; viewers ignore it too.
    if (screenFlags & 0x80)
        globalTable = ReadColorTable(in, screenFlags);

    int transparent = -1;
    for (;;) {
        const int introducer = in.Byte();
        if (introducer == 0x3B) // trailer before any image
            Fail("Image is empty");
        if (introducer == 0x21) {
            const int label = in.Byte();
            if (label == 0xF9) {
                const std::vector<uchar> gce = in.ReadSubBlocks();
                if (gce.size() < 4)
                    InvalidData();
                transparent = (gce[0] & 1) ? gce[3] : -1;
            } else if (label == 0xFF) {
                // An application extension starts with an eleven-byte identifier block.
                const int n = in.Byte();
                if (n != 11)
                    InvalidData();
                const uchar* id = in.Take(11);
                if (id[0] == 0)
                    InvalidData();
                in.SkipSubBlocks();
            } else {
                in.SkipSubBlocks();
            }
            continue;
        }
        if (introducer != 0x2C)
            Fail("Unknown GIF block type");

        int left = in.Word();
        int top = in.Word();
        const int width = in.Word();
        const int height = in.Word();
        const int flags = in.Byte();
        const std::vector<TColor32> localTable = (flags & 0x80) ? ReadColorTable(in, flags) : std::vector<TColor32>();
        const std::vector<TColor32>& table = localTable.empty() ? globalTable : localTable;
        if (width == 0 || height == 0)
            Fail("Image is empty");
        if (table.empty())
            InvalidData();
        // A transparent index beyond the table names no colour any pixel can have: ignored.
        if (transparent >= int(table.size()))
            transparent = -1;
        int canvasWidth = std::max(screenWidth, left + width);
        int canvasHeight = std::max(screenHeight, top + height);
        // A screen far larger than its image would cost memory no pixel pays for: the picture is
        // cut to the image's own rectangle then.
        if (int64_t(canvasWidth) * canvasHeight * 4 > DecodeBudgetBytes && int64_t(canvasWidth) * canvasHeight > 4 * int64_t(width) * height) {
            canvasWidth = width;
            canvasHeight = height;
            left = top = 0;
        }
        CheckBitmapSize(canvasWidth, canvasHeight);

        const int minCodeSize = in.Byte();
        const std::vector<uchar> lzw = in.ReadSubBlocks();
        // The data must hold every pixel before the pixels get any memory.
        const qsizetype count = qsizetype(width) * height;
        if (!LzwDecode(lzw.data(), qsizetype(lzw.size()), minCodeSize, nullptr, count))
            InvalidData();
        std::vector<uchar> indices(static_cast<size_t>(count));
        LzwDecode(lzw.data(), qsizetype(lzw.size()), minCodeSize, indices.data(), count);

        TBitmap32 canvas(canvasWidth, canvasHeight);
        const bool interlaced = flags & 0x40;
        for (int n = 0; n < height; ++n) {
            const int row = interlaced ? InterlacedRow(n, height) : n;
            const uchar* src = indices.data() + size_t(n) * width;
            TColor32* dst = canvas.ScanLine(top + row) + left;
            for (int x = 0; x < width; ++x) {
                const int index = src[x];
                if (index >= int(table.size()))
                    InvalidData();
                if (index != transparent)
                    dst[x] = table[index];
            }
        }
        target = std::move(canvas);
        return;
    }
}
