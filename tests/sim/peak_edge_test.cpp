// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/peak_edge.h"

#include <gtest/gtest.h>

#include <numeric>
#include <sstream>

#include "app/dispatch_cli.h"
#include "design/mode_explorer.h"
#include "sim/default_design_circuit.h"
#include "sim/sample_csv.h"
#include "sim/sim_run.h"
#include "sim/tolerance.h"
#include "sim/tolerance_chart.h"

namespace zelvar {
namespace {

// The circuit that a design of the mode hands over (default C1, C3, L3 and
// excitation), every other input at its default.
SimParams mode_circuit(std::int32_t k, std::int32_t l, std::int32_t m, std::int32_t n) {
    const DesignInputs in;
    const ModeRow r = design_mode(in, k, l, m, n);
    EXPECT_EQ(r.status, ModeStatus::realizable);
    SimParams p;
    p.C1 = in.C1, p.L1 = r.L1, p.C2 = r.C2, p.L2 = r.L2, p.C3 = in.C3, p.L3 = in.L3, p.k12 = r.k12, p.fin = r.fin;
    return p;
}

TEST(PeakAtEdge, LastSampleTimeIsTheRunsOwnAndTheCheckFindsTheCutPeak) {
    // The stored samples' last time, from a run that keeps them.
    SimResult stored;
    LineCollector quiet;
    ASSERT_TRUE(run_simulation(default_design_circuit(), quiet, stored, true));
    EXPECT_EQ(last_sample_time(default_design_circuit()), stored.samples.time.back());
    EXPECT_FALSE(v3_peak_at_edge(default_design_circuit(), stored));

    // 1:19:20:21 transfers in about 17.2 us: at a Max time of 15 us the
    // largest |v3| is the last crest of the run (less than half a source
    // period before its end); driven on, it still gathers energy at 30 us,
    // and at 40 us its peak (about 33.5 us) lies inside the run.
    SimParams p = mode_circuit(1, 19, 20, 21);
    SimResult r;
    ASSERT_TRUE(run_simulation(p, quiet, r, true));
    EXPECT_LT(r.samples.time.back() - r.maxima.peak_time[2], 0.5L / p.fin);
    EXPECT_TRUE(v3_peak_at_edge(p, r));
    // The default design peaks half-way through its run.
    EXPECT_GT(stored.samples.time.back() - stored.maxima.peak_time[2], 2 / default_design_circuit().fin);
    p.tmax = 3e-5L;
    ASSERT_TRUE(run_simulation(p, quiet, r, false));
    EXPECT_TRUE(v3_peak_at_edge(p, r));
    p.tmax = 4e-5L;
    ASSERT_TRUE(run_simulation(p, quiet, r, false));
    EXPECT_FALSE(v3_peak_at_edge(p, r));
}

TEST(PeakAtEdge, ToleranceCommandWarnsAfterTheNominalLineOnlyWhenTheRunIsCut) {
    const SimParams p = mode_circuit(1, 19, 20, 21);
    std::vector<std::string> args = {"tolerance", "--runs", "3", "--threads", "1"};
    for (const auto& [option, value] : {std::pair<const char*, long double>{"--C1", p.C1}, {"--L1", p.L1},
                                        {"--C2", p.C2}, {"--L2", p.L2}, {"--C3", p.C3}, {"--L3", p.L3},
                                        {"--k12", p.k12}, {"--fin", p.fin}}) {
        args.push_back(option);
        args.push_back(csv_real(value));
    }
    for (const bool cut : {true, false}) {
        std::vector<std::string> a = args;
        if (!cut) a.insert(a.end(), {"--tmax", "4E-5"});
        std::ostringstream out, err;
        ASSERT_EQ(run_cli(a, out, err), kExitCompleted) << err.str();
        const std::string text = out.str();
        const std::size_t nominal = text.find("\nNominal: ");
        ASSERT_NE(nominal, std::string::npos);
        const std::size_t next = text.find('\n', nominal + 1);
        EXPECT_EQ(text.compare(next + 1, std::string(kPeakAtEndWarning).size() + 1,
                               std::string(kPeakAtEndWarning) + "\n") == 0,
                  cut)
            << text;
        EXPECT_EQ(text.find(kPeakAtEndWarning) != std::string::npos, cut);
    }
}

TEST(ToleranceChart, RoundAxesAndWholeCounts) {
    const struct {
        long double lo, hi;
        int max;
        long double step, axis_lo, axis_hi;
        int decimals;
    } cases[] = {
        {99.544L, 99.721L, 10, 0.02L, 99.54L, 99.74L, 2},
        {46, 138, 8, 20, 40, 140, 0},
        {-3.2L, 3.2L, 8, 1, -4, 4, 0},
        {0, 1, 10, 0.1L, 0, 1, 1},
    };
    for (const auto& c : cases) {
        const ChartAxis a = round_axis(c.lo, c.hi, c.max);
        EXPECT_NEAR(static_cast<double>(a.step), static_cast<double>(c.step), 1e-12) << static_cast<double>(c.lo);
        EXPECT_NEAR(static_cast<double>(a.lo), static_cast<double>(c.axis_lo), 1e-9);
        EXPECT_NEAR(static_cast<double>(a.hi), static_cast<double>(c.axis_hi), 1e-9);
        EXPECT_LE(a.intervals, c.max);
        EXPECT_EQ(a.decimals, c.decimals);
    }
    // One run: counts 0, 1 only.
    const ChartAxis one = count_axis(1, 8);
    EXPECT_EQ(one.step, 1);
    EXPECT_EQ(one.hi, 1);
    EXPECT_EQ(one.intervals, 1);
    EXPECT_EQ(count_axis(2, 8).intervals, 2);

    // The histogram counts every completed run once; the threshold near the
    // values is on the axis, one far from them is not.
    ToleranceSettings s;
    s.runs = 30;
    s.threads = 1;
    LineCollector quiet;
    const ToleranceResult r = run_tolerance_analysis(default_design_circuit(), s, quiet);
    const HistogramChart far = efficiency_histogram(r, 90);
    EXPECT_EQ(std::accumulate(far.counts.begin(), far.counts.end(), 0), 30);
    EXPECT_FALSE(far.threshold_on_axis);
    const long double mid = r.runs[0].figures.efficiency;
    const HistogramChart near = efficiency_histogram(r, mid);
    EXPECT_TRUE(near.threshold_on_axis);
    EXPECT_LE(near.x.lo, mid);
    EXPECT_GE(near.x.hi, mid);
}

}  // namespace
}  // namespace zelvar
