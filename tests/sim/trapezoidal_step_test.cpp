// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/trapezoidal_step.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <random>

#include "sim_test_support.h"

namespace zelvar {
namespace {

void model_and_inverse(const SimParams& p, long double h, CircuitModel& m, Matrix7& Q) {
    m = build_model(p);
    build_step_matrix(m.A, h, Q);
    LineCollector log;
    ASSERT_TRUE(invert_in_place(kStates, Q, log));
}

TEST(TrapezoidalStep, BothFormsGiveTheSameBits) {
    SimParams p = test::default_design();
    p.R1 = 1.5L;
    p.R2 = 20;
    p.R3 = 300;
    const long double h = 2.5e-9L;
    CircuitModel m;
    Matrix7 Q;
    model_and_inverse(p, h, m, Q);
    FastStep fast;
    ASSERT_TRUE(fast.prepare(m, Q, h / 2));
    SparseStep sparse;
    sparse.prepare(m, Q, h / 2);
    long double a[kStates] = {100, -3, 7, 6.5L, 0.25L, -0.01L, 0.003L};
    long double b[kStates];
    for (int r = 0; r < kStates; ++r) b[r] = a[r];
    for (int k = 0; k < 1000; ++k) {
        const long double u_sum = (k % 7) * 31.25L - 90;
        fast.step(a, u_sum);
        sparse.step(b, u_sum);
    }
    for (int r = 0; r < kStates; ++r) EXPECT_TRUE(test::same_bits(a[r], b[r])) << r;
}

// Both forms on constants and states drawn at random over the whole range a
// split constant can take, and on values that overflow: the same bits, and
// the same fault flags raised.
TEST(TrapezoidalStep, BothFormsAgreeOnRandomConstantsAndStates) {
    struct Case {
        const char* name;
        int min_exp, max_exp;  // of the constants' and states' magnitudes
        int steps;
    };
    const Case cases[] = {
        {"circuit-like", -12, 12, 2000},
        {"wide", -300, 300, 50},
        {"overflowing", 900, 1000, 20},
    };
    std::mt19937_64 rng(20261209);
    for (const Case& c : cases) {
        std::uniform_int_distribution<int> exponent(c.min_exp, c.max_exp);
        std::uniform_int_distribution<int> coin(0, 5);
        std::uniform_real_distribution<long double> mantissa(0.5L, 1.0L);
        // A random value whose split is exact (hi and lo are doubles), of
        // either sign, sometimes exactly 0.
        const auto value = [&] {
            if (coin(rng) == 0) return 0.0L;
            const long double v = std::ldexp(mantissa(rng), exponent(rng));
            const double hi = static_cast<double>(v);
            const long double split = static_cast<long double>(hi) + static_cast<long double>(static_cast<double>(v - hi));
            return coin(rng) < 3 ? split : -split;
        };
        for (int trial = 0; trial < 20; ++trial) {
            CircuitModel m;
            Matrix7 Q;
            for (int k = 0; k < kModelEntries; ++k) m.A[kModelRow[k]][kModelCol[k]] = value();
            m.B[4] = value();
            m.B[5] = value();
            for (auto& row : Q)
                for (auto& q : row) q = value();
            const long double h2 = 0.5L;  // exact products by B: the split of h2·B stays exact
            FastStep fast;
            ASSERT_TRUE(fast.prepare(m, Q, h2)) << c.name;
            SparseStep sparse;
            sparse.prepare(m, Q, h2);
            long double a[kStates], b[kStates];
            for (int r = 0; r < kStates; ++r) a[r] = b[r] = value() + 0.0L;  // never −0
            int flags[2];
            for (int form = 0; form < 2; ++form) {
                std::feclearexcept(FE_ALL_EXCEPT);
                for (int k = 0; k < c.steps; ++k) {
                    const long double u_sum = (k % 5) * 0.75L - 1;
                    if (form == 0)
                        fast.step(a, u_sum);
                    else
                        sparse.step(b, u_sum);
                }
                flags[form] = std::fetestexcept(FE_OVERFLOW | FE_UNDERFLOW | FE_INVALID | FE_DIVBYZERO);
            }
            EXPECT_EQ(flags[0], flags[1]) << c.name << " trial " << trial;
            for (int r = 0; r < kStates; ++r)
                EXPECT_TRUE(test::same_bits(a[r], b[r]) || (std::isnan(a[r]) && std::isnan(b[r])))
                    << c.name << " trial " << trial << " x" << r + 1 << ": " << a[r] << " vs " << b[r];
        }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

TEST(TrapezoidalStep, ConstantsWithoutAnExactTwoDoubleFormUseTheSparseForm) {
    SimParams p = test::default_design();
    const long double h = 2.5e-9L;
    CircuitModel m;
    Matrix7 Q;
    model_and_inverse(p, h, m, Q);
    FastStep fast;
    EXPECT_TRUE(fast.prepare(m, Q, h / 2));
    p.R3 = 3e-312L;  // A_77 about -1e-310: its low part underflows
    model_and_inverse(p, h, m, Q);
    EXPECT_FALSE(fast.prepare(m, Q, h / 2));
    p.R3 = 0;
    p.C1 = 1e-310L;  // A_15 = 1e310, beyond the double range
    m = build_model(p);
    EXPECT_FALSE(fast.prepare(m, Q, h / 2));
    p = test::default_design();
    p.RL = 1e3990L;  // A_33 about -1e-3979, below the double range
    model_and_inverse(p, h, m, Q);
    EXPECT_FALSE(fast.prepare(m, Q, h / 2));
    // Zero entries of either sign (lossless, negative coupling) split exactly.
    p = test::default_design();
    p.k12 = -p.k12;
    model_and_inverse(p, h, m, Q);
    EXPECT_EQ(m.A[4][5], 0);
    EXPECT_TRUE(std::signbit(m.A[4][5]));  // (−Γ12)·R2 = −0
    EXPECT_TRUE(fast.prepare(m, Q, h / 2));
}

}  // namespace
}  // namespace zelvar
