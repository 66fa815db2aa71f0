#include "render/photo/Sampler.h"

#include <cstddef>

namespace {
inline uint32_t ReverseBits(uint32_t x)
{
    x = __builtin_bswap32(x);
    x = ((x >> 1) & 0x55555555u) | ((x & 0x55555555u) << 1);
    x = ((x >> 2) & 0x33333333u) | ((x & 0x33333333u) << 2);
    return ((x >> 4) & 0x0F0F0F0Fu) | ((x & 0x0F0F0F0Fu) << 4);
}

// A random permutation of the bits that keeps every subtree of the lowest bits together (Laine
// and Karras); on reversed bits it is a nested uniform (Owen) scramble.
inline uint32_t LaineKarras(uint32_t x, uint32_t seed)
{
    x += seed;
    x ^= x * 0x6c50b47cu;
    x ^= x * 0xb82f1e52u;
    x ^= x * 0xc7afe638u;
    x ^= x * 0x8d22f6e6u;
    return x;
}

inline uint32_t OwenScramble(uint32_t x, uint32_t seed) { return ReverseBits(LaineKarras(ReverseBits(x), seed)); }

// The second Sobol dimension (primitive polynomial x + 1): the direction numbers of the index's
// set bits, combined.
uint32_t SobolSecond(uint32_t index)
{
    static const std::array<uint32_t, 32> directions = [] {
        std::array<uint32_t, 32> v{};
        v[0] = 1u << 31;
        for (std::size_t k = 1; k < v.size(); ++k)
            v[k] = v[k - 1] ^ (v[k - 1] >> 1);
        return v;
    }();
    uint32_t result = 0;
    for (; index; index &= index - 1)
        result ^= directions[std::size_t(__builtin_ctz(index))];
    return result;
}

constexpr double ToUnit = 1.0 / 4294967296.0;
} // namespace

uint32_t TSampler::Hash(uint32_t a, uint32_t b)
{
    // A small integer hash (lowbias32) of a combined with b.
    uint32_t x = a ^ (b * 0x9E3779B9u + 0x7F4A7C15u);
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

std::array<double, 2> TSampler::Next2D()
{
    const uint32_t seed = Hash(FSeed, FDimension++);
    const uint32_t index = OwenScramble(FIndex, Hash(seed, 1));
    // The first dimension is the index's bits reversed, so its scramble needs no reversal.
    const uint32_t x = ReverseBits(LaineKarras(index, Hash(seed, 2)));
    const uint32_t y = OwenScramble(SobolSecond(index), Hash(seed, 3));
    return {x * ToUnit, y * ToUnit};
}

double TSampler::Next1D()
{
    const uint32_t seed = Hash(FSeed, FDimension++);
    const uint32_t index = OwenScramble(FIndex, Hash(seed, 1));
    return ReverseBits(LaineKarras(index, Hash(seed, 2))) * ToUnit;
}
