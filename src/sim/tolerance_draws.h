// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reproducible random draws for the tolerance analysis.
//
// Draw number k of element e in run i depends only on (seed, i, e, k): each
// draw hashes its own counter with SplitMix64, so a run's values are the same
// whatever the number of threads and whatever order the runs finish in.  The
// transforms to a uniform or a Gaussian value are written here (the
// library's distributions are free to differ between implementations).
#include <cstdint>

namespace zelvar {

enum class Distribution : int { uniform = 0, gauss = 1 };

// The SplitMix64 finalizer: a bijection of 64-bit words that spreads every
// input bit over the whole output.
inline std::uint64_t splitmix64_mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// The k-th 64-bit word of element e in run i (i >= 0, e >= 0, k >= 0).
std::uint64_t draw_bits(std::uint64_t seed, std::int64_t run, int element, int k);

// A 64-bit word as a real in (-1, 1): the upper 63 bits plus one half, scaled;
// exact in the 64-bit significand, symmetric around 0, never ±1.
long double symmetric_unit(std::uint64_t bits);

// The relative deviation of element e in run i, in units of its tolerance:
//  - uniform: uniform in (-1, 1);
//  - gauss:   a normal value with σ = 1/3 (Box–Muller), drawn again while it
//             lies outside [-1, 1] (a Gaussian truncated at ±3σ).
long double tolerance_deviation(Distribution dist, std::uint64_t seed, std::int64_t run, int element);

}  // namespace zelvar
