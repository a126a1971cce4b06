// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/tolerance_draws.h"

#include <cmath>

namespace zelvar {

namespace {

constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ULL;  // 2^64 / golden ratio, SplitMix64's increment
constexpr long double kTwoPiDraw = 6.283185307179586477L;

// A uniform real in (0, 1]: the upper 63 bits, plus one, over 2^63.  Never 0,
// so that its logarithm is finite.
long double unit_open_zero(std::uint64_t bits) {
    return (static_cast<long double>(bits >> 1) + 1) * 0x1p-63L;
}

}  // namespace

std::uint64_t draw_bits(std::uint64_t seed, std::int64_t run, int element, int k) {
    // One key per (seed, run), then one counter per (element, k) under it.
    const std::uint64_t key = splitmix64_mix(splitmix64_mix(seed + kGolden) ^ static_cast<std::uint64_t>(run));
    const std::uint64_t counter = (static_cast<std::uint64_t>(element) << 32) + static_cast<std::uint64_t>(k) + 1;
    return splitmix64_mix(key + counter * kGolden);
}

long double symmetric_unit(std::uint64_t bits) {
    // (m + 1/2) / 2^62 − 1 with m < 2^63: m + 1/2 needs 64 bits, exactly held.
    return (static_cast<long double>(bits >> 1) + 0.5L) * 0x1p-62L - 1;
}

long double tolerance_deviation(Distribution dist, std::uint64_t seed, std::int64_t run, int element) {
    if (dist == Distribution::uniform) return symmetric_unit(draw_bits(seed, run, element, 0));
    // Box–Muller on pairs of words until the value lies within three σ; the
    // chance of a redraw is 0.27 %.
    for (int k = 0;; k += 2) {
        const long double u1 = unit_open_zero(draw_bits(seed, run, element, k));
        const long double u2 = unit_open_zero(draw_bits(seed, run, element, k + 1));
        const long double z = std::sqrt(-2 * std::log(u1)) * std::cos(kTwoPiDraw * u2);
        const long double d = z / 3;
        if (!(std::fabs(d) > 1)) return d;
    }
}

}  // namespace zelvar
