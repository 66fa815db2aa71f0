#include "imageio/GifLzw.h"

#include <cstdint>

namespace {
constexpr int MaxCodes = 4096;
constexpr int MaxBits = 12;
}

bool LzwDecode(const uchar* data, qsizetype size, int minCodeSize, uchar* out, qsizetype count)
{
    if (minCodeSize < 1 || minCodeSize > 11)
        return false;
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    uint16_t prefix[MaxCodes];
    uchar suffix[MaxCodes];
    uchar first[MaxCodes]; // first index of each code's string
    uchar stack[MaxCodes + 1];
    for (int i = 0; i < clear; ++i) {
        prefix[i] = 0;
        suffix[i] = uchar(i);
        first[i] = uchar(i);
    }

    int codeSize = minCodeSize + 1;
    int next = end + 1;
    int previous = -1;
    uint32_t bits = 0;
    int bitCount = 0;
    qsizetype pos = 0;
    qsizetype written = 0;

    while (written < count) {
        while (bitCount < codeSize) {
            if (pos >= size)
                return false; // data ended before the picture was complete
            bits |= uint32_t(data[pos++]) << bitCount;
            bitCount += 8;
        }
        const int code = int(bits & ((1u << codeSize) - 1));
        bits >>= codeSize;
        bitCount -= codeSize;

        if (code == clear) {
            codeSize = minCodeSize + 1;
            next = end + 1;
            previous = -1;
            continue;
        }
        if (code == end)
            return false;
        if (previous < 0) {
            if (code >= clear)
                return false; // the first code after a clear must be a literal
            if (out)
                out[written] = uchar(code);
            ++written;
            previous = code;
            continue;
        }
        if (code > next || (code == next && next >= MaxCodes))
            return false;

        // Unwind the string of code (or of previous + its first index for the code not yet made).
        int sp = 0;
        int c = code;
        if (code == next) {
            stack[sp++] = first[previous];
            c = previous;
        }
        while (c >= clear) {
            stack[sp++] = suffix[c];
            c = prefix[c];
        }
        stack[sp++] = uchar(c);
        const uchar head = uchar(c);

        if (next < MaxCodes) {
            prefix[next] = uint16_t(previous);
            suffix[next] = head;
            first[next] = first[previous];
            ++next;
            if (next == (1 << codeSize) && codeSize < MaxBits)
                ++codeSize;
        }
        previous = code;
        if (!out) {
            written += sp;
            continue;
        }
        while (sp > 0 && written < count)
            out[written++] = stack[--sp];
    }
    return true;
}

namespace {

// Packs codes into bytes; with a sink, full pieces leave as they fill.
class TBitWriter {
public:
    using TSink = std::function<void(const uchar*, qsizetype)>;
    TBitWriter(std::vector<uchar>& out, const TSink* sink) : FOut(out), FSink(sink) {}
    void Put(int code, int size)
    {
        FBits |= uint32_t(code) << FCount;
        FCount += size;
        while (FCount >= 8) {
            FOut.push_back(uchar(FBits));
            FBits >>= 8;
            FCount -= 8;
        }
        if (FSink && qsizetype(FOut.size()) >= LzwPieceBytes - 4)
            Hand();
    }
    void Flush()
    {
        if (FCount > 0)
            FOut.push_back(uchar(FBits));
        FBits = 0;
        FCount = 0;
        if (FSink)
            Hand();
    }

private:
    void Hand()
    {
        if (!FOut.empty())
            (*FSink)(FOut.data(), qsizetype(FOut.size()));
        FOut.clear();
    }
    std::vector<uchar>& FOut;
    const TSink* FSink;
    uint32_t FBits = 0;
    int FCount = 0;
};

void Encode(const uchar* indices, qsizetype count, int minCodeSize, TBitWriter& writer)
{
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;

    // Open-addressing table of (prefix code, index) -> code.
    constexpr int HashSize = 8192;
    std::vector<int32_t> keys(HashSize, -1);
    std::vector<uint16_t> codes(HashSize);
    auto reset = [&]() { std::fill(keys.begin(), keys.end(), -1); };

    int codeSize = minCodeSize + 1;
    int next = end + 1;
    writer.Put(clear, codeSize);
    if (count == 0) {
        writer.Put(end, codeSize);
        writer.Flush();
        return;
    }

    int current = indices[0];
    for (qsizetype i = 1; i < count; ++i) {
        const int k = indices[i];
        const int32_t key = (current << 8) | k;
        uint32_t h = (uint32_t(key) * 2654435761u) >> 19; // 13 bits
        while (keys[h] != -1 && keys[h] != key)
            h = (h + 1) & (HashSize - 1);
        if (keys[h] == key) {
            current = codes[h];
            continue;
        }
        writer.Put(current, codeSize);
        if (next < MaxCodes) {
            keys[h] = key;
            codes[h] = uint16_t(next);
            // The decoder widens its codes once it has made the code 2^size - 1... one step later
            // than us: widen when the code just assigned needs the extra bit.
            if (next == (1 << codeSize) && codeSize < MaxBits)
                ++codeSize;
            ++next;
        } else {
            writer.Put(clear, codeSize);
            reset();
            codeSize = minCodeSize + 1;
            next = end + 1;
        }
        current = k;
    }
    writer.Put(current, codeSize);
    writer.Put(end, codeSize);
    writer.Flush();
}

} // namespace

std::vector<uchar> LzwEncode(const uchar* indices, qsizetype count, int minCodeSize)
{
    std::vector<uchar> out;
    out.reserve(size_t(count / 2 + 16));
    TBitWriter writer(out, nullptr);
    Encode(indices, count, minCodeSize, writer);
    return out;
}

void LzwEncode(const uchar* indices, qsizetype count, int minCodeSize,
               const std::function<void(const uchar* piece, qsizetype size)>& sink)
{
    std::vector<uchar> piece;
    piece.reserve(size_t(LzwPieceBytes));
    TBitWriter writer(piece, &sink);
    Encode(indices, count, minCodeSize, writer);
}
