#pragma once
// Low-discrepancy samples: every pair of dimensions is the 2D Sobol sequence with hash-based
// Owen scrambling, its order shuffled per pixel and per pair (Burley 2020), so each pixel's
// samples stay well spread in every pair and pairs stay uncorrelated. Deterministic for a seed.

#include <array>
#include <cstdint>

class TSampler {
public:
    TSampler(uint32_t pixelSeed, uint32_t sampleIndex) : FSeed(pixelSeed), FIndex(sampleIndex) {}
    // The next pair of numbers in [0, 1).
    std::array<double, 2> Next2D();
    double Next1D(); // the first of a pair, for one number alone

    static uint32_t Hash(uint32_t a, uint32_t b);

private:
    uint32_t FSeed, FIndex;
    uint32_t FDimension = 0;
};
