// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/tolerance.h"

#include <algorithm>
#include <cfenv>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <sstream>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "app/atomic_file.h"
#include "app/faults.h"
#include "app/worker_pool.h"
#include "report/format.h"
#include "sim/peak_edge.h"
#include "sim/sample_csv.h"
#include "sim/sim_run.h"

namespace zelvar {

namespace {

constexpr const char* kElementNames[kToleranceElements] = {"C1", "L1", "C2", "L2", "C3", "L3", "k12", "fin"};
constexpr long double SimParams::*kElementFields[kToleranceElements] = {
    &SimParams::C1, &SimParams::L1, &SimParams::C2, &SimParams::L2,
    &SimParams::C3, &SimParams::L3, &SimParams::k12, &SimParams::fin};

constexpr std::int32_t kMaxRuns = 1000000;

// Share of the total in percent, as the maxima report computes it.
long double percent_of(long double e, long double total) {
    if (total == 0 && e == 0) return 0;
    return e * 100 / total;
}

// What one worker thread reuses from run to run: the run's result (no
// samples are stored, so a run allocates nothing) and its log.
struct Worker {
    SimResult result;
    LineCollector log;
};

// The fault that a set of floating-point status bits stands for, in the order
// fp_check() gives them.
[[noreturn]] void raise_fault(int bits) {
    if (bits & FE_DIVBYZERO) throw Error(kDivisionByZero);
    if (bits & FE_OVERFLOW) throw Error(kOverflow);
    throw Error(kInvalidOperation);
}

// One run of the simulator with the figures at the peak of v3.
void run_one(const SimParams& p, Worker& w, ReportSink& log, RunRecord& rec) {
    for (int e = 0; e < kToleranceElements; ++e) rec.values[e] = p.*kElementFields[e];
    if (!is_coupling_physical(p.k12)) {
        rec.status = RunStatus::not_circuit;
        return;
    }
    try {
        if (!run_simulation(p, log, w.result, false)) {
            rec.status = RunStatus::stopped;
            rec.message = w.result.message;
            return;
        }
        const MaximaFigures& m = w.result.maxima;
        // A fault in the energies or in C3's share, which the maxima report
        // would raise, ends the run as it would end the report.
        if (m.energy_faults != 0) raise_fault(m.energy_faults);
        if (m.share_faults[2] != 0) raise_fault(m.share_faults[2]);
        rec.figures.v3_peak = m.peak[2];
        rec.figures.t_peak = m.peak_time[2];
        rec.figures.share_c3 = m.share[2];
        rec.figures.efficiency = transfer_efficiency(p, m.at_v3_peak);
        rec.status = RunStatus::completed;
    } catch (const std::exception& e) {
        rec.status = RunStatus::fault;
        rec.message = e.what();
    }
}

// A parameter set with one element moved by `percent`.
SimParams moved(const SimParams& nominal, int element, long double percent) {
    SimParams p = nominal;
    p.*kElementFields[element] = nominal.*kElementFields[element] * (1 + percent / 100);
    return p;
}

long double largest_change(const SensitivityRow& row) {
    if (row.low.status != RunStatus::completed || row.high.status != RunStatus::completed) return INFINITY;
    return std::max(std::fabs(row.change_low), std::fabs(row.change_high));
}

}  // namespace

RunRecord run_with_figures(const SimParams& p, ReportSink& log) {
    const FpEnvironment fp_environment;
    Worker w;
    RunRecord rec;
    run_one(p, w, log, rec);
    return rec;
}

const char* tolerance_element_name(int element) { return kElementNames[element]; }

long double SimParams::*tolerance_element_field(int element) { return kElementFields[element]; }

std::uint32_t tolerance_seed(std::int64_t typed) {
    if (typed < 0 || typed > kMaxToleranceSeed) throw SettingError("The seed must be between 0 and 2147483647");
    return static_cast<std::uint32_t>(typed);
}

void check_tolerance_settings(const ToleranceSettings& s) {
    for (int e = 0; e < kToleranceElements; ++e)
        if (!(std::isgreaterequal(s.tol[e], 0) && std::isless(s.tol[e], 100)))
            throw SettingError(std::string("The tolerance of ") + kElementNames[e] +
                               " (%) must be at least 0 and below 100");
    if (s.runs < 1 || s.runs > kMaxRuns) throw SettingError("The number of runs must be between 1 and 1000000");
    if (s.threads < 0) throw SettingError("The number of threads must be at least 1");
    tolerance_seed(s.seed);
    if (!(std::isgreaterequal(s.threshold, 0) && std::islessequal(s.threshold, 100)))
        throw SettingError("The threshold (%) must be between 0 and 100");
}

SimParams monte_carlo_params(const SimParams& nominal, const ToleranceSettings& s, std::int32_t run) {
    SimParams p = nominal;
    for (int e = 0; e < kToleranceElements; ++e) {
        if (s.tol[e] == 0) continue;
        const long double d = tolerance_deviation(s.dist, s.seed, run, e);
        p.*kElementFields[e] = nominal.*kElementFields[e] * (1 + (s.tol[e] / 100) * d);
    }
    return p;
}

long double transfer_efficiency(const SimParams& p, const long double (&x)[kStates]) {
    fp_clear();
    // The maxima report's energies and total ...
    const long double e3 = x[2] * x[2] * (p.C3 * 0.5L);
    const long double e2 = x[1] * x[1] * (p.C2 * 0.5L);
    const long double e1 = x[0] * x[0] * (p.C1 * 0.5L);
    const long double total = (e1 + e2) + e3;
    // ... with the load capacitor and the coupled inductors (M = k12·√(L1·L2),
    // as the circuit model forms it).
    const long double el = x[3] * x[3] * (p.CL * 0.5L);
    const long double m = std::sqrt(p.L1 * p.L2) * p.k12;
    const long double magnetic = ((x[4] * x[4] * (p.L1 * 0.5L) + x[5] * x[5] * (p.L2 * 0.5L)) + (m * x[4]) * x[5]) +
                                 x[6] * x[6] * (p.L3 * 0.5L);
    const long double all = (total + el) + magnetic;
    const long double efficiency = percent_of(e3, all);
    fp_check();
    return efficiency;
}

constexpr int kMaxThreads = 256;

namespace {

constexpr int kHistogramBins = 20;

// The four figures of the completed runs, in run order.
struct FigureColumns {
    std::vector<long double> eff, share, peak, time;
};

// Counts a finished run into s (a run that was not run is not counted); a
// completed run's figures go to the columns.
void count_run(const RunRecord& rec, long double threshold, ToleranceSummary& s, FigureColumns& cols) {
    ++s.finished;
    switch (rec.status) {
        case RunStatus::completed:
            ++s.completed;
            cols.eff.push_back(rec.figures.efficiency);
            cols.share.push_back(rec.figures.share_c3);
            cols.peak.push_back(std::fabs(rec.figures.v3_peak));
            cols.time.push_back(rec.figures.t_peak);
            if (rec.figures.efficiency >= threshold) ++s.passed;
            break;
        case RunStatus::not_circuit:
            ++s.not_circuit;
            break;
        default: {
            ++(rec.status == RunStatus::stopped ? s.stopped : s.faults);
            auto kind = std::find_if(s.kinds.begin(), s.kinds.end(), [&](const ToleranceSummary::Kind& k) {
                return k.status == rec.status && k.message == rec.message;
            });
            if (kind == s.kinds.end())
                s.kinds.push_back({rec.status, rec.message, 1});
            else
                ++kind->count;
        }
    }
}

// The yield and the statistics of the figures; the columns are released.
void close_summary(ToleranceSummary& s, FigureColumns& cols) {
    const std::int32_t circuits = s.finished - s.not_circuit;
    s.yield = circuits > 0 ? static_cast<long double>(s.passed) * 100 / circuits : 0;
    s.efficiency = figure_stats(std::move(cols.eff));
    s.share_c3 = figure_stats(std::move(cols.share));
    s.v3_peak_magnitude = figure_stats(std::move(cols.peak));
    s.t_peak = figure_stats(std::move(cols.time));
    cols = FigureColumns{};
}

// Takes the Monte Carlo records in run order and keeps what is needed of
// them: the counts and kinds, the four figures of each completed run (for
// the statistics), the CSV row, the record itself where asked.
class RunTally {
public:
    RunTally(const ToleranceOutput& output, long double threshold, ToleranceResult& result)
        : output_(output), threshold_(threshold), result_(result) {}

    // Run `run` has finished; its record is taken at once or when the runs
    // before it are.  Called from the workers.
    void finished(std::int32_t run, RunRecord&& rec) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (failure_) return;
        waiting_.emplace(run, std::move(rec));
        try {
            while (!waiting_.empty() && waiting_.begin()->first == next_) {
                take(next_, waiting_.begin()->second);
                waiting_.erase(waiting_.begin());
                ++next_;
            }
        } catch (...) {
            failure_ = std::current_exception();
            waiting_.clear();
        }
    }
    bool failed() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return failure_ != nullptr;
    }
    std::exception_ptr failure() const { return failure_; }

    // The summary and the histogram; the figures are released.
    void close() {
        EfficiencyHistogram& h = result_.histogram;
        if (!cols_.eff.empty()) {
            const auto [lo, hi] = std::minmax_element(cols_.eff.begin(), cols_.eff.end());
            h.lo = *lo;
            h.hi = *hi;
            if (!(h.hi > h.lo)) {
                h.lo -= 0.5L;
                h.hi += 0.5L;
            }
            const long double width = (h.hi - h.lo) / kHistogramBins;
            h.counts.assign(kHistogramBins, 0);
            for (long double x : cols_.eff) {
                const long double bin = width > 0 ? std::floor((x - h.lo) / width) : 0;
                ++h.counts[static_cast<std::size_t>(std::clamp(bin, 0.0L, kHistogramBins - 1.0L))];
            }
        }
        close_summary(result_.summary, cols_);
    }

private:
    void take(std::int32_t run, RunRecord& rec) {
        count_run(rec, threshold_, result_.summary, cols_);
        if (output_.csv) output_.csv(tolerance_csv_row(run, rec));
        if (output_.keep_runs) result_.runs.push_back(std::move(rec));
    }

    const ToleranceOutput& output_;
    const long double threshold_;
    ToleranceResult& result_;
    std::mutex mutex_;
    std::map<std::int32_t, RunRecord> waiting_;  // finished before an earlier run
    std::int32_t next_ = 1;
    std::exception_ptr failure_;
    FigureColumns cols_;
};

}  // namespace

ToleranceResult run_tolerance_analysis(const SimParams& nominal, const ToleranceSettings& s, ReportSink& log,
                                       ToleranceControl* control, const ToleranceOutput& output) {
    check_tolerance_settings(s);
    check_coupling(nominal);
    // The engines' floating-point environment on this thread (the nominal run,
    // the ranking) and on every worker (the draws, the efficiencies).
    const FpEnvironment fp_environment;
    ToleranceControl local;
    ToleranceControl& ctl = control != nullptr ? *control : local;
    ToleranceResult result;

    std::vector<int> varied;
    for (int e = 0; e < kToleranceElements; ++e)
        if (s.tol[e] != 0) varied.push_back(e);
    const std::int32_t n_sens = static_cast<std::int32_t>(varied.size()) * 2;
    const std::int32_t n_tasks = n_sens + s.runs;
    ctl.done = 0;
    ctl.total = n_tasks + 1;

    // The nominal run: the plain run of these inputs, its report lines in the
    // caller's log.  Its faults go to the caller as they are.
    {
        Worker w;
        run_one(nominal, w, log, result.nominal);
        if (result.nominal.status == RunStatus::fault) throw Error(result.nominal.message);
        result.nominal.figures.peak_at_edge = v3_peak_at_edge(nominal, w.result);
        if (result.nominal.status == RunStatus::stopped) {
            ctl.done = 1;
            return result;
        }
    }
    ctl.done = 1;

    result.sensitivity.resize(varied.size());
    SimParams base = nominal;
    base.find_maxima = false;  // the varied runs write no report
    if (output.csv) output.csv(tolerance_csv_header());
    RunTally tally(output, s.threshold, result);

    std::atomic<std::int32_t> next{0};
    std::atomic<bool> stop{false};
    auto work = [&](Worker& w) {
        const FpEnvironment worker_environment;
        for (;;) {
            if (ctl.cancel.load(std::memory_order_relaxed) || stop.load(std::memory_order_relaxed)) return;
            const std::int32_t task = next.fetch_add(1, std::memory_order_relaxed);
            if (task >= n_tasks) return;
            w.log.lines.clear();
            if (task < n_sens) {
                const int e = varied[static_cast<std::size_t>(task / 2)];
                SensitivityRow& row = result.sensitivity[static_cast<std::size_t>(task / 2)];
                const bool high = task % 2 == 1;
                run_one(moved(base, e, high ? s.tol[e] : -s.tol[e]), w, w.log, high ? row.high : row.low);
            } else {
                const std::int32_t run = task - n_sens + 1;
                RunRecord rec;
                run_one(monte_carlo_params(base, s, run), w, w.log, rec);
                tally.finished(run, std::move(rec));
                if (tally.failed()) stop = true;
            }
            ctl.done.fetch_add(1, std::memory_order_relaxed);
        }
    };

    // The draws do not depend on the threads, so the pool may be smaller
    // than asked: at most kMaxThreads, and only as many as the system
    // grants (a refused thread leaves its tasks to the others).
    const int n_threads =
        std::max(1, std::min({s.threads > 0 ? s.threads : default_thread_count(), n_tasks, kMaxThreads}));
    std::vector<Worker> workers(static_cast<std::size_t>(n_threads));
    run_on_workers(n_threads, [&](int t) { work(workers[static_cast<std::size_t>(t)]); });
    workers.clear();
    if (tally.failure()) std::rethrow_exception(tally.failure());
    result.cancelled = ctl.cancel.load() && ctl.done.load() < ctl.total.load();
    tally.close();

    // Rank the sensitivity rows: the largest change of the efficiency first,
    // element order among equals.
    for (std::size_t k = 0; k < varied.size(); ++k) {
        SensitivityRow& row = result.sensitivity[k];
        row.element = varied[k];
        row.tol = s.tol[varied[k]];
        if (row.low.status == RunStatus::completed)
            row.change_low = row.low.figures.efficiency - result.nominal.figures.efficiency;
        if (row.high.status == RunStatus::completed)
            row.change_high = row.high.figures.efficiency - result.nominal.figures.efficiency;
    }
    std::stable_sort(result.sensitivity.begin(), result.sensitivity.end(),
                     [](const SensitivityRow& a, const SensitivityRow& b) {
                         return std::isgreater(largest_change(a), largest_change(b));
                     });
    return result;
}

FigureStats figure_stats(std::vector<long double> v) {
    FigureStats st;
    st.count = static_cast<std::int32_t>(v.size());
    if (v.empty()) return st;
    long double sum = 0;
    for (long double x : v) sum += x;
    st.mean = sum / st.count;
    long double sq = 0;
    for (long double x : v) sq += (x - st.mean) * (x - st.mean);
    st.std_dev = st.count > 1 ? std::sqrt(sq / (st.count - 1)) : 0;
    std::sort(v.begin(), v.end());
    const auto percentile = [&](long double q) {
        const long double pos = q * (st.count - 1);
        const std::size_t lo = static_cast<std::size_t>(pos);
        if (lo + 1 >= v.size()) return v.back();
        return v[lo] + (v[lo + 1] - v[lo]) * (pos - lo);
    };
    st.min = v.front();
    st.max = v.back();
    st.p5 = percentile(0.05L);
    st.p50 = percentile(0.5L);
    st.p95 = percentile(0.95L);
    return st;
}

ToleranceSummary summarize(const ToleranceResult& r, long double threshold) {
    if (r.runs.empty()) return r.summary;
    const FpEnvironment fp_environment;
    ToleranceSummary s;
    FigureColumns cols;
    for (const RunRecord& rec : r.runs)
        if (rec.status != RunStatus::not_run) count_run(rec, threshold, s, cols);
    close_summary(s, cols);
    return s;
}

namespace {

std::string pad(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

std::string stats_line(const char* name, const FigureStats& st, bool fixed) {
    std::string line = pad(name, 16);
    for (long double x : {st.mean, st.std_dev, st.min, st.p5, st.p50, st.p95, st.max}) {
        line += ' ';
        line += fixed ? F(x, 17, 8) : E(x, 17);
    }
    return line;
}

// The status as the CSV file (UTF-8) or the report (Latin-1) gives it.
std::string status_text(const RunRecord& rec, bool report = false) {
    switch (rec.status) {
        case RunStatus::completed:
            return "completed";
        case RunStatus::stopped:
            return "stopped: " + rec.message;
        case RunStatus::fault:
            return "fault: " + rec.message;
        case RunStatus::not_circuit:
            return report ? kNotCircuitReport : kNotCircuitStatus;
        default:
            return "not run";
    }
}

std::string figure_or_failure(const RunRecord& rec, long double x, int decimals) {
    if (rec.status != RunStatus::completed) {
        std::string text = "(";
        text += status_text(rec, true);
        text += ')';
        return text;
    }
    return F(x, 9, decimals) + " %";
}

}  // namespace

void write_tolerance_report(const ToleranceResult& r, const ToleranceSettings& s, ReportSink& log) {
    if (r.nominal.status != RunStatus::completed) return;  // its stop line is written already
    // Its own arithmetic, whatever flags the caller left pending.
    const FpEnvironment fp_environment;
    const ToleranceSummary sum = summarize(r, s.threshold);
    report_line(log, "Tolerance analysis: " + I(s.runs) + " runs, " +
                         (s.dist == Distribution::uniform ? "uniform" : "Gaussian (sigma = tol/3)") + ", seed " +
                         std::to_string(s.seed));
    std::string tols = "Tolerances (%):";
    for (int e = 0; e < kToleranceElements; ++e) tols += std::string(" ") + kElementNames[e] + " " + F(s.tol[e], 0, 4);
    report_line(log, tols);
    const RunFigures& nom = r.nominal.figures;
    report_line(log, "Nominal: V3 peak " + F(nom.v3_peak, 17, 8) + " at t=" + E(nom.t_peak, 17) + ", share of C3 " +
                         F(nom.share_c3, 7, 4) + " %, efficiency " + F(nom.efficiency, 7, 4) + " %");
    if (nom.peak_at_edge) report_line(log, kPeakAtEndWarning);
    report_line(log, "Runs finished: " + I(sum.finished) + " of " + I(s.runs) + (r.cancelled ? " (cancelled)" : "") +
                         "; completed " + I(sum.completed) + ", stopped " + I(sum.stopped) + ", faults " +
                         I(sum.faults) + (sum.not_circuit > 0 ? ", " + std::string(kNotCircuitReport) + " " +
                                                                    I(sum.not_circuit)
                                                              : std::string()));
    for (const ToleranceSummary::Kind& k : sum.kinds)
        report_line(log, std::string(k.status == RunStatus::stopped ? "Stopped" : "Fault") + " (" + I(k.count) +
                             " runs): " + k.message);
    if (sum.not_circuit > 0)
        report_line(log, "Not a circuit (" + I(sum.not_circuit) +
                             " runs): |k12| >= 1, left out of the statistics and of the yield");
    if (sum.completed > 0) {
        std::string head = pad("Figure", 16);
        for (const char* column : {"Mean", "Std. dev.", "Minimum", "5 %", "50 %", "95 %", "Maximum"})
            head += std::string(18 - std::strlen(column), ' ') + column;
        report_line(log, head);
        report_line(log, stats_line("Efficiency (%)", sum.efficiency, true));
        report_line(log, stats_line("Share of C3 (%)", sum.share_c3, true));
        report_line(log, stats_line("|V3| peak (V)", sum.v3_peak_magnitude, true));
        report_line(log, stats_line("Time of peak (s)", sum.t_peak, false));
    }
    report_line(log, "Yield: " + I(sum.passed) + " of " + I(sum.finished - sum.not_circuit) + " runs (" +
                         F(sum.yield, 8, 4) + " %) reach an efficiency of " + F(s.threshold, 0, 4) + " %");
    if (r.sensitivity.empty()) return;
    report_line(log, "Sensitivity of the efficiency, one element at a time (change from nominal):");
    for (const SensitivityRow& row : r.sensitivity) {
        std::string line = pad(kElementNames[row.element], 4) + "-" + F(row.tol, 0, 4) + " %: " +
                           figure_or_failure(row.low, row.low.figures.efficiency, 4);
        if (row.low.status == RunStatus::completed) line += " (" + F(row.change_low, 8, 4) + ")";
        line += "  +" + F(row.tol, 0, 4) + " %: " + figure_or_failure(row.high, row.high.figures.efficiency, 4);
        if (row.high.status == RunStatus::completed) line += " (" + F(row.change_high, 8, 4) + ")";
        report_line(log, line);
    }
}

std::string tolerance_csv_header() {
    return "run,C1,L1,C2,L2,C3,L3,k12,fin,efficiency,share_c3,v3_peak,t_peak,status\n";
}

std::string tolerance_csv_row(std::int32_t run, const RunRecord& rec) {
    std::string row = std::to_string(run);
    for (long double v : rec.values) row += ',' + csv_real(v);
    const bool ok = rec.status == RunStatus::completed;
    for (long double v : {rec.figures.efficiency, rec.figures.share_c3, rec.figures.v3_peak, rec.figures.t_peak})
        row += ',' + (ok ? csv_real(v) : std::string());
    // The status is quoted when it holds a comma or a quote.
    std::string status = status_text(rec);
    if (status.find_first_of(",\"") != std::string::npos) {
        std::string quoted = "\"";
        for (char c : status) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        status = quoted + "\"";
    }
    return row + ',' + status + '\n';
}

void write_tolerance_csv(std::ostream& out, const ToleranceResult& r) {
    out << tolerance_csv_header();
    for (std::size_t i = 0; i < r.runs.size(); ++i) {
        const RunRecord& rec = r.runs[i];
        if (rec.status == RunStatus::not_run) continue;
        out << tolerance_csv_row(static_cast<std::int32_t>(i + 1), rec);
    }
}

void write_tolerance_csv_file(const std::string& path, const ToleranceResult& r) {
    std::ostringstream text;
    write_tolerance_csv(text, r);
    write_named_file("CSV", path, text.str());
}

}  // namespace zelvar
