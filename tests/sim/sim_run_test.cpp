// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_run.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <string>

#include "app/faults.h"
#include "report/format.h"
#include "sim_test_support.h"

namespace zelvar {
namespace {

using test::default_design;
using test::fresh_state;
using test::same_bits;

const char* kTooFew = "Too few points (increase points or internal steps or decrease max time).";

// A fresh document, a report log and the default design's circuit.
class SimRun : public ::testing::Test {
protected:
    std::unique_ptr<SimDocument> state = fresh_state();
    LineCollector log;
    SimParams p = default_design();

    // Two samples, one step of 0.1 µs between them.
    void one_step_of_100ns() {
        p.points = 2;
        p.steps = 1;
        p.tmax = 1e-7L;
    }

    // The run with p raises the fault `message`; what it did before stays.
    void expect_fault(const char* message) {
        try {
            run_simulation(p, *state, log);
            ADD_FAILURE() << "no fault, expected " << message;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
};

// Every stored sample equals the plain loop's, bit for bit.
void expect_same_as_plain_loop(const SimParams& p, const char* what) {
    auto state = fresh_state();
    LineCollector log;
    ASSERT_TRUE(run_simulation(p, *state, log)) << what;
    const auto plain = test::plain_run(p);
    ASSERT_EQ(state->result.samples.count(), p.points) << what;
    for (int i = 0; i < p.points; ++i) {
        ASSERT_TRUE(same_bits(state->result.samples.time[i], plain[i][0])) << what << " time, sample " << i;
        for (int v = 0; v < 8; ++v)
            ASSERT_TRUE(same_bits(state->result.samples.values[i][v], plain[i][v + 1]))
                << what << " sample " << i << " value " << v << ": " << static_cast<double>(state->result.samples.values[i][v])
                << " vs " << static_cast<double>(plain[i][v + 1]);
    }
}

TEST_F(SimRun, StoresExactlyWhatThePlainLoopComputes) {
    expect_same_as_plain_loop(p, "lossless sine");
    p.R1 = 2.5L;
    p.R2 = 40;
    p.R3 = 120;
    p.RL = 1e6L;
    expect_same_as_plain_loop(p, "losses");
    p.square = true;
    p.steps = 7;
    expect_same_as_plain_loop(p, "square");
    p.feedback = true;
    p.tstart = 2e-6L;
    p.tstop = 9e-6L;
    p.stop_mode = kOpenDriver;
    expect_same_as_plain_loop(p, "feedback, open driver");
    p.stop_mode = kDiodeDriver;
    p.Ropen = 1e6L;
    expect_same_as_plain_loop(p, "feedback, diodes");
    p = default_design();
    p.tstop = 0;
    p.stop_mode = kShortDriver;
    p.VC10 = -1000;
    expect_same_as_plain_loop(p, "ringing from VC1(0)");
    p.VC10 = -0.0L;
    p.Vin = 0;
    expect_same_as_plain_loop(p, "VC1(0) of -0");
    p = default_design();
    p.k12 = 0;
    expect_same_as_plain_loop(p, "k12 = 0");
    p = default_design();
    p.R3 = 3e-312L;  // an entry of A with no exact two-double form
    expect_same_as_plain_loop(p, "tiny R3");
    // Negative coupling without losses: the zero entries (−Γ)·R change sign.
    p = default_design();
    p.k12 = -p.k12;
    expect_same_as_plain_loop(p, "negative k12");
    p.R2 = 25;
    p.square = true;
    expect_same_as_plain_loop(p, "negative k12, R2, square");
    // Constants beyond the double range, and load entries far below it.
    p = default_design();
    p.C1 = 1e-302L;  // A_15 = 1e302
    expect_same_as_plain_loop(p, "huge 1/C1");
    p = default_design();
    p.RL = 1e3990L;  // A_33, A_34 about 1e-3979
    expect_same_as_plain_loop(p, "huge RL");
    p = default_design();
    p.R1 = 1e-4940L;  // a denormal resistance: A_55 a long double denormal
    p.VC10 = 1e-4000L;
    expect_same_as_plain_loop(p, "denormal R1 and VC1(0)");
}

TEST_F(SimRun, TimingDefaultsGive600SamplesUpToMaxTime) {
    ASSERT_TRUE(run_simulation(p, *state, log));
    EXPECT_TRUE(log.lines.empty());
    EXPECT_TRUE(state->results_valid);
    EXPECT_TRUE(state->save_ref_enabled);
    EXPECT_EQ(state->result.samples.count(), 600);
    const long double h = 1.5e-5L / 5990;
    long double t = 0;
    for (int k = 0; k < 5990; ++k) t = t + h;  // a running sum, not a product
    EXPECT_TRUE(same_bits(state->result.samples.time[599], t));
    EXPECT_NEAR(static_cast<double>(state->result.samples.time[599]), 1.5e-5, 1e-18);
    long double t10 = 0;
    for (int k = 0; k < 10; ++k) t10 = t10 + h;
    EXPECT_TRUE(same_bits(state->result.samples.time[1], t10));
    // Sample 1 is the initial state.
    EXPECT_EQ(state->result.samples.time[0], 0);
    for (int v = 0; v < 8; ++v) EXPECT_EQ(state->result.samples.values[0][v], 0);
    EXPECT_EQ(state->view.t0, 0);
    EXPECT_EQ(state->view.t1, 1.5e-5L);
    // The value range covers channels 1-7 of samples 2..N.
    long double lo = 1e12L, hi = -1e12L;
    for (int i = 1; i < 600; ++i)
        for (int v = 1; v < 8; ++v) {
            lo = std::min(lo, state->result.samples.values[i][v]);
            hi = std::max(hi, state->result.samples.values[i][v]);
        }
    EXPECT_EQ(state->view.ymin, lo);
    EXPECT_EQ(state->view.ymax, hi);
}

TEST_F(SimRun, TwoPointsOneStepIsOneStepOfMaxTime) {
    one_step_of_100ns();
    ASSERT_TRUE(run_simulation(p, *state, log));
    EXPECT_EQ(state->result.samples.count(), 2);
    EXPECT_EQ(state->result.samples.time[1], 1e-7L);
    EXPECT_EQ(state->result.samples.values[1][0], rounded_sin((kTwoPi * p.fin) * 1e-7L) * 200);
    const auto plain = test::plain_run(p);
    for (int v = 0; v < 8; ++v) EXPECT_TRUE(same_bits(state->result.samples.values[1][v], plain[1][v + 1]));
    EXPECT_NE(state->result.samples.values[1][5], 0);  // i1 moved
}

TEST_F(SimRun, SquareWaveFirstStepUsesZeroForThePreviousSource) {
    one_step_of_100ns();
    p.square = true;
    ASSERT_TRUE(run_simulation(p, *state, log));
    EXPECT_EQ(state->result.samples.values[1][0], 200);
    // One step by hand: x0 = 0, so w = (h/2)·B·(u + 0), x = Q·w.
    const long double h = 1e-7L;
    const CircuitModel m = build_model(p);
    Matrix7 Q;
    build_step_matrix(m.A, h, Q);
    ASSERT_TRUE(invert_in_place(kStates, Q, log));
    long double w[kStates];
    for (int r = 0; r < kStates; ++r) w[r] = ((h / 2) * m.B[r]) * (200 + 0.0L) + 0;
    for (int r = 0; r < kStates; ++r) {
        long double x = 0;
        for (int c = 0; c < kStates; ++c) x = Q[r][c] * w[c] + x;
        EXPECT_TRUE(same_bits(state->result.samples.values[1][r + 1], x)) << r;
    }
    // With u_prev = Vin the current would be twice as large.
    long double i1_double = 0;
    for (int c = 0; c < kStates; ++c) i1_double = Q[4][c] * (w[c] * 2) + i1_double;
    EXPECT_NEAR(static_cast<double>(state->result.samples.values[1][5] * 2), static_cast<double>(i1_double), 1e-12);
    EXPECT_NE(state->result.samples.values[1][5], i1_double);
}

TEST_F(SimRun, TooFewPointsStopsBeforeTouchingTheStore) {
    ASSERT_TRUE(run_simulation(p, *state, log));
    const long double old_v3 = state->result.samples.values[299][3];

    p.points = 10;  // 100 steps over 4.79 periods: 20.9 per period
    p.tmax = 2e-5L;
    log.lines.push_back("earlier line");
    EXPECT_FALSE(run_simulation(p, *state, log));
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines.back(), kTooFew);
    EXPECT_FALSE(state->results_valid);
    EXPECT_EQ(state->view.t0, 0);
    EXPECT_EQ(state->view.t1, 2e-5L);
    EXPECT_EQ(state->result.samples.count(), 600);
    EXPECT_EQ(state->result.samples.values[299][3], old_v3);

    // N·S ≤ 0 with positive time and frequency is too few as well.
    p.points = 600;
    p.steps = 0;
    EXPECT_FALSE(run_simulation(p, *state, log));
    EXPECT_EQ(log.lines.back(), kTooFew);
    // The check uses N·S: exactly 50 steps per period passes.
    p.fin = 1e6L;
    p.tmax = 1e-6L;
    p.points = 5;
    p.steps = 10;
    EXPECT_TRUE(run_simulation(p, *state, log));
    p.steps = 9;  // 45 per period
    EXPECT_FALSE(run_simulation(p, *state, log));
    EXPECT_EQ(log.lines.back(), kTooFew);
}

TEST_F(SimRun, CapacityEdge) {
    p.tmax = 1e-3L;  // 500,000 steps over 319 periods
    p.steps = 10;
    p.points = 50001;
    EXPECT_FALSE(run_simulation(p, *state, log));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "Too many points.");
    EXPECT_EQ(state->result.samples.count(), 0);
    EXPECT_EQ(state->view.t1, 1e-3L);
    EXPECT_FALSE(state->save_ref_enabled);

    p.points = 50000;
    EXPECT_TRUE(run_simulation(p, *state, log));
    EXPECT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(state->result.samples.count(), 50000);
    EXPECT_NEAR(static_cast<double>(state->result.samples.time[49999]), 1e-3, 1e-15);
    EXPECT_TRUE(state->results_valid);
}

TEST_F(SimRun, ArithmeticFaultsAbortWithEarlierEffectsKept) {
    p.points = 100000;
    p.steps = 30000;  // N·S beyond 32 bits
    p.tmax = 7e-6L;
    state->results_valid = true;
    expect_fault(kIntegerOverflow);
    EXPECT_FALSE(state->results_valid);
    EXPECT_EQ(state->view.t1, 7e-6L);

    p = default_design();
    p.C1 = 0;  // 1/C1
    expect_fault(kDivisionByZero);
    EXPECT_EQ(state->result.samples.count(), 600);  // set by the capacity check, before the model
    EXPECT_EQ(state->view.ymin, 1e12L);
    EXPECT_EQ(state->view.ymax, -1e12L);
    EXPECT_FALSE(state->save_ref_enabled);

    p = default_design();
    p.L2 = -p.L2;  // sqrt(L1·L2) of a negative number
    expect_fault(kInvalidOperation);

    p = default_design();
    p.points = 1;  // h = tmax / 0
    p.steps = 1000;
    p.tmax = 1e-6L;
    expect_fault(kDivisionByZero);

    p = default_design();
    p.fin = 0;  // tmax·fin = 0
    expect_fault(kDivisionByZero);
    EXPECT_TRUE(log.lines.empty());
}

// A longer run whose driver stops, or turns to feedback, part way through a
// sample: the sines computed ahead end there and vin is computed step by step.
TEST_F(SimRun, LongRunsStoreExactlyWhatThePlainLoopComputes) {
    p.points = 4000;
    p.tmax = 2e-4L;
    expect_same_as_plain_loop(p, "long, lossless sine");
    p.tstop = 1e-4L;
    expect_same_as_plain_loop(p, "long, stopped half way");
    p.tstop = 10;
    p.feedback = true;
    p.tstart = 1.5e-4L;
    expect_same_as_plain_loop(p, "long, feedback for the last quarter");
}

TEST_F(SimRun, OverflowDuringTheStepsKeepsTheSamplesStoredSoFar) {
    p.R1 = -1e6L;  // a negative resistance: the primary current grows without bound
    p.tmax = 1e-4L;
    p.points = 2000;
    p.steps = 50;
    expect_fault(kOverflow);
    EXPECT_FALSE(state->results_valid);
    EXPECT_FALSE(state->save_ref_enabled);
    EXPECT_EQ(state->result.samples.count(), 2000);
    int stored = 0;  // the last sample stored
    while (stored + 1 < 2000 && state->result.samples.time[stored + 1] != 0) ++stored;
    EXPECT_GT(stored, 1);
    EXPECT_LT(stored, 1999);
    EXPECT_TRUE(std::isfinite(state->result.samples.values[stored][5]));
    EXPECT_GT(std::fabs(state->result.samples.values[stored][5]), 1e100L);
    EXPECT_EQ(state->result.samples.values[stored + 1][5], 0);
    EXPECT_EQ(std::fetestexcept(FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO), 0);
}

TEST_F(SimRun, FailedInversionEndsTheRunLikeAMessageStop) {
    p.points = 2;
    p.steps = 1000;
    p.tmax = 1e-6L;
    p.fin = 1e6L;
    const long double h = p.tmax / ((p.points - 1) * p.steps);
    p.RL = -(h / 2) / p.C3;  // P_33 = 1 + (h/2)/(RL·C3) is (almost) zero
    state->result.samples.resize(2);  // a store from an earlier run
    state->result.samples.time[0] = 123;
    EXPECT_FALSE(run_simulation(p, *state, log));
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "Something wrong (line 3). The L matrix can't be inverted.");
    EXPECT_FALSE(state->results_valid);
    EXPECT_FALSE(state->save_ref_enabled);
    EXPECT_EQ(state->result.samples.time[0], 123);  // no sample stored
    EXPECT_EQ(state->result.end, RunEnd::kStopped);
    EXPECT_EQ(state->result.message, log.lines[0]);
}

TEST_F(SimRun, ZeroCouplingKeepsTheSecondaryExactlyZero) {
    p.k12 = 0;
    p.R1 = 1;
    p.find_maxima = true;
    ASSERT_TRUE(run_simulation(p, *state, log));
    for (int i = 0; i < state->result.samples.count(); ++i)
        for (int v : {kV2, kV3, kVL, kI2, kI3}) ASSERT_EQ(state->result.samples.values[i][v], 0) << i << " " << v;
    EXPECT_NE(state->result.samples.values[599][kI1], 0);
    // With v3 zero everywhere the energies are all zero and their shares
    // 0.0000 %, and the run completes.
    ASSERT_EQ(log.lines.size(), 19u);
    EXPECT_EQ(log.lines[16], "Energy in C3:  0.00000000E+0000 ( 0.0000 %)");
    EXPECT_EQ(log.lines[17], "Energy in C2:  0.00000000E+0000 ( 0.0000 %)");
    EXPECT_EQ(log.lines[18], "Energy in C1:  0.00000000E+0000 ( 0.0000 %)");
    EXPECT_EQ(log.lines[9], "V1:        0.00000000");
    EXPECT_TRUE(state->results_valid);
}

TEST_F(SimRun, ValueRangeAndUseVmax) {
    p.Vin = 0;
    ASSERT_TRUE(run_simulation(p, *state, log));
    // Everything stays 0: the first value sets the top, the second the bottom.
    EXPECT_EQ(state->view.ymax, 0);
    EXPECT_EQ(state->view.ymin, 0);
    for (int v = 0; v < 8; ++v) EXPECT_EQ(state->result.samples.values[599][v], 0);

    p.Vin = 200;
    p.use_vmax = true;
    ASSERT_TRUE(run_simulation(p, *state, log));
    EXPECT_EQ(state->view.ymax, 200000);
    EXPECT_EQ(state->view.ymin, -200000);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(SimRun, MaximaReportOfAOneStepRun) {
    one_step_of_100ns();
    p.VC10 = 1000;  // v1 rings down from 1000 in the first step: its peak stays at t = 0
    p.find_maxima = true;
    ASSERT_TRUE(run_simulation(p, *state, log));
    const auto& s = state->result.samples.values[1];
    ASSERT_LT(std::fabs(s[1]), 1000);
    std::vector<std::string> expected = {"Maximum values:",
                                         "Max. V1:     1000.00000000 at t= 0.00000000E+0000"};
    const char* names[] = {"V1", "V2", "V3", "V4", "I1", "I2", "I3"};
    for (int j = 2; j <= 7; ++j)
        expected.push_back(std::string("Max. ") + names[j - 1] + ": " + F(s[j], 17, 8) + " at t= 1.00000000E-0007");
    expected.push_back("When VC3 is maximum:");
    for (int j = 1; j <= 7; ++j) expected.push_back(std::string(names[j - 1]) + ": " + F(s[j], 17, 8));
    const long double e3 = s[3] * s[3] * (p.C3 * 0.5L), e2 = s[2] * s[2] * (p.C2 * 0.5L),
                      e1 = s[1] * s[1] * (p.C1 * 0.5L), total = (e1 + e2) + e3;
    expected.push_back("Energy in C3: " + E(e3, 17) + " (" + F(e3 * 100 / total, 7, 4) + " %)");
    expected.push_back("Energy in C2: " + E(e2, 17) + " (" + F(e2 * 100 / total, 7, 4) + " %)");
    expected.push_back("Energy in C1: " + E(e1, 17) + " (" + F(e1 * 100 / total, 7, 4) + " %)");
    EXPECT_EQ(log.lines, expected);
    // Nearly all the energy is still in C1 after one step of 0.1 µs.
    EXPECT_NE(log.lines[18].find(" (99.99"), std::string::npos) << log.lines[18];
}

// What the tool exists to show: the default design's network, without
// losses and with a light load, holds at least 99 % of the stored energy in
// C3 when v3 peaks.  Driven by the sine at fin, the energy reaches C3 at the
// transfer time (about 7.04 µs, 2.25 periods); v3 peaks there.
TEST_F(SimRun, DefaultDesignMovesTheEnergyIntoC3) {
    p.RL = 1e12L;
    p.find_maxima = true;
    for (const long double tmax : {7.04e-6L, 1.5e-5L}) {
        log.lines.clear();
        p.tmax = tmax;
        ASSERT_TRUE(run_simulation(p, *state, log));
        ASSERT_EQ(log.lines.size(), 19u);
        const std::string& c3 = log.lines[16];
        ASSERT_EQ(c3.rfind("Energy in C3: ", 0), 0u);
        const double share = std::stod(c3.substr(c3.find('(') + 1));
        EXPECT_GE(share, 99.0) << c3;
        // The peak of v3 lies at the transfer time.
        const std::string& v3 = log.lines[3];
        EXPECT_NE(v3.find(" at t= 7.0"), std::string::npos) << v3;
    }
}

// Signs that pass the points check without steps forward in time.
TEST_F(SimRun, NegativeCountsAndTimesRunWithoutCrashing) {
    // N·S > 0 with both negative: the run completes with no sample to
    // draw, write or save.
    p.points = -100;
    p.steps = -100;
    ASSERT_TRUE(run_simulation(p, *state, log));
    EXPECT_EQ(state->result.samples.count(), 0);
    EXPECT_EQ(state->view.ymin, 1e12L);  // no sample reached the value range
    EXPECT_EQ(state->view.ymax, -1e12L);
    save_reference(*state);
    EXPECT_EQ(state->reference.count(), 0);

    // A negative "Max time" with negative internal steps: (N·S)/(tmax·fin) =
    // 1333; "repeat S times" does nothing, so every sample is the initial state.
    p = default_design();
    p.steps = -10;
    p.tmax = -1.5e-5L;
    p.VC10 = 7;
    ASSERT_TRUE(run_simulation(p, *state, log));
    EXPECT_EQ(state->result.samples.count(), 600);
    for (int i = 0; i < 600; ++i) {
        ASSERT_EQ(state->result.samples.time[i], 0) << i;
        ASSERT_EQ(state->result.samples.values[i][kV1], 7) << i;
        ASSERT_EQ(state->result.samples.values[i][kVin], 0) << i;
    }
    EXPECT_EQ(state->view.ymax, 7);
    EXPECT_EQ(state->view.ymin, 0);
    EXPECT_TRUE(log.lines.empty());
}

// The figures of a run are the same whether its samples are stored or not;
// a run without stored samples leaves the store empty.
TEST(SimResultValues, FiguresWithoutStoredSamplesEqualThoseWith) {
    struct Case {
        const char* what;
        void (*change)(SimParams&);
    };
    const Case cases[] = {
        {"default, maxima", [](SimParams& p) { p.find_maxima = true; }},
        {"losses, square, Vmax",
         [](SimParams& p) {
             p.R1 = 2.5L;
             p.R2 = 40;
             p.square = true;
             p.use_vmax = true;
             p.find_maxima = true;
         }},
        {"ringing from VC1(0), no steps forward", [](SimParams& p) {
             p.steps = -10;
             p.tmax = -1.5e-5L;
             p.VC10 = 7;
         }},
        {"too few points", [](SimParams& p) { p.points = 10; }},
    };
    SimResult stored, figures;
    for (const Case& c : cases) {
        SimParams p = default_design();
        c.change(p);
        LineCollector log_stored, log_figures;
        const bool a = run_simulation(p, log_stored, stored, true);
        const bool b = run_simulation(p, log_figures, figures, false);
        EXPECT_EQ(a, b) << c.what;
        EXPECT_EQ(log_stored.lines, log_figures.lines) << c.what;
        EXPECT_EQ(stored.end, figures.end) << c.what;
        EXPECT_EQ(stored.message, figures.message) << c.what;
        EXPECT_EQ(stored.samples_done, figures.samples_done) << c.what;
        EXPECT_EQ(figures.samples.count(), 0) << c.what;
        const ViewRecord &r = stored.range, &q = figures.range;
        EXPECT_TRUE(same_bits(r.t0, q.t0) && same_bits(r.t1, q.t1) && same_bits(r.ymin, q.ymin) &&
                    same_bits(r.ymax, q.ymax))
            << c.what;
        const MaximaFigures &m = stored.maxima, &n = figures.maxima;
        for (int j = 0; j < kStates; ++j)
            EXPECT_TRUE(same_bits(m.peak[j], n.peak[j]) && same_bits(m.peak_time[j], n.peak_time[j]) &&
                        same_bits(m.at_v3_peak[j], n.at_v3_peak[j]))
                << c.what << " channel " << j;
        for (int e = 0; e < 3; ++e)
            EXPECT_TRUE(same_bits(m.energy[e], n.energy[e]) && same_bits(m.share[e], n.share[e])) << c.what;
    }
    // The last case stopped: its line is the result's message.
    EXPECT_EQ(figures.end, RunEnd::kStopped);
    EXPECT_EQ(figures.message, kTooFew);
}

// The figures are the report's numbers: the peak of v3 and the share of C3
// printed from them are the report's lines.
TEST(SimResultValues, FiguresAreTheReportsNumbers) {
    SimParams p = default_design();
    p.RL = 1e12L;
    p.find_maxima = true;
    SimResult r;
    LineCollector log;
    ASSERT_TRUE(run_simulation(p, log, r, false));
    EXPECT_EQ(r.end, RunEnd::kCompleted);
    ASSERT_EQ(log.lines.size(), 19u);
    EXPECT_EQ(log.lines[3], "Max. V3: " + F(r.maxima.peak[2], 17, 8) + " at t=" + E(r.maxima.peak_time[2], 17));
    EXPECT_EQ(log.lines[16],
              "Energy in C3: " + E(r.maxima.energy[2], 17) + " (" + F(r.maxima.share[2], 7, 4) + " %)");
    EXPECT_GE(r.maxima.share[2], 99);
    EXPECT_EQ(r.maxima.at_v3_peak[2], r.maxima.peak[2]);

    // A fault is recorded in the result before it is thrown.
    p.C1 = 0;
    EXPECT_THROW(run_simulation(p, log, r, true), Error);
    EXPECT_EQ(r.end, RunEnd::kFault);
    EXPECT_EQ(r.message, kDivisionByZero);
    EXPECT_FALSE(r.samples_done);
}

TEST(SimDocument, SaveAndDeleteReference) {
    auto state = fresh_state();
    LineCollector log;
    SimParams p = default_design();
    ASSERT_TRUE(run_simulation(p, *state, log));
    save_reference(*state);
    EXPECT_TRUE(state->reference_present);
    EXPECT_EQ(state->reference.count(), 600);
    EXPECT_EQ(state->reference.values[599][kI3], state->result.samples.values[599][kI3]);
    EXPECT_EQ(state->reference.time[599], state->result.samples.time[599]);
    p.points = 300;
    ASSERT_TRUE(run_simulation(p, *state, log));
    EXPECT_EQ(state->reference.count(), 600);  // runs never touch the reference
    delete_reference(*state);
    EXPECT_FALSE(state->reference_present);
    EXPECT_EQ(state->reference.count(), 600);
}

}  // namespace
}  // namespace zelvar
