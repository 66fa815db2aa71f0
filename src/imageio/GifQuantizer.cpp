#include "imageio/GifQuantizer.h"

#include <algorithm>
#include <cstdint>
#include <limits>

const std::array<TColor32, 20>& StaticPaletteColors()
{
    static const std::array<TColor32, 20> colors = {
        Color32(0, 0, 0),       Color32(128, 0, 0),     Color32(0, 128, 0),     Color32(128, 128, 0),
        Color32(0, 0, 128),     Color32(128, 0, 128),   Color32(0, 128, 128),   Color32(192, 192, 192),
        Color32(192, 220, 192), Color32(166, 202, 240), Color32(255, 251, 240), Color32(160, 160, 164),
        Color32(128, 128, 128), Color32(255, 0, 0),     Color32(0, 255, 0),     Color32(255, 255, 0),
        Color32(0, 0, 255),     Color32(255, 0, 255),   Color32(0, 255, 255),   Color32(255, 255, 255),
    };
    return colors;
}

namespace {

class TOctree {
public:
    TOctree() { FNodes.push_back(TNode{}); }

    // Adds count pixels whose channel sums are r, g, b, filed under their mean colour.
    void Add(TColor32 mean, uint64_t count, uint64_t r, uint64_t g, uint64_t b)
    {
        const int mr = RedOf(mean), mg = GreenOf(mean), mb = BlueOf(mean);
        int node = 0;
        for (int level = 0; level < Depth; ++level) {
            if (FNodes[size_t(node)].Leaf)
                break;
            const int shift = 7 - level;
            const int child = (((mr >> shift) & 1) << 2) | (((mg >> shift) & 1) << 1) | ((mb >> shift) & 1);
            if (FNodes[size_t(node)].Child[child] < 0) {
                const int made = int(FNodes.size());
                if (FNodes[size_t(node)].ChildCount++ == 0)
                    FReducible[size_t(level)].push_back(node);
                FNodes[size_t(node)].Child[child] = made;
                TNode fresh;
                fresh.Level = uint8_t(level + 1);
                fresh.Leaf = level + 1 == Depth;
                FNodes.push_back(fresh);
                if (fresh.Leaf)
                    ++FLeaves;
            }
            node = FNodes[size_t(node)].Child[child];
        }
        TNode& leaf = FNodes[size_t(node)];
        leaf.R += r;
        leaf.G += g;
        leaf.B += b;
        leaf.Count += count;
    }

    std::vector<TColor32> Colors(int maxColors)
    {
        // Counts are final now: order each level's nodes so the least populated are merged first.
        std::vector<uint64_t> totals(FNodes.size(), 0);
        Total(0, totals);
        for (auto& list : FReducible)
            std::sort(list.begin(), list.end(), [&](int a, int b) { return totals[size_t(a)] > totals[size_t(b)]; });
        while (FLeaves > maxColors && ReduceOne()) {
        }
        std::vector<std::pair<uint64_t, TColor32>> leaves;
        Collect(0, leaves);
        std::sort(leaves.begin(), leaves.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        std::vector<TColor32> colors;
        for (const auto& [count, color] : leaves)
            colors.push_back(color);
        return colors;
    }

private:
    static constexpr int Depth = 8;

    struct TNode {
        uint64_t R = 0, G = 0, B = 0, Count = 0;
        int32_t Child[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
        uint8_t Level = 0;
        uint8_t ChildCount = 0;
        bool Leaf = false;
    };

    uint64_t Total(int node, std::vector<uint64_t>& totals) const
    {
        const TNode& n = FNodes[size_t(node)];
        uint64_t sum = n.Count;
        if (!n.Leaf)
            for (int c : n.Child)
                if (c >= 0)
                    sum += Total(c, totals);
        totals[size_t(node)] = sum;
        return sum;
    }

    // Folds the children of one node at the deepest level that has any into it.
    bool ReduceOne()
    {
        int level = Depth - 1;
        while (level >= 0 && FReducible[size_t(level)].empty())
            --level;
        if (level < 0)
            return false;
        const int node = FReducible[size_t(level)].back();
        FReducible[size_t(level)].pop_back();
        TNode& n = FNodes[size_t(node)];
        int merged = 0;
        for (int& c : n.Child) {
            if (c < 0)
                continue;
            const TNode& child = FNodes[size_t(c)];
            n.R += child.R;
            n.G += child.G;
            n.B += child.B;
            n.Count += child.Count;
            c = -1;
            ++merged;
        }
        n.Leaf = true;
        n.ChildCount = 0;
        FLeaves -= merged - 1;
        return true;
    }

    void Collect(int node, std::vector<std::pair<uint64_t, TColor32>>& out) const
    {
        const TNode& n = FNodes[size_t(node)];
        if (n.Leaf) {
            if (n.Count > 0)
                out.emplace_back(n.Count, Color32(int((n.R + n.Count / 2) / n.Count), int((n.G + n.Count / 2) / n.Count),
                                                  int((n.B + n.Count / 2) / n.Count)));
            return;
        }
        for (int c : n.Child)
            if (c >= 0)
                Collect(c, out);
    }

    std::vector<TNode> FNodes;
    std::vector<int> FReducible[Depth];
    int FLeaves = 0;
};

int Distance(TColor32 c, int r, int g, int b)
{
    const int dr = RedOf(c) - r, dg = GreenOf(c) - g, db = BlueOf(c) - b;
    return dr * dr + dg * dg + db * db;
}

} // namespace

namespace {

// Cells of 6 bits per channel, each keeping the exact sums of its pixels.
std::vector<TColorHistogram::TCell> GatherCells(const std::vector<const TBitmap32*>& pictures)
{
    constexpr size_t CellCount = size_t(1) << 18;
    std::vector<uint32_t> count(CellCount, 0);
    std::vector<uint64_t> sums(CellCount * 3, 0);
    for (const TBitmap32* picture : pictures) {
        const TColor32* px = picture->Bits();
        const size_t n = size_t(picture->Width()) * size_t(picture->Height());
        for (size_t i = 0; i < n; ++i) {
            const TColor32 c = px[i];
            const size_t cell = ((c >> 6) & 0x3F000) | ((c >> 4) & 0xFC0) | ((c >> 2) & 0x3F);
            ++count[cell];
            sums[cell * 3] += RedOf(c);
            sums[cell * 3 + 1] += GreenOf(c);
            sums[cell * 3 + 2] += BlueOf(c);
        }
    }
    std::vector<TColorHistogram::TCell> cells;
    for (size_t cell = 0; cell < CellCount; ++cell) {
        const uint64_t k = count[cell];
        if (k == 0)
            continue;
        cells.push_back({Color32(int((sums[cell * 3] + k / 2) / k), int((sums[cell * 3 + 1] + k / 2) / k),
                                 int((sums[cell * 3 + 2] + k / 2) / k)),
                         k, sums[cell * 3], sums[cell * 3 + 1], sums[cell * 3 + 2]});
    }
    return cells;
}

} // namespace

TColorHistogram::TColorHistogram(const TBitmap32& picture) : Cells(GatherCells({&picture})) {}

TColorHistogram::TColorHistogram(const std::vector<TBitmap32>& pictures)
{
    std::vector<const TBitmap32*> all;
    for (const TBitmap32& p : pictures)
        all.push_back(&p);
    Cells = GatherCells(all);
}

TColorHistogram TColorHistogram::Coarser() const
{
    // Cells of 5 bits per channel made of the 6-bit ones.
    TColorHistogram out;
    std::vector<int> slot(size_t(1) << 15, -1);
    for (const TCell& c : Cells) {
        const size_t key = size_t((RedOf(c.Mean) >> 3) << 10 | (GreenOf(c.Mean) >> 3) << 5 | (BlueOf(c.Mean) >> 3));
        if (slot[key] < 0) {
            slot[key] = int(out.Cells.size());
            out.Cells.push_back({0, 0, 0, 0, 0});
        }
        TCell& d = out.Cells[size_t(slot[key])];
        d.Count += c.Count;
        d.R += c.R;
        d.G += c.G;
        d.B += c.B;
    }
    for (TCell& d : out.Cells)
        d.Mean = Color32(int((d.R + d.Count / 2) / d.Count), int((d.G + d.Count / 2) / d.Count), int((d.B + d.Count / 2) / d.Count));
    return out;
}

std::vector<TColor32> OctreeColors(const TColorHistogram& histogram, int maxColors)
{
    TOctree tree;
    for (const TColorHistogram::TCell& c : histogram.Cells)
        tree.Add(c.Mean, c.Count, c.R, c.G, c.B);
    return tree.Colors(maxColors);
}

std::vector<TColor32> OctreeColors(const TBitmap32& picture, int maxColors)
{
    return OctreeColors(TColorHistogram(picture), maxColors);
}

void RefineColors(std::vector<TColor32>& colors, const std::vector<TColor32>& fixed, const TColorHistogram& histogram, int passes)
{
    const size_t movable = colors.size();
    if (movable == 0)
        return;
    struct TEntry {
        int R, G, B;
        size_t Index;
    };
    for (int pass = 0; pass < passes; ++pass) {
        // The palette sorted by red: a search walks outwards from the cell's red value and stops
        // once the red difference alone is farther than the best match so far.
        std::vector<TEntry> sorted;
        for (size_t i = 0; i < movable + fixed.size(); ++i) {
            const TColor32 c = i < movable ? colors[i] : fixed[i - movable];
            sorted.push_back({RedOf(c), GreenOf(c), BlueOf(c), i});
        }
        std::sort(sorted.begin(), sorted.end(), [](const TEntry& a, const TEntry& b) { return a.R < b.R; });
        std::vector<int> redStart(257, 0);
        for (int r = 0, i = 0; r <= 256; ++r) {
            while (i < int(sorted.size()) && sorted[size_t(i)].R < r)
                ++i;
            redStart[size_t(r)] = i;
        }
        std::vector<uint64_t> sums(movable * 4, 0);
        for (const TColorHistogram::TCell& cell : histogram.Cells) {
            const int r = RedOf(cell.Mean), g = GreenOf(cell.Mean), b = BlueOf(cell.Mean);
            int best = -1;
            int bestDistance = std::numeric_limits<int>::max();
            auto consider = [&](const TEntry& e) {
                const int dr = e.R - r, dg = e.G - g, db = e.B - b;
                const int d = dr * dr + dg * dg + db * db;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = int(e.Index);
                }
            };
            const int n = int(sorted.size());
            for (int up = redStart[size_t(r)], down = up - 1; up < n || down >= 0;) {
                bool progressed = false;
                if (up < n) {
                    const int dr = sorted[size_t(up)].R - r;
                    if (dr * dr < bestDistance) {
                        consider(sorted[size_t(up++)]);
                        progressed = true;
                    } else {
                        up = n;
                    }
                }
                if (down >= 0) {
                    const int dr = r - sorted[size_t(down)].R;
                    if (dr * dr < bestDistance) {
                        consider(sorted[size_t(down--)]);
                        progressed = true;
                    } else {
                        down = -1;
                    }
                }
                if (!progressed)
                    break;
            }
            if (best < 0 || size_t(best) >= movable)
                continue; // served by a fixed colour
            sums[size_t(best) * 4] += cell.Count;
            sums[size_t(best) * 4 + 1] += cell.R;
            sums[size_t(best) * 4 + 2] += cell.G;
            sums[size_t(best) * 4 + 3] += cell.B;
        }
        for (size_t i = 0; i < movable; ++i) {
            const uint64_t k = sums[i * 4];
            if (k > 0)
                colors[i] = Color32(int((sums[i * 4 + 1] + k / 2) / k), int((sums[i * 4 + 2] + k / 2) / k),
                                    int((sums[i * 4 + 3] + k / 2) / k));
        }
    }
}

TNearestColor::TNearestColor(std::vector<TColor32> palette)
    : FPalette(std::move(palette)), FCells(32 * 32 * 32), FCellReady(32 * 32 * 32, false)
{
}

const std::vector<uint8_t>& TNearestColor::Candidates(int cell)
{
    std::vector<uint8_t>& list = FCells[size_t(cell)];
    if (FCellReady[size_t(cell)])
        return list;
    FCellReady[size_t(cell)] = true;
    // Entries whose nearest possible distance to the cell beats every entry's farthest one.
    const int lo[3] = {((cell >> 10) & 31) << 3, ((cell >> 5) & 31) << 3, (cell & 31) << 3};
    auto axisMin = [](int v, int l) { return v < l ? l - v : (v > l + 7 ? v - (l + 7) : 0); };
    auto axisMax = [](int v, int l) { return std::max(std::abs(v - l), std::abs(v - (l + 7))); };
    int bestMax = std::numeric_limits<int>::max();
    std::vector<int> minDist(FPalette.size());
    for (size_t i = 0; i < FPalette.size(); ++i) {
        const int c[3] = {RedOf(FPalette[i]), GreenOf(FPalette[i]), BlueOf(FPalette[i])};
        int dMin = 0, dMax = 0;
        for (int k = 0; k < 3; ++k) {
            const int a = axisMin(c[k], lo[k]), z = axisMax(c[k], lo[k]);
            dMin += a * a;
            dMax += z * z;
        }
        minDist[i] = dMin;
        bestMax = std::min(bestMax, dMax);
    }
    for (size_t i = 0; i < FPalette.size(); ++i)
        if (minDist[i] <= bestMax)
            list.push_back(uint8_t(i));
    return list;
}

int TNearestColor::Find(int r, int g, int b)
{
    const std::vector<uint8_t>& list = Candidates(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
    int best = list.front();
    int bestDistance = std::numeric_limits<int>::max();
    for (uint8_t i : list) {
        const int d = Distance(FPalette[i], r, g, b);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

TPaletteCache::TPaletteCache(const std::vector<TColor32>& palette) : FTable(size_t(1) << 18, int16_t(-1))
{
    for (TColor32 c : palette) {
        FR.push_back(RedOf(c));
        FG.push_back(GreenOf(c));
        FB.push_back(BlueOf(c));
    }
}

int TPaletteCache::Search(int r, int g, int b) const
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (size_t i = 0; i < FR.size(); ++i) {
        const int dr = FR[i] - r, dg = FG[i] - g, db = FB[i] - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

TPaletteDitherer::TPaletteDitherer(std::vector<TColor32> palette, int width)
    : FPalette(std::move(palette)), FNearest(FPalette), FWidth(width), FCurrent(size_t(width + 2) * 3, 0),
      FBelow(size_t(width + 2) * 3, 0)
{
}

void TPaletteDitherer::Restart()
{
    FRow = 0;
    std::fill(FCurrent.begin(), FCurrent.end(), 0);
}

qint64 TPaletteDitherer::HeldBytes() const
{
    return qint64(FCurrent.capacity() + FBelow.capacity()) * qint64(sizeof(int)) + (qint64(1) << 18) * 2;
}

void TPaletteDitherer::Row(const TColor32* line, uint8_t* indices)
{
    const int w = FWidth;
    const bool leftToRight = (FRow++ % 2) == 0;
    const int step = leftToRight ? 1 : -1;
    std::fill(FBelow.begin(), FBelow.end(), 0);
    for (int i = 0; i < w; ++i) {
        const int x = leftToRight ? i : w - 1 - i;
        const TColor32 p = line[x];
        int* err = &FCurrent[size_t(x + 1) * 3];
        const int want[3] = {std::clamp(RedOf(p) + (err[0] + 8 * (err[0] > 0 ? 1 : -1)) / 16, 0, 255),
                             std::clamp(GreenOf(p) + (err[1] + 8 * (err[1] > 0 ? 1 : -1)) / 16, 0, 255),
                             std::clamp(BlueOf(p) + (err[2] + 8 * (err[2] > 0 ? 1 : -1)) / 16, 0, 255)};
        const int index = FNearest.Find(want[0], want[1], want[2]);
        indices[x] = uint8_t(index);
        const TColor32 got = FPalette[size_t(index)];
        // Errors are passed on at 7/8 strength: full strength piles grain onto photos for
        // little gain in tone, and costs some 2 dB of fidelity.
        const int e[3] = {(want[0] - RedOf(got)) * 7 / 8, (want[1] - GreenOf(got)) * 7 / 8, (want[2] - BlueOf(got)) * 7 / 8};
        for (int k = 0; k < 3; ++k) {
            FCurrent[size_t(x + 1 + step) * 3 + k] += e[k] * 7;
            FBelow[size_t(x + 1 - step) * 3 + k] += e[k] * 3;
            FBelow[size_t(x + 1) * 3 + k] += e[k] * 5;
            FBelow[size_t(x + 1 + step) * 3 + k] += e[k];
        }
    }
    std::swap(FCurrent, FBelow);
}

std::vector<uint8_t> DitherToPalette(const TBitmap32& picture, const std::vector<TColor32>& palette)
{
    const int w = picture.Width(), h = picture.Height();
    std::vector<uint8_t> out(size_t(w) * size_t(h));
    TPaletteDitherer ditherer(palette, w);
    for (int y = 0; y < h; ++y)
        ditherer.Row(picture.ScanLine(y), out.data() + size_t(y) * w);
    return out;
}

constexpr int RefinePasses = 6;

std::vector<TColor32> GifPalette(const TColorHistogram& histogram)
{
    const auto& statics = StaticPaletteColors();
    std::vector<TColor32> palette(256, Color32(0, 0, 0));
    for (int i = 0; i < 10; ++i) {
        palette[size_t(i)] = statics[size_t(i)];
        palette[size_t(246 + i)] = statics[size_t(10 + i)];
    }
    std::vector<TColor32> colors = OctreeColors(histogram, 236);
    // A few k-means passes move the octree's colours to the centres of the pixels they serve.
    RefineColors(colors, std::vector<TColor32>(statics.begin(), statics.end()), histogram, RefinePasses);
    for (size_t i = 0; i < colors.size(); ++i)
        palette[10 + i] = colors[i];
    // Unused middle slots repeat a static colour rather than add a stray black.
    for (size_t i = 10 + colors.size(); i < 246; ++i)
        palette[i] = statics[0];
    return palette;
}

TIndexedPicture ReduceToGifPalette(const TBitmap32& picture)
{
    TIndexedPicture out;
    out.Width = picture.Width();
    out.Height = picture.Height();
    out.Palette = GifPalette(TColorHistogram(picture));
    out.Indices = DitherToPalette(picture, out.Palette);
    return out;
}
