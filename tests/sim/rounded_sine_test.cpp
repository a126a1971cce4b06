// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/rounded_sine.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "sim/default_design_circuit.h"
#include "sim/source_voltage.h"

namespace zelvar {
namespace {

// The 80-bit value nearest to sin x, from MPFR's sine to 256 bits rounded
// to the 80-bit format's 64 (an evaluation apart from the program's, which
// asks MPFR for 64 bits at once).  False when that 256-bit sine is a
// midpoint between two 80-bit values (it needs exactly 65 bits), where
// rounding it again could go either way.
bool reference_sin(long double x, long double& r) {
    mpfr_t y;
    mpfr_init2(y, 256);
    mpfr_set_ld(y, x, MPFR_RNDN);
    mpfr_sin(y, y, MPFR_RNDN);
    const bool decided = mpfr_min_prec(y) != 65;
    mpfr_prec_round(y, 64, MPFR_RNDN);
    r = mpfr_get_ld(y, MPFR_RNDN);
    mpfr_clear(y);
    return decided;
}

// k·π/2 rounded to the nearest 80-bit value.
long double multiple_of_half_pi(int k) {
    mpfr_t y;
    mpfr_init2(y, 256);
    mpfr_const_pi(y, MPFR_RNDN);
    mpfr_mul_si(y, y, k, MPFR_RNDN);
    mpfr_div_2ui(y, y, 1, MPFR_RNDN);
    const long double x = mpfr_get_ld(y, MPFR_RNDN);
    mpfr_clear(y);
    return x;
}

bool same_bits(long double a, long double b) { return a == b && std::signbit(a) == std::signbit(b); }

// Every argument against the reference; returns how many were too close to
// call for the reference itself.
int expect_nearest(const std::vector<long double>& xs, const char* what, bool wide_too = false) {
    int undecided = 0, failures = 0;
    for (const long double x : xs) {
        long double r;
        if (!reference_sin(x, r)) {
            ++undecided;
            continue;
        }
        const long double s = rounded_sin(x);
        if (!same_bits(s, r) && ++failures <= 5)
            ADD_FAILURE() << what << ": sin(" << static_cast<double>(x) << ") = " << static_cast<double>(s)
                          << ", nearest is " << static_cast<double>(r) << " (" << (s - r) << ")";
        if (wide_too && !same_bits(detail::rounded_sin_wide(x), r) && ++failures <= 5)
            ADD_FAILURE() << what << ": wide evaluation of sin(" << static_cast<double>(x) << ")";
    }
    EXPECT_EQ(failures, 0) << what;
    return undecided;
}

// The arguments of the largest run (the default design, 50,000 points × 10
// internal steps over 1.25 ms), every third step and the last, and the
// largest arguments the points check lets a run reach (tmax·fin up to
// 2^31/50, so (2π·fin)·t up to about 2.7e8).
TEST(RoundedSine, NearestToTheTrueSineOnTheRunsArguments) {
    const SimParams p = default_design_circuit();
    const long double h = 1.25E-3L / ((50000 - 1) * 10);
    std::vector<long double> xs;
    long double t = 0;
    for (int n = 1; n <= 499990; ++n) {
        t = t + h;
        if (n % 3 == 0 || n == 499990) xs.push_back((kTwoPi * p.fin) * t);
    }
    EXPECT_GT(xs.back(), 2509.0L);
    std::mt19937_64 gen(12);
    std::uniform_real_distribution<double> big(1e8, 2.7e8);
    for (int i = 0; i < 20000; ++i) xs.push_back(static_cast<long double>(big(gen)) + gen() * 0x1p-70L);
    EXPECT_LT(expect_nearest(xs, "run arguments"), 3);
}

// Arguments of every magnitude from 2^-40 to 2^16383, both signs; multiples
// of π/2 rounded to 80 bits and their neighbours (sines far below the
// argument, decided by the wide evaluation); the ends of the range.
TEST(RoundedSine, NearestToTheTrueSineAcrossTheRange) {
    std::mt19937_64 gen(7);
    std::vector<long double> xs;
    struct Range {
        int lo, hi, count;
    };
    for (const Range r : {Range{-40, 64, 60000}, Range{64, 16383, 3000}}) {
        for (int i = 0; i < r.count; ++i) {
            const long double m = static_cast<long double>(gen() | (std::uint64_t{1} << 63)) * 0x1p-64L;
            const long double x = std::ldexp(m, r.lo + static_cast<int>(gen() % (r.hi - r.lo)));
            xs.push_back(gen() & 1 ? -x : x);
        }
    }
    std::vector<long double> near_multiples;
    for (int k = 1; k <= 3000; ++k) {
        const long double x = multiple_of_half_pi(k);
        for (const long double y : {x, std::nextafter(x, 0.0L), std::nextafter(x, 1e9L)}) near_multiples.push_back(y);
    }
    for (const long double x : {0x1p-32L, std::nextafter(0x1p-32L, 1.0L), 0.5L, 1.0L, 3.0L, 0x1p30L,
                                std::nextafter(0x1p30L, 0.0L), 0x1p62L, 0x1p63L, 0x1p64L, 1e18L, 1e300L, 1e4000L,
                                std::numeric_limits<long double>::max()})
        xs.push_back(x);
    EXPECT_LT(expect_nearest(xs, "range", true), 3);
    EXPECT_LT(expect_nearest(near_multiples, "near multiples of pi/2", true), 3);
}

TEST(RoundedSine, TinyArgumentsZerosAndNonFiniteValues) {
    // Below 2^-32 the nearest value is the argument itself.
    for (const long double x : {0x1p-33L, std::nextafter(0x1p-32L, 0.0L), 1e-300L, 1e-4940L, 0.0L, -0.0L, -1e-20L})
        EXPECT_TRUE(same_bits(rounded_sin(x), x)) << static_cast<double>(x);
    std::feclearexcept(FE_ALL_EXCEPT);
    for (const long double x : {1.0L, -2509.36L, 1e4000L}) rounded_sin(x);
    EXPECT_EQ(std::fetestexcept(FE_INVALID | FE_OVERFLOW | FE_DIVBYZERO), 0);
    EXPECT_TRUE(std::isnan(rounded_sin(std::numeric_limits<long double>::infinity())));
    EXPECT_NE(std::fetestexcept(FE_INVALID), 0);
    std::feclearexcept(FE_ALL_EXCEPT);
    EXPECT_TRUE(std::isnan(rounded_sin(std::numeric_limits<long double>::quiet_NaN())));
}

TEST(RoundedSine, ManyAtOnceGiveTheSameValues) {
    std::vector<long double> xs = {0.0L, -0.0L, 1e-20L, 0.75L, -2509.36L, 0x1p40L, 1e4000L,
                                   std::numbers::pi_v<long double>, std::numeric_limits<long double>::infinity()};
    for (int k = 1; k < 200; ++k) xs.push_back(k * 0.377L);
    std::vector<long double> ys(xs.size());
    rounded_sin(xs.data(), ys.data(), static_cast<int>(xs.size()));
    for (std::size_t i = 0; i < xs.size(); ++i) {
        const long double one = rounded_sin(xs[i]);
        EXPECT_TRUE(same_bits(ys[i], one) || (std::isnan(ys[i]) && std::isnan(one))) << i;
    }
    // The sine of infinity raised the invalid flag: leave no pending fault to
    // a test run after this one in the same process.
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
}  // namespace zelvar
