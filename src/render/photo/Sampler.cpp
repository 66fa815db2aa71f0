#include "render/photo/Sampler.h"

namespace {
uint32_t ReverseBits(uint32_t x)
{
    x = ((x >> 1) & 0x55555555u) | ((x & 0x55555555u) << 1);
    x = ((x >> 2) & 0x33333333u) | ((x & 0x33333333u) << 2);
    x = ((x >> 4) & 0x0F0F0F0Fu) | ((x & 0x0F0F0F0Fu) << 4);
    x = ((x >> 8) & 0x00FF00FFu) | ((x & 0x00FF00FFu) << 8);
    return (x >> 16) | (x << 16);
}

// A random permutation of the bits from the highest down that keeps every prefix's subtree
// together (Laine and Karras), applied on reversed bits: a nested uniform scramble.
uint32_t OwenScramble(uint32_t x, uint32_t seed)
{
    x = ReverseBits(x);
    x += seed;
    x ^= x * 0x6c50b47cu;
    x ^= x * 0xb82f1e52u;
    x ^= x * 0xc7afe638u;
    x ^= x * 0x8d22f6e6u;
    return ReverseBits(x);
}

// The second Sobol dimension (primitive polynomial x + 1).
uint32_t SobolSecond(uint32_t index)
{
    uint32_t result = 0, v = 1u << 31;
    for (; index; index >>= 1, v ^= v >> 1)
        if (index & 1)
            result ^= v;
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
    const uint32_t x = OwenScramble(ReverseBits(index), Hash(seed, 2));
    const uint32_t y = OwenScramble(SobolSecond(index), Hash(seed, 3));
    return {x * ToUnit, y * ToUnit};
}
