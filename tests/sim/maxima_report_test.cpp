// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/maxima_report.h"

#include <gtest/gtest.h>

#include "app/faults.h"
#include "report/format.h"

namespace zelvar {
namespace {

TEST(MaximaReport, TracksSignedPeaksAndTheSnapshotAtThePeakOfV3) {
    MaximaTracker m;
    m.start(-1000);
    long double a[kStates] = {500, 1, 123456.789L, 4, 5, 6, 7};
    long double b[kStates] = {-900, -2, -123456.789L, -8, -9, -10, 0.5L};  // tie on v3
    long double c[kStates] = {0, 3, -200000, 0, 0, 0, 0};
    for (int j = 0; j < kStates; ++j) m.update(j, a, 7.5e-6L);
    for (int j = 0; j < kStates; ++j) m.update(j, b, 8e-6L);
    EXPECT_EQ(m.peak[0], -1000);  // VC1(0) is never exceeded
    EXPECT_EQ(m.peak_time[0], 0);
    EXPECT_EQ(m.peak[2], 123456.789L);  // the tie keeps the earlier sample
    EXPECT_EQ(m.peak_time[2], 7.5e-6L);
    EXPECT_EQ(m.peak[1], -2);
    EXPECT_EQ(m.snapshot[6], 7);

    LineCollector log;
    write_maxima_report(m, 1e-9L, 2e-9L, 1e-11L, log);
    ASSERT_EQ(log.lines.size(), 19u);
    EXPECT_EQ(log.lines[0], "Maximum values:");
    EXPECT_EQ(log.lines[1], "Max. V1:    -1000.00000000 at t= 0.00000000E+0000");
    EXPECT_EQ(log.lines[2], "Max. V2:       -2.00000000 at t= 8.00000000E-0006");
    EXPECT_EQ(log.lines[3], "Max. V3:   123456.78900000 at t= 7.50000000E-0006");
    EXPECT_EQ(log.lines[5], "Max. I1:       -9.00000000 at t= 8.00000000E-0006");
    EXPECT_EQ(log.lines[7], "Max. I3:        7.00000000 at t= 7.50000000E-0006");
    EXPECT_EQ(log.lines[8], "When VC3 is maximum:");
    EXPECT_EQ(log.lines[9], "V1:      500.00000000");
    EXPECT_EQ(log.lines[11], "V3:   123456.78900000");
    EXPECT_EQ(log.lines[15], "I3:        7.00000000");
    // E3 = 123456.789² · 0.5e-11, E2 = 1 · 1e-9, E1 = 250000 · 0.5e-9.
    const long double e3 = 123456.789L * 123456.789L * (1e-11L * 0.5L);
    EXPECT_EQ(log.lines[16], "Energy in C3: " + E(e3, 17) + " (" + F(e3 * 100 / ((1.25e-4L + 1e-9L) + e3), 7, 4) + " %)");
    EXPECT_EQ(log.lines[16].substr(0, 32), "Energy in C3:  7.62078938E-0002 ");
    EXPECT_EQ(log.lines[17], "Energy in C2:  1.00000000E-0009 ( 0.0000 %)");
    EXPECT_EQ(log.lines[18].substr(0, 31), "Energy in C1:  1.25000000E-0004");

    for (int j = 0; j < kStates; ++j) m.update(j, c, 9e-6L);  // a larger negative swing
    EXPECT_EQ(m.peak[2], -200000);
    EXPECT_EQ(m.peak_time[2], 9e-6L);
    EXPECT_EQ(m.snapshot[0], 0);
    EXPECT_EQ(m.snapshot[1], 3);
}

TEST(MaximaReport, PerfectTransferAndZeroTotal) {
    MaximaTracker m;
    m.start(0);
    long double x[kStates] = {0, 0, 1000, 0, 0, 0, 0};
    for (int j = 0; j < kStates; ++j) m.update(j, x, 1e-6L);
    LineCollector log;
    write_maxima_report(m, 5e-9L, 4e-11L, 1e-11L, log);
    EXPECT_EQ(log.lines[16], "Energy in C3:  5.00000000E-0006 (100.0000 %)");
    EXPECT_EQ(log.lines[17], "Energy in C2:  0.00000000E+0000 ( 0.0000 %)");
    EXPECT_EQ(log.lines[18], "Energy in C1:  0.00000000E+0000 ( 0.0000 %)");

    MaximaTracker none;
    none.start(0);
    log.lines.clear();
    fp_clear();
    write_maxima_report(none, 5e-9L, 4e-11L, 1e-11L, log);  // 0/0 is not computed
    ASSERT_EQ(log.lines.size(), 19u);
    EXPECT_EQ(log.lines[1], "Max. V1:        0.00000000 at t= 0.00000000E+0000");
    EXPECT_EQ(log.lines[16], "Energy in C3:  0.00000000E+0000 ( 0.0000 %)");
    EXPECT_EQ(log.lines[18], "Energy in C1:  0.00000000E+0000 ( 0.0000 %)");

    // Nonzero energies over a zero total (C1 of the opposite sign to C3):
    // a division by zero, raised before the first energy line.
    MaximaTracker opposite;
    opposite.start(0);
    long double y[kStates] = {2, 0, 2, 0, 0, 0, 0};
    for (int j = 0; j < kStates; ++j) opposite.update(j, y, 1e-6L);
    log.lines.clear();
    fp_clear();
    try {
        write_maxima_report(opposite, -1e-9L, 4e-11L, 1e-9L, log);
        FAIL() << "no fault";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), kDivisionByZero);
    }
    EXPECT_EQ(log.lines.size(), 16u);
    EXPECT_EQ(log.lines[15], "I3:        0.00000000");
    fp_clear();
}

TEST(MaximaReport, EnergiesSumAsE1PlusE2ThenE3) {
    // C2 = -C1 with equal voltages: E1 + E2 is exactly 0, and the tiny E3
    // makes the whole total.  Adding E3 to either of the others first would
    // lose it (a total of 0: division by zero).
    MaximaTracker m;
    m.start(0);
    long double x[kStates] = {1, 1, 1e-9L, 0, 0, 0, 0};
    for (int j = 0; j < kStates; ++j) m.update(j, x, 1e-6L);
    LineCollector log;
    fp_clear();
    write_maxima_report(m, 1e-9L, -1e-9L, 1e-11L, log);
    ASSERT_EQ(log.lines.size(), 19u);
    EXPECT_EQ(log.lines[16], "Energy in C3:  5.00000000E-0030 (100.0000 %)");
    EXPECT_EQ(log.lines[17], "Energy in C2: -5.00000000E-0010 (-10000000000000000000000.0000 %)");
    EXPECT_EQ(log.lines[18], "Energy in C1:  5.00000000E-0010 (10000000000000000000000.0000 %)");
}

}  // namespace
}  // namespace zelvar
