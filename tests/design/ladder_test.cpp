// SPDX-License-Identifier: GPL-3.0-or-later
// The stages on their own: the ladder realizes the impedance, and the
// transformer stage refuses a coupling outside (0, 1).
#include <gtest/gtest.h>

#include <complex>

#include "app/faults.h"
#include "design/design_state.h"

using namespace zelvar;

namespace {

using Complex = std::complex<long double>;

// Residues, impedance and normalized ladder for a mode.
DesignState ladder_for(long double k, long double l, long double m, long double n, int excitation,
                       LineCollector& log) {
    DesignInputs in;
    in.k = k, in.l = l, in.m = m, in.n = n;
    in.excitation = excitation;
    DesignState s;
    fp_clear();
    read_design_inputs(s, in);
    compute_residues(s);
    EXPECT_TRUE(check_realizable(s, log));
    build_impedance(s, log);
    extract_ladder(s, log);
    return s;
}

// Z(s) from the residues.
Complex z_from_residues(const DesignState& d, Complex s) {
    Complex z = 0;
    for (int j = 1; j <= 3; ++j) z += d.Aj[j] * s / (s * s + d.w[j] * d.w[j]);
    return z;
}

// The ladder seen from the output node with the source shorted: C[3] to
// ground, L[3] in series, C[2] to ground, L[2] in series, C[1] and L[1] to
// ground.
Complex z_of_ladder(const DesignState& d, Complex s) {
    Complex y = s * d.C[1] + 1.0L / (s * d.L[1]);
    Complex z = s * d.L[2] + 1.0L / y;
    y = s * d.C[2] + 1.0L / z;
    z = s * d.L[3] + 1.0L / y;
    y = s * d.C[3] + 1.0L / z;
    return 1.0L / y;
}

TEST(Ladder, RealizesTheImpedance) {
    struct Mode {
        long double k, l, m, n;
        int excitation;
    };
    for (const Mode& md : {Mode{5, 7, 9, 11, 2}, Mode{5, 7, 9, 11, 3}, Mode{1, 3, 5, 7, 2}, Mode{11, 13, 19, 21, 2}}) {
        LineCollector log;
        const DesignState d = ladder_for(md.k, md.l, md.m, md.n, md.excitation, log);
        EXPECT_EQ(d.degree, 0);
        for (const Complex s : {Complex(0, 2), Complex(0, 0.5L), Complex(0.3L, 4), Complex(0, 12.5L)}) {
            const Complex expected = z_from_residues(d, s);
            const Complex got = z_of_ladder(d, s);
            EXPECT_LT(std::abs(got - expected), 1e-12L * std::abs(expected)) << md.k << ":" << md.l << " s=" << s.imag();
        }
    }
    // The defaults at s = 2j: about 0.0397775j.
    LineCollector log;
    const DesignState d = ladder_for(5, 7, 9, 11, 2, log);
    const Complex z = z_of_ladder(d, Complex(0, 2));
    EXPECT_NEAR(static_cast<double>(z.imag()), 0.0397775, 5e-8);
    EXPECT_NEAR(static_cast<double>(z.real()), 0, 1e-15);
}

TEST(Ladder, PolynomialsOfTheDefaultMode) {
    LineCollector log;
    DesignInputs in;
    DesignState s;
    fp_clear();
    read_design_inputs(s, in);
    compute_residues(s);
    build_impedance(s, log);
    EXPECT_EQ(s.degree, 3);
    EXPECT_EQ(s.den[0], 148225);
    EXPECT_EQ(s.den[1], 10179);
    EXPECT_EQ(s.den[2], 195);
    EXPECT_EQ(s.den[3], 1);
    EXPECT_NEAR(static_cast<double>(s.num[0]), 2695, 1e-9);
    EXPECT_NEAR(static_cast<double>(s.num[1]), 128, 1e-12);
    EXPECT_EQ(s.num[2], (s.Aj[1] + s.Aj[2]) + s.Aj[3]);
}

TEST(Transformer, CouplingOutsideTheOpenIntervalStopsBeforeScaling) {
    for (const long double l1 : {0.0L, -0.001L, 1e6L}) {
        DesignState s;
        s.C1 = 5e-9L, s.C3 = 1e-11L, s.L3 = 0.03L;
        s.C[1] = 126, s.C[2] = 4, s.C[3] = 1;
        s.L[1] = l1, s.L[2] = l1 == 1e6L ? -2e6L : 0.003L, s.L[3] = 0.015L;
        LineCollector log;
        fp_clear();
        EXPECT_FALSE(insert_transformer(s, log)) << static_cast<double>(l1);
        EXPECT_EQ(log.lines, std::vector<std::string>{"Impossible to include a transformer"});
        EXPECT_EQ(s.C[1], 126);  // nothing scaled
        EXPECT_EQ(s.L[1], l1);
    }
}

TEST(Transformer, SecondaryIsShuntPlusSeriesAndPrimaryTakesC1) {
    DesignState s;
    s.C1 = 8, s.C3 = 2, s.L3 = 3;
    s.C[1] = 1, s.C[2] = 1, s.C[3] = 1;
    s.L[1] = 1, s.L[2] = 3, s.L[3] = 1;
    LineCollector log;
    fp_clear();
    ASSERT_TRUE(insert_transformer(s, log));
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(s.k12, 0.5L);          // sqrt(1 / (1 + 3))
    EXPECT_EQ(s.turns_ratio, 4.0L);  // C1 / (1 * 2)
    EXPECT_EQ(s.C[1], 8.0L);
    EXPECT_EQ(s.C[2], 2.0L);
    EXPECT_EQ(s.L[2], 12.0L);        // (1 + 3) * 3
    EXPECT_EQ(s.L[1], 0.75L);        // 3 / 4
}

}  // namespace
