#pragma once
// Tolerance and sensitivity analysis of one parameter set: how much of the
// energy still reaches C3 when the elements, the coupling and the drive
// frequency are a few percent off their design values.
//
//  - Monte Carlo: N runs, each with C1, L1, C2, L2, C3, L3, k12 and fin
//    varied independently around their nominal values by their own
//    tolerance (uniform within ±tol, or Gaussian with σ = tol/3 truncated at
//    ±tol).  Run i's values depend only on the seed and i.
//  - Sensitivity: each element alone at −tol and at +tol, the others
//    nominal, ranked by the largest change of the efficiency.
//
// The figures of one run are taken at the stored sample where |v3| peaks
// (the maxima report's snapshot): the peak of v3 and its time, the report's
// share of C3 in the C1 + C2 + C3 energy, and the transfer efficiency, the
// energy in C3 as a percentage of all the energy stored in the network at
// that instant (C1, C2, C3, the load capacitor, and the inductors with their
// mutual term).  Every run is the simulator's own run; the nominal one is
// exactly the run `simulate` makes.
//
// A draw with |k12| >= 1 is not a circuit: it is not simulated, counted apart
// as "not a circuit (|k12| ≥ 1)", and left out of the statistics and of the
// yield (its denominator counts the runs that are circuits).
//
// The runs are spread over a pool of worker threads; their records are taken
// in run order as they finish (so the figures and the CSV rows do not depend
// on the threads) and kept only as far as the caller asks: the statistics
// keep the four figures of each completed run until the end, then only the
// summary.  The caller can cancel and reads the progress.
#include <atomic>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "report/report_log.h"
#include "sim/circuit_model.h"
#include "sim/sim_params.h"
#include "sim/sim_result.h"
#include "sim/tolerance_draws.h"

namespace zelvar {

// The varied inputs, in the order of the CSV columns.
enum ToleranceElement : int { kTolC1 = 0, kTolL1, kTolC2, kTolL2, kTolC3, kTolL3, kTolK12, kTolFin };
inline constexpr int kToleranceElements = 8;

// "C1", "L1", "C2", "L2", "C3", "L3", "k12", "fin".
const char* tolerance_element_name(int element);
// The member of SimParams that element e varies.
long double SimParams::*tolerance_element_field(int element);

struct ToleranceSettings {
    // Tolerance of each element in percent (0: held at nominal).
    long double tol[kToleranceElements] = {1, 1, 1, 1, 1, 1, 1, 0};
    Distribution dist = Distribution::uniform;
    std::int32_t runs = 1000;
    std::uint32_t seed = 1;         // 0 to kMaxToleranceSeed
    int threads = 0;                // 0: one per core; at most 256 are started
    long double threshold = 90;     // efficiency in percent that a run must reach for the yield
};

// The seeds: 0 to 2147483647, as the window's integer field and the command
// line take them.
inline constexpr std::int64_t kMaxToleranceSeed = 2147483647;
// The seed of a typed number; zelvar::SettingError outside 0 to
// kMaxToleranceSeed.
std::uint32_t tolerance_seed(std::int64_t typed);

// Raises zelvar::SettingError with a message naming the setting when one is
// out of range: a tolerance below 0 or not below 100 %, fewer than 1 run,
// more than 1,000,000 runs, fewer than 0 threads, a seed above
// kMaxToleranceSeed, a threshold outside 0 to 100 %.
void check_tolerance_settings(const ToleranceSettings& s);

// The input values of Monte Carlo run `run` (numbered from 1): each element
// multiplied by 1 + (tol/100)·d, d its deviation for (seed, run).  A
// tolerance of 0 keeps the element exactly.
SimParams monte_carlo_params(const SimParams& nominal, const ToleranceSettings& s, std::int32_t run);

enum class RunStatus : int { not_run = 0, completed, stopped, fault, not_circuit };

// The status of a draw with |k12| >= 1, as the CSV file gives it (UTF-8), and
// as the report (Latin-1) gives it.
inline constexpr const char* kNotCircuitStatus = "not a circuit (|k12| \u2265 1)";
inline constexpr const char* kNotCircuitReport = "not a circuit (|k12| >= 1)";

struct RunFigures {
    long double v3_peak = 0;     // signed value of largest magnitude
    long double t_peak = 0;      // its time
    long double share_c3 = 0;    // percent of the C1 + C2 + C3 energy (the maxima report's share)
    long double efficiency = 0;  // percent of all the energy stored in the network
    bool peak_at_edge = false;   // the nominal run only: its |v3| peaks at its last (or first) sample
};

// The transfer efficiency from the channel values at the peak of v3 (in
// state order: v1, v2, v3, vl, i1, i2, i3): the energy in C3 in percent of
// everything stored in C1, C2, C3, the load capacitor and the coupled
// inductors.  A total of exactly zero made of zero energies gives 0, as the
// maxima report's shares do.  Arithmetic faults are raised.
long double transfer_efficiency(const SimParams& p, const long double (&x)[kStates]);

struct RunRecord {
    long double values[kToleranceElements] = {};  // the inputs as run
    RunFigures figures;
    RunStatus status = RunStatus::not_run;
    std::string message;  // the stop line or the fault's message
};

// One run of the simulator with its figures at the peak of v3, exactly as
// the analysis takes each of its runs: the run's report lines to `log`, a
// stop or a fault kept in the record (status and message), never raised.
RunRecord run_with_figures(const SimParams& p, ReportSink& log);

// One element at −tol and at +tol.
struct SensitivityRow {
    int element = 0;
    long double tol = 0;
    RunRecord low, high;
    long double change_low = 0, change_high = 0;  // efficiency minus the nominal efficiency
};

// Cancel flag and progress, shared with the caller's thread.
struct ToleranceControl {
    std::atomic<bool> cancel{false};
    std::atomic<std::int32_t> done{0};   // runs finished (nominal, sensitivity and Monte Carlo)
    std::atomic<std::int32_t> total{0};  // runs to do, set when the analysis starts
};

// Statistics of one figure over the completed runs.
struct FigureStats {
    std::int32_t count = 0;
    long double mean = 0, std_dev = 0, min = 0, p5 = 0, p50 = 0, p95 = 0, max = 0;
};

struct ToleranceSummary {
    std::int32_t finished = 0, completed = 0, stopped = 0, faults = 0;
    std::int32_t not_circuit = 0;            // draws with |k12| >= 1, left out of everything below
    std::int32_t passed = 0;                 // completed runs with efficiency >= threshold
    long double yield = 0;                   // passed / (finished − not_circuit), in percent
    FigureStats efficiency, share_c3, v3_peak_magnitude, t_peak;
    // Each distinct stop or fault with its count, in order of first appearance.
    struct Kind {
        RunStatus status;
        std::string message;
        std::int32_t count;
    };
    std::vector<Kind> kinds;
};

// The histogram of the efficiency over the completed runs: `counts` bins of
// equal width from lo to hi (empty without a completed run).
struct EfficiencyHistogram {
    long double lo = 0, hi = 0;
    std::vector<std::int32_t> counts;
};

struct ToleranceResult {
    RunRecord nominal;
    std::vector<SensitivityRow> sensitivity;  // ranked, largest change first
    // The finished Monte Carlo runs, run i at index i − 1, where the caller
    // asked to keep them (ToleranceOutput::keep_runs).
    std::vector<RunRecord> runs;
    bool cancelled = false;
    // The Monte Carlo runs summarized with the settings' threshold, and the
    // histogram of their efficiency (20 bins), whether or not they are kept.
    ToleranceSummary summary;
    EfficiencyHistogram histogram;
};

// What the analysis hands over besides its result.
struct ToleranceOutput {
    // Keep every finished run's record in ToleranceResult::runs.
    bool keep_runs = true;
    // Called with the CSV text (write_tolerance_csv's): the header line when
    // the Monte Carlo runs begin, then each finished run's row in run order
    // as soon as the rows before it are done.  An exception from it cancels
    // the analysis and comes back from run_tolerance_analysis().
    std::function<void(const std::string&)> csv;
};

// The number of worker threads for a setting of 0: one per core.
int default_thread_count();

// Runs the analysis.  The nominal run comes first, on the calling thread,
// with `log` as its report log (its stop line, its maxima report when
// p.find_maxima is set); a fault of the nominal run is raised as
// zelvar::Error, a stop ends the analysis with nothing else run.  Then the
// sensitivity and Monte Carlo runs on the worker pool; their stops and
// faults are kept in their records.  With the cancel flag set, runs not yet
// started are skipped (status not_run) and `cancelled` is set.
// A nominal |k12| >= 1 raises zelvar::SettingError before any run.
ToleranceResult run_tolerance_analysis(const SimParams& nominal, const ToleranceSettings& s, ReportSink& log,
                                       ToleranceControl* control = nullptr, const ToleranceOutput& output = {});

// Mean, standard deviation (n − 1), minimum, percentiles (linear between the
// order statistics) and maximum of the values, summed in the order given.
FigureStats figure_stats(std::vector<long double> values);

// The summary of the kept runs with this threshold; without kept runs, the
// analysis's own summary (made with the settings' threshold).
ToleranceSummary summarize(const ToleranceResult& r, long double threshold);

// The report: settings, nominal figures (followed by kPeakAtEndWarning when
// the nominal run's peak of v3 is at the end of the run), run counts, failures by kind, the
// statistics, the yield and the ranked sensitivity.  Writes nothing but the
// nominal's stop line when the nominal run did not complete.
void write_tolerance_report(const ToleranceResult& r, const ToleranceSettings& s, ReportSink& log);

// One line per finished Monte Carlo run:
// run,C1,L1,C2,L2,C3,L3,k12,fin,efficiency,share_c3,v3_peak,t_peak,status
// reals with 21 significant digits (a row can be rerun exactly); figures are
// empty for a run that stopped or faulted, whose status is "stopped: line"
// or "fault: message", and for a draw that is not a circuit
// (kNotCircuitStatus).
void write_tolerance_csv(std::ostream& out, const ToleranceResult& r);
// The header line and the row of Monte Carlo run `run`, each with its '\n'.
std::string tolerance_csv_header();
std::string tolerance_csv_row(std::int32_t run, const RunRecord& rec);
// Writes the file of the kept runs atomically; a file that cannot be
// written raises zelvar::Error (cannot_write_message()).
void write_tolerance_csv_file(const std::string& path, const ToleranceResult& r);

}  // namespace zelvar
