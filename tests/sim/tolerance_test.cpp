// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/tolerance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/dispatch_cli.h"
#include "app/faults.h"
#include "report/format.h"
#include "sim/default_design_circuit.h"
#include "sim/param_table.h"
#include "sim/sample_csv.h"
#include "../app/scratch_dir.h"

namespace zelvar {
namespace {

// The lossless default design at the default timing.
SimParams design() { return default_design_circuit(); }

ToleranceSettings settings(long double tol, std::int32_t runs, int threads = 2) {
    ToleranceSettings s;
    for (int e = 0; e < kTolFin; ++e) s.tol[e] = tol;
    s.runs = runs;
    s.threads = threads;
    return s;
}

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, sep);) parts.push_back(part);
    return parts;
}

struct Cli {
    int status;
    std::string out, err;
};

Cli cli(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = run_cli(args, out, err);
    return {status, out.str(), err.str()};
}

std::string csv_of(const ToleranceResult& r) {
    std::ostringstream out;
    write_tolerance_csv(out, r);
    return out.str();
}

TEST(ToleranceDraws, GaussianStaysWithinTheToleranceAndUniformCoversIt) {
    long double lo = 1, hi = -1, sum = 0, sq = 0;
    long double g_max = 0, g_sq = 0;
    constexpr int kRuns = 20000;
    for (int run = 1; run <= kRuns; ++run) {
        const long double u = tolerance_deviation(Distribution::uniform, 7, run, run % kToleranceElements);
        const long double g = tolerance_deviation(Distribution::gauss, 7, run, run % kToleranceElements);
        ASSERT_TRUE(u > -1 && u < 1) << run;
        ASSERT_LE(std::fabs(g), 1) << run;
        lo = std::min(lo, u);
        hi = std::max(hi, u);
        sum += u;
        sq += u * u;
        g_max = std::max(g_max, std::fabs(g));
        g_sq += g * g;
    }
    EXPECT_LT(lo, -0.999L);
    EXPECT_GT(hi, 0.999L);
    EXPECT_NEAR(static_cast<double>(sum / kRuns), 0, 0.01);
    EXPECT_NEAR(static_cast<double>(sq / kRuns), 1.0 / 3, 0.01);  // variance of U(-1, 1)
    EXPECT_GT(g_max, 0.9L);                                          // the tails reach out to 3 sigma
    EXPECT_NEAR(static_cast<double>(std::sqrt(g_sq / kRuns)), 0.3287, 0.006);  // sigma 1/3 truncated at 3 sigma
    // A draw depends on its seed, run and element only.
    EXPECT_EQ(tolerance_deviation(Distribution::gauss, 7, 5, 3), tolerance_deviation(Distribution::gauss, 7, 5, 3));
    EXPECT_NE(tolerance_deviation(Distribution::uniform, 7, 5, 3), tolerance_deviation(Distribution::uniform, 8, 5, 3));
    EXPECT_NE(tolerance_deviation(Distribution::uniform, 7, 5, 3), tolerance_deviation(Distribution::uniform, 7, 6, 3));
    EXPECT_EQ(symmetric_unit(0), -symmetric_unit(~0ULL));
}

TEST(Tolerance, ZeroToleranceReproducesTheNominalFiguresInEveryRun) {
    ToleranceSettings s = settings(0, 6);
    LineCollector log;
    const ToleranceResult r = run_tolerance_analysis(design(), s, log);
    ASSERT_EQ(r.nominal.status, RunStatus::completed);
    EXPECT_TRUE(r.sensitivity.empty());
    for (const RunRecord& rec : r.runs) {
        ASSERT_EQ(rec.status, RunStatus::completed);
        EXPECT_EQ(rec.figures.v3_peak, r.nominal.figures.v3_peak);
        EXPECT_EQ(rec.figures.t_peak, r.nominal.figures.t_peak);
        EXPECT_EQ(rec.figures.share_c3, r.nominal.figures.share_c3);
        EXPECT_EQ(rec.figures.efficiency, r.nominal.figures.efficiency);
        EXPECT_EQ(rec.values[kTolC2], design().C2);
    }
    const ToleranceSummary sum = summarize(r, 90);
    EXPECT_EQ(sum.efficiency.std_dev, 0);
    EXPECT_EQ(sum.efficiency.p5, r.nominal.figures.efficiency);
    EXPECT_TRUE(log.lines.empty());  // the nominal run writes nothing without "Find maxima"
}

TEST(Tolerance, NominalFiguresAreThoseOfTheMaximaReport) {
    SimParams p = design();
    p.find_maxima = true;
    LineCollector log;
    const ToleranceResult r = run_tolerance_analysis(p, settings(1, 1), log);
    ASSERT_EQ(log.lines.size(), 19u);  // the nominal run's own report
    const RunFigures& f = r.nominal.figures;
    EXPECT_EQ(log.lines[3], "Max. V3: " + F(f.v3_peak, 17, 8) + " at t=" + E(f.t_peak, 17));
    EXPECT_EQ(log.lines[3], "Max. V3:    -6498.61322520 at t= 7.03672788E-0006");
    // Appended piece by piece: g++ 12 warns (-Wrestrict, wrongly) in Release
    // on "(" + a temporary string.
    std::string share = "(";
    share.append(F(f.share_c3, 7, 4)).append(" %)");
    EXPECT_EQ(log.lines[16].substr(32), share);
    write_tolerance_report(r, settings(1, 1), log);
    EXPECT_EQ(log.lines[21], "Nominal: V3 peak    -6498.61322520 at t= 7.03672788E-0006, share of C3 99.9998 %, "
                             "efficiency " + F(f.efficiency, 7, 4) + " %");
}

TEST(Tolerance, SameSeedSameCsvWithAnyNumberOfThreads) {
    ToleranceSettings s = settings(2, 40, 1);
    s.tol[kTolFin] = 1;
    s.dist = Distribution::gauss;
    LineCollector log;
    const std::string one = csv_of(run_tolerance_analysis(design(), s, log));
    s.threads = 2;
    const std::string two = csv_of(run_tolerance_analysis(design(), s, log));
    EXPECT_EQ(one, two);
    s.threads = 1000000;  // as many as the system grants, at most one per task
    EXPECT_EQ(csv_of(run_tolerance_analysis(design(), s, log)), one);
    EXPECT_EQ(split(one, '\n').size(), 41u);
    EXPECT_EQ(split(one, '\n')[0], "run,C1,L1,C2,L2,C3,L3,k12,fin,efficiency,share_c3,v3_peak,t_peak,status");
    s.seed = 2;
    EXPECT_NE(csv_of(run_tolerance_analysis(design(), s, log)), one);
}

TEST(Tolerance, CsvRowRerunBySimulateGivesTheSameFigures) {
    testdata::ScratchDir dir("zelvar-tol");
    ToleranceSettings s = settings(2, 3);
    s.tol[kTolFin] = 2;
    LineCollector log;
    const ToleranceResult r = run_tolerance_analysis(design(), s, log);
    write_tolerance_csv_file("mc.csv", r);
    std::ifstream in("mc.csv");
    std::string line;
    std::getline(in, line);
    std::getline(in, line);
    std::getline(in, line);  // run 2
    const std::vector<std::string> row = split(line, ',');
    ASSERT_EQ(row.size(), 14u);
    EXPECT_EQ(row[0], "2");
    EXPECT_EQ(row[13], "completed");
    const char* names[] = {"--C1", "--L1", "--C2", "--L2", "--C3", "--L3", "--k12", "--fin"};
    std::vector<std::string> args = {"simulate", "--maxima", "--csv", "run.csv"};
    for (int e = 0; e < kToleranceElements; ++e) {
        args.push_back(names[e]);
        args.push_back(row[static_cast<std::size_t>(e) + 1]);
    }
    const Cli sim = cli(args);
    ASSERT_EQ(sim.status, kExitCompleted) << sim.err;
    const long double eff = std::strtold(row[9].c_str(), nullptr);
    const long double share = std::strtold(row[10].c_str(), nullptr);
    const long double peak = std::strtold(row[11].c_str(), nullptr);
    const long double time = std::strtold(row[12].c_str(), nullptr);
    EXPECT_EQ(peak, r.runs[1].figures.v3_peak);
    EXPECT_NE(sim.out.find("Max. V3: " + F(peak, 17, 8) + " at t=" + E(time, 17) + "\n"), std::string::npos) << sim.out;
    std::string share_line = "(";  // appended: see NominalFiguresAreThoseOfTheMaximaReport
    share_line.append(F(share, 7, 4)).append(" %)\nEnergy in C2");
    EXPECT_NE(sim.out.find(share_line), std::string::npos) << sim.out;

    // The efficiency from the run's own samples at the first largest |v3|.
    const SimParams p = monte_carlo_params(design(), s, 2);
    std::ifstream samples("run.csv");
    std::getline(samples, line);
    long double best = 0, x[8] = {};
    while (std::getline(samples, line)) {
        const std::vector<std::string> v = split(line, ',');
        const long double v3 = std::strtold(v[4].c_str(), nullptr);
        if (std::fabs(v3) > std::fabs(best)) {
            best = v3;
            for (int j = 0; j < 8; ++j) x[j] = std::strtold(v[static_cast<std::size_t>(j) + 1].c_str(), nullptr);
        }
    }
    EXPECT_EQ(best, peak);
    const long double m = std::sqrt(p.L1 * p.L2) * p.k12;
    const long double e3 = x[3] * x[3] * (p.C3 * 0.5L);
    const long double all = ((((x[1] * x[1] * (p.C1 * 0.5L) + x[2] * x[2] * (p.C2 * 0.5L)) + e3) +
                              x[4] * x[4] * (p.CL * 0.5L)) +
                             (((x[5] * x[5] * (p.L1 * 0.5L) + x[6] * x[6] * (p.L2 * 0.5L)) + (m * x[5]) * x[6]) +
                              x[7] * x[7] * (p.L3 * 0.5L)));
    EXPECT_EQ(eff, e3 * 100 / all);
}

TEST(Tolerance, CancelStopsALongAnalysisAndKeepsWhatFinished) {
    ToleranceControl control;
    ToleranceResult r;
    LineCollector log;
    std::thread analysis([&] { r = run_tolerance_analysis(design(), settings(1, 100000, 2), log, &control); });
    while (control.done.load() < 20) std::this_thread::yield();
    control.cancel = true;
    const std::int32_t done_at_cancel = control.done.load();
    analysis.join();
    EXPECT_TRUE(r.cancelled);
    // Only the runs under way when the flag was set finish after it.
    EXPECT_LE(control.done.load(), done_at_cancel + 2);
    const ToleranceSummary sum = summarize(r, 90);
    EXPECT_EQ(sum.finished + 1 + 14, control.done.load());  // the nominal and the sensitivity runs besides
    EXPECT_EQ(sum.completed, sum.finished);
    write_tolerance_report(r, settings(1, 100000), log);
    EXPECT_NE(log.lines[3].find(" of 100000 (cancelled)"), std::string::npos) << log.lines[3];
}

TEST(Tolerance, StopsAndFaultsAreCountedWithTheirMessages) {
    // fin 1 % around 8 MHz leaves fewer than 50 steps per period about half
    // of the time; k12 drawn 2 % around 0.999 passes 1 half of the time: no
    // circuit, counted apart and left out of the statistics and the yield.
    SimParams p = design();
    p.fin = 8e6L;
    ToleranceSettings s = settings(0, 200);
    s.tol[kTolFin] = 1;
    LineCollector log;
    ToleranceResult r = run_tolerance_analysis(p, s, log);
    ToleranceSummary sum = summarize(r, 90);
    EXPECT_GT(sum.stopped, 50);
    EXPECT_EQ(sum.stopped + sum.completed, 200);
    ASSERT_EQ(sum.kinds.size(), 1u);
    EXPECT_EQ(sum.kinds[0].message, "Too few points (increase points or internal steps or decrease max time).");
    EXPECT_EQ(sum.kinds[0].count, sum.stopped);
    EXPECT_LE(sum.passed, sum.completed);

    p = design();
    p.k12 = 0.999L;
    p.tmax = 3e-4L;
    p.points = 12000;
    p.steps = 1;
    s = settings(0, 40);
    s.tol[kTolK12] = 2;
    r = run_tolerance_analysis(p, s, log);
    sum = summarize(r, 90);
    std::int32_t above = 0;
    for (std::int32_t run = 1; run <= 40; ++run) above += monte_carlo_params(p, s, run).k12 >= 1 ? 1 : 0;
    EXPECT_GT(above, 5);
    EXPECT_EQ(sum.not_circuit, above);
    EXPECT_EQ(sum.faults, 0);
    EXPECT_TRUE(sum.kinds.empty());
    EXPECT_EQ(sum.completed + sum.not_circuit, 40);
    EXPECT_EQ(sum.efficiency.count, sum.completed);
    EXPECT_EQ(sum.yield, static_cast<long double>(sum.passed) * 100 / (40 - above));
    for (const RunRecord& rec : r.runs) EXPECT_EQ(rec.status == RunStatus::not_circuit, rec.values[kTolK12] >= 1);
    EXPECT_EQ(r.summary.not_circuit, above);  // the analysis's own summary agrees
    log.lines.clear();
    write_tolerance_report(r, s, log);
    EXPECT_EQ(log.lines[3], "Runs finished: 40 of 40; completed " + I(40 - above) +
                                ", stopped 0, faults 0, not a circuit (|k12| >= 1) " + I(above));
    EXPECT_EQ(log.lines[4], "Not a circuit (" + I(above) + " runs): |k12| >= 1, left out of the statistics and of the yield");
    const std::string csv = csv_of(r);
    EXPECT_NE(csv.find(",,,,not a circuit (|k12| \u2265 1)\n"), std::string::npos);

    // A nominal coupling of 1 is refused before any run.
    p.k12 = 1;
    EXPECT_THROW(run_tolerance_analysis(p, s, log), SettingError);
}

// The analysis that keeps no record (the command line's, the window's)
// streams the same CSV text in run order and summarizes the same figures,
// with any number of threads.
TEST(Tolerance, StreamedRowsAndSummaryEqualTheKeptRecords) {
    ToleranceSettings s = settings(3, 60, 1);
    s.tol[kTolK12] = 12;  // k12 0.3 +- 12 %: every draw a circuit
    LineCollector log;
    const ToleranceResult kept = run_tolerance_analysis(design(), s, log);
    const ToleranceSummary expected = summarize(kept, s.threshold);
    for (const int threads : {1, 3}) {
        s.threads = threads;
        std::string streamed;
        ToleranceOutput output;
        output.keep_runs = false;
        output.csv = [&](const std::string& text) { streamed += text; };
        const ToleranceResult r = run_tolerance_analysis(design(), s, log, nullptr, output);
        EXPECT_TRUE(r.runs.empty());
        EXPECT_EQ(streamed, csv_of(kept)) << threads;
        const ToleranceSummary sum = summarize(r, s.threshold);
        EXPECT_EQ(sum.finished, 60);
        EXPECT_EQ(sum.passed, expected.passed);
        EXPECT_EQ(sum.efficiency.mean, expected.efficiency.mean);
        EXPECT_EQ(sum.efficiency.p50, expected.efficiency.p50);
        EXPECT_EQ(sum.v3_peak_magnitude.max, expected.v3_peak_magnitude.max);
        std::int32_t in_bins = 0;
        for (const std::int32_t n : r.histogram.counts) in_bins += n;
        EXPECT_EQ(in_bins, sum.completed);
        EXPECT_EQ(r.histogram.lo, expected.efficiency.min);
        EXPECT_EQ(r.histogram.hi, expected.efficiency.max);
    }
}

TEST(Tolerance, DefaultDesignKeepsItsYieldAndRanksFinFirst) {
    ToleranceSettings s = settings(1, 300);
    LineCollector log;
    ToleranceResult r = run_tolerance_analysis(design(), s, log);
    EXPECT_EQ(summarize(r, 90).passed, 300);

    // One element at a time 2 % off.
    s = settings(2, 1);
    s.tol[kTolFin] = 2;
    r = run_tolerance_analysis(design(), s, log);
    ASSERT_EQ(r.sensitivity.size(), 8u);
    for (const SensitivityRow& row : r.sensitivity) {
        EXPECT_GE(row.low.figures.efficiency, 97) << tolerance_element_name(row.element);
        EXPECT_GE(row.high.figures.efficiency, 97) << tolerance_element_name(row.element);
    }
    // fin first, then C1 and L1 (their product sets the primary resonance), then L3.
    EXPECT_EQ(r.sensitivity[0].element, kTolFin);
    EXPECT_EQ(r.sensitivity[1].element + r.sensitivity[2].element, kTolC1 + kTolL1);
    EXPECT_EQ(r.sensitivity[3].element, kTolL3);

    // fin 5 % high: the report's share barely moves, the efficiency drops.
    SimParams p = design();
    p.fin = p.fin * 1.05L;
    r = run_tolerance_analysis(p, settings(0, 1), log);
    EXPECT_GT(r.nominal.figures.share_c3, 95.5L);
    EXPECT_LT(r.nominal.figures.efficiency, 90);
}

// The statistics of known sets: the standard deviation divides by n − 1,
// percentile q sits at position q·(n − 1) of the sorted values.
TEST(Tolerance, StatisticsOfKnownSets) {
    struct Case {
        std::vector<long double> values;
        long double mean, std_dev, p5, p50, p95;
    } const cases[] = {
        {{4, 1, 3, 2}, 2.5L, 1.2909944487358056L, 1.15L, 2.5L, 3.85L},
        {{100, 0, 90, 10, 80, 20, 70, 30, 60, 40, 50}, 50, 33.166247903554L, 5, 50, 95},
    };
    for (const Case& c : cases) {
        const FigureStats st = figure_stats(c.values);
        EXPECT_EQ(st.count, static_cast<std::int32_t>(c.values.size()));
        EXPECT_NEAR(st.mean, c.mean, 1e-15L);
        EXPECT_NEAR(st.std_dev, c.std_dev, 1e-12L);
        EXPECT_NEAR(st.p5, c.p5, 1e-14L);
        EXPECT_NEAR(st.p50, c.p50, 1e-14L);
        EXPECT_NEAR(st.p95, c.p95, 1e-14L);
        EXPECT_EQ(st.min, *std::min_element(c.values.begin(), c.values.end()));
        EXPECT_EQ(st.max, *std::max_element(c.values.begin(), c.values.end()));
    }
}

// A run whose efficiency equals the threshold passes.
TEST(Tolerance, YieldCountsARunAtTheThreshold) {
    LineCollector log;
    const ToleranceResult r = run_tolerance_analysis(design(), settings(0, 2), log);
    ASSERT_EQ(r.nominal.status, RunStatus::completed);
    const ToleranceSummary at = summarize(r, r.nominal.figures.efficiency);
    EXPECT_EQ(at.passed, 2);
    EXPECT_EQ(at.yield, 100);
    EXPECT_EQ(summarize(r, std::nextafter(r.nominal.figures.efficiency, 200.0L)).yield, 0);
}

// Each sensitivity entry is the run of its element moved in its named
// direction, the others nominal, and its change is that run's efficiency
// minus the nominal one.
TEST(Tolerance, SensitivityRunsMoveTheirElementInTheNamedDirection) {
    const SimParams nominal = design();
    ToleranceSettings s = settings(0, 1);
    s.tol[kTolL3] = 2;
    LineCollector log;
    const ToleranceResult r = run_tolerance_analysis(nominal, s, log);
    ASSERT_EQ(r.sensitivity.size(), 1u);
    const SensitivityRow& row = r.sensitivity[0];
    EXPECT_EQ(row.element, kTolL3);
    EXPECT_EQ(row.low.values[kTolL3], nominal.L3 * (1 + -2.0L / 100));
    EXPECT_EQ(row.high.values[kTolL3], nominal.L3 * (1 + 2.0L / 100));
    EXPECT_EQ(row.low.values[kTolC3], nominal.C3);
    EXPECT_EQ(row.high.values[kTolL2], nominal.L2);
    ASSERT_EQ(row.low.status, RunStatus::completed);
    ASSERT_EQ(row.high.status, RunStatus::completed);
    EXPECT_EQ(row.change_low, row.low.figures.efficiency - r.nominal.figures.efficiency);
    EXPECT_EQ(row.change_high, row.high.figures.efficiency - r.nominal.figures.efficiency);
    // The low run is L3 2 % low, as a run of its own gives it.
    SimParams low = nominal;
    low.L3 = nominal.L3 * (1 + -2.0L / 100);
    const ToleranceResult alone = run_tolerance_analysis(low, settings(0, 1), log);
    EXPECT_EQ(row.low.figures.efficiency, alone.nominal.figures.efficiency);
    EXPECT_NE(row.high.figures.efficiency, alone.nominal.figures.efficiency);
}

TEST(ToleranceCli, TakesEveryOptionOfSimulate) {
    const Cli help = cli({"tolerance", "--help"});
    ASSERT_EQ(help.status, kExitCompleted);
    for (const ParamSpec& p : kParamTable) {
        if (p.option == nullptr) continue;
        EXPECT_NE(help.out.find(std::string("--") + p.option + " "), std::string::npos) << p.option;
    }
    for (const char* option : {"--values FILE", "--tol PCT", "--tol-k12 PCT", "--tol-fin PCT", "--dist", "--runs N",
                               "--seed S", "--threads T", "--threshold PCT", "--csv FILE"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

TEST(ToleranceCli, UsageErrorsAndRefusedNumbers) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--runs", "0"}, "The number of runs must be between 1 and 1000000."},
        {{"--tol", "-1"}, "The tolerance of C1 (%) must be at least 0 and below 100."},
        {{"--tol-fin", "100"}, "The tolerance of fin (%) must be at least 0 and below 100."},
        {{"--threads", "0"}, "The number of threads must be at least 1."},
        {{"--dist", "normal"}, ""},
        {{"--bogus"}, ""},
    };
    for (const auto& [args, message] : cases) {
        std::vector<std::string> a = {"tolerance"};
        a.insert(a.end(), args.begin(), args.end());
        const Cli r = cli(a);
        EXPECT_EQ(r.status, kExitUsage) << args[0];
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    const Cli r = cli({"tolerance", "--tol", "1,5"});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_EQ(r.err, "1,5 is not a valid number.\n");
}

TEST(ToleranceCli, ReportAndStopOfTheNominalRun) {
    testdata::ScratchDir dir("zelvar-tol");
    ASSERT_EQ(cli({"design"}).status, kExitCompleted);
    Cli r = cli({"tolerance", "--values", "zelvar.val", "--tol", "2", "--runs", "50", "--threads", "2"});
    ASSERT_EQ(r.status, kExitCompleted) << r.err;
    const std::vector<std::string> lines = split(r.out, '\n');
    EXPECT_EQ(lines[0], "Tolerance analysis: 50 runs, uniform, seed 1");
    EXPECT_EQ(lines[1], "Tolerances (%): C1 2.0000 L1 2.0000 C2 2.0000 L2 2.0000 C3 2.0000 L3 2.0000 k12 2.0000 "
                        "fin 0.0000");
    EXPECT_EQ(lines[3], "Runs finished: 50 of 50; completed 50, stopped 0, faults 0");
    EXPECT_EQ(lines[5].substr(0, 16), "Efficiency (%)  ");
    EXPECT_EQ(lines[9], "Yield: 50 of 50 runs (100.0000 %) reach an efficiency of 90.0000 %");
    EXPECT_EQ(lines.size(), 18u);  // and seven sensitivity rows

    r = cli({"tolerance", "--values", "zelvar.val", "--points", "10"});
    EXPECT_EQ(r.status, kExitStopped);
    EXPECT_EQ(r.out, "Too few points (increase points or internal steps or decrease max time).\n");
    r = cli({"tolerance", "--values", "zelvar.val", "--C1", "0"});
    EXPECT_EQ(r.status, kExitError);
    EXPECT_EQ(r.err, "Floating point division by zero.\n");
}

}  // namespace
}  // namespace zelvar
