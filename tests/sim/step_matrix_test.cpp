// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/step_matrix.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/faults.h"
#include "sim_test_support.h"

namespace zelvar {
namespace {

const std::string kLine1 = "Something wrong (line 1). The L matrix can't be inverted.";

TEST(StepMatrix, InvertsADiagonalMatrixWithoutMessage) {
    Matrix7 P = {};
    const long double d[kStates] = {2, -4, 0.5L, 3, 1e-12L, 7, -1e6L};
    for (int k = 0; k < kStates; ++k) P[k][k] = d[k];
    LineCollector log;
    EXPECT_TRUE(invert_in_place(kStates, P, log));
    EXPECT_TRUE(log.lines.empty());
    for (int r = 0; r < kStates; ++r)
        for (int c = 0; c < kStates; ++c) EXPECT_EQ(P[r][c], r == c ? 1 / d[r] : 0) << r << c;
}

TEST(StepMatrix, ZeroFirstPivotIsRefusedEvenWhenInvertible) {
    Matrix7 P = {};
    P[0][1] = P[1][0] = 1;  // a swap: invertible, but only with row exchanges
    LineCollector log;
    EXPECT_FALSE(invert_in_place(2, P, log));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], kLine1);
    EXPECT_EQ(P[0][1], 1);  // untouched
    EXPECT_EQ(P[0][0], 0);
}

TEST(StepMatrix, PivotThresholdIsStrict) {
    LineCollector log;
    Matrix7 P = {};
    P[0][0] = 1e-12L;
    EXPECT_TRUE(invert_in_place(1, P, log));
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(P[0][0], 1 / 1e-12L);
    P[0][0] = -1e-12L;
    EXPECT_TRUE(invert_in_place(1, P, log));
    P[0][0] = std::nextafter(1e-12L, 0.0L);
    EXPECT_FALSE(invert_in_place(1, P, log));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], kLine1);
    EXPECT_EQ(P[0][0], std::nextafter(1e-12L, 0.0L));  // left as it was
    P[0][0] = -std::nextafter(1e-12L, 0.0L);
    EXPECT_FALSE(invert_in_place(1, P, log));
    EXPECT_EQ(log.lines.size(), 2u);

    // A NaN pivot passes the test: no line, and the pivots go on.
    log.lines.clear();
    fp_clear();
    Matrix7 Q = {};
    Q[0][0] = std::nanl("");
    Q[1][1] = 4;
    EXPECT_TRUE(invert_in_place(2, Q, log));
    EXPECT_TRUE(log.lines.empty());
    EXPECT_TRUE(std::isnan(Q[0][0]));
    EXPECT_TRUE(std::isnan(Q[1][1]));  // spread by the first pivot; passes as well
    EXPECT_NO_THROW(fp_check());  // the quiet test raises no fault
}

TEST(StepMatrix, LaterPivotStopsWithItsLineAndThePivotsSoFar) {
    // [[1,2,0],[2,4,0],[0,0,1]]: after the first pivot the second is 4 - 2·2 = 0.
    Matrix7 P = {};
    P[0][0] = 1;
    P[0][1] = 2;
    P[1][0] = 2;
    P[1][1] = 4;
    P[2][2] = 1;
    LineCollector log;
    EXPECT_FALSE(invert_in_place(3, P, log));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "Something wrong (line 2). The L matrix can't be inverted.");
    // The first pivot's work stays: row 1 is negated and divided, column 1 divided.
    EXPECT_EQ(P[0][0], 1);
    EXPECT_EQ(P[0][1], -2);
    EXPECT_EQ(P[1][0], 2);
    EXPECT_EQ(P[1][1], 0);
    EXPECT_EQ(P[2][2], 1);
}

TEST(StepMatrix, InverseOfTheDefaultDesignsStepMatrix) {
    const CircuitModel m = build_model(test::default_design());
    const long double h = 1.5e-5L / 5990;
    Matrix7 P, Q;
    build_step_matrix(m.A, h, P);
    for (int r = 0; r < kStates; ++r)
        for (int c = 0; c < kStates; ++c) {
            const long double expected = r == c ? 1 - (h / 2) * m.A[r][c] : (-(h / 2)) * m.A[r][c];
            EXPECT_TRUE(test::same_bits(P[r][c], expected)) << r << c;
            Q[r][c] = P[r][c];
        }
    LineCollector log;
    ASSERT_TRUE(invert_in_place(kStates, Q, log));
    for (int r = 0; r < kStates; ++r)
        for (int c = 0; c < kStates; ++c) {
            long double sum = 0;
            for (int k = 0; k < kStates; ++k) sum += P[r][k] * Q[k][c];
            EXPECT_NEAR(static_cast<double>(sum), r == c ? 1.0 : 0.0, 1e-15) << r << c;
        }
}

TEST(StepMatrix, ZeroCouplingSplitsPrimaryAndSecondary) {
    SimParams p = test::default_design();
    p.k12 = 0;
    p.R1 = 3;
    p.R2 = 40;
    const CircuitModel m = build_model(p);
    Matrix7 Q;
    build_step_matrix(m.A, 1e-9L, Q);
    LineCollector log;
    ASSERT_TRUE(invert_in_place(kStates, Q, log));
    const bool primary[kStates] = {true, false, false, false, true, false, false};
    for (int r = 0; r < kStates; ++r)
        for (int c = 0; c < kStates; ++c)
            if (primary[r] != primary[c]) {
                EXPECT_EQ(Q[r][c], 0) << r << c;
            }
    EXPECT_EQ(m.B[5], 0);
    EXPECT_NE(Q[0][4], 0);
}

TEST(CircuitModel, EntriesAndFaults) {
    SimParams p;
    p.C1 = 2;
    p.L1 = 4;
    p.R1 = 3;
    p.C2 = 5;
    p.L2 = 9;
    p.R2 = 7;
    p.C3 = 8;
    p.L3 = 16;
    p.R3 = 2;
    p.RL = 0.5L;
    p.CL = 4;
    p.k12 = 0.5L;
    const CircuitModel m = build_model(p);
    // M = sqrt(36)·0.5 = 3, D = 36 - 9 = 27.
    const long double g11 = 9 / 27.0L, g22 = 4 / 27.0L, g12 = -3 / 27.0L;
    EXPECT_EQ(m.A[0][4], 0.5L);
    EXPECT_EQ(m.A[1][5], -0.2L);
    EXPECT_EQ(m.A[1][6], 0.2L);
    EXPECT_EQ(m.A[2][2], -0.25L);
    EXPECT_EQ(m.A[2][3], 0.25L);
    EXPECT_EQ(m.A[2][6], -0.125L);
    EXPECT_EQ(m.A[3][2], 0.5L);
    EXPECT_EQ(m.A[3][3], -0.5L);
    EXPECT_EQ(m.A[4][0], -g11);
    EXPECT_EQ(m.A[4][1], g12);
    EXPECT_EQ(m.A[4][4], (-g11) * 3);
    EXPECT_EQ(m.A[4][5], (-g12) * 7);
    EXPECT_EQ(m.A[5][0], -g12);
    EXPECT_EQ(m.A[5][1], g22);
    EXPECT_EQ(m.A[5][4], (-g12) * 3);
    EXPECT_EQ(m.A[5][5], (-g22) * 7);
    EXPECT_EQ(m.A[6][1], -1 / 16.0L);
    EXPECT_EQ(m.A[6][2], 1 / 16.0L);
    EXPECT_EQ(m.A[6][6], -2 / 16.0L);
    EXPECT_EQ(m.B[4], g11);
    EXPECT_EQ(m.B[5], g12);
    int nonzero = 0;
    for (auto& row : m.A)
        for (long double a : row) nonzero += a != 0;
    EXPECT_EQ(nonzero, 19);

    // Awkward values: each entry in the form stated for it, bit for bit.
    {
        SimParams a = test::default_design();
        a.R1 = 1.7L;
        a.R2 = 33.3L;
        a.R3 = 123.4L;
        a.RL = 987654.3L;
        a.CL = 3.3e-14L;
        const CircuitModel n = build_model(a);
        const long double M = std::sqrt(a.L1 * a.L2) * a.k12;
        const long double D = a.L1 * a.L2 - M * M;
        const long double G11 = a.L2 / D, G22 = a.L1 / D, G12 = (-M) / D;
        const long double expected[][3] = {
            {0, 4, 1 / a.C1},
            {1, 5, -1 / a.C2},
            {1, 6, 1 / a.C2},
            {2, 2, -1 / (a.RL * a.C3)},
            {2, 3, 1 / (a.RL * a.C3)},
            {2, 6, -1 / a.C3},
            {3, 2, 1 / (a.RL * a.CL)},
            {3, 3, -1 / (a.RL * a.CL)},
            {4, 0, -G11},
            {4, 1, G12},
            {4, 4, (-G11) * a.R1},
            {4, 5, (-G12) * a.R2},
            {5, 0, -G12},
            {5, 1, G22},
            {5, 4, (-G12) * a.R1},
            {5, 5, (-G22) * a.R2},
            {6, 1, -1 / a.L3},
            {6, 2, 1 / a.L3},
            {6, 6, (-a.R3) / a.L3},
        };
        for (const auto& e : expected) {
            const int r = static_cast<int>(e[0]), c = static_cast<int>(e[1]);
            EXPECT_TRUE(test::same_bits(n.A[r][c], e[2])) << r << c;
        }
        EXPECT_TRUE(test::same_bits(n.B[4], G11));
        EXPECT_TRUE(test::same_bits(n.B[5], G12));
    }

    auto fault_of = [](SimParams q) -> std::string {
        fp_clear();
        try {
            build_model(q);
        } catch (const Error& e) {
            return e.what();
        }
        return "";
    };
    SimParams q = p;
    q.k12 = 1;  // D = 0
    EXPECT_EQ(fault_of(q), kDivisionByZero);
    q = p;
    q.L1 = -4;  // sqrt of a negative product
    EXPECT_EQ(fault_of(q), kInvalidOperation);
    q = p;
    q.RL = 0;
    EXPECT_EQ(fault_of(q), kDivisionByZero);
    q = p;
    q.L3 = 0;
    EXPECT_EQ(fault_of(q), kDivisionByZero);
    q = p;
    q.C2 = 0;
    EXPECT_EQ(fault_of(q), kDivisionByZero);
    EXPECT_EQ(fault_of(p), "");
}

}  // namespace
}  // namespace zelvar
