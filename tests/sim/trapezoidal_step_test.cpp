// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/trapezoidal_step.h"

#include <gtest/gtest.h>

#include <cmath>

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
