#include "sim/tolerance.h"

#include <algorithm>
#include <cfenv>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <system_error>
#include <thread>

#include "app/faults.h"
#include "report/format.h"
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

const char* tolerance_element_name(int element) { return kElementNames[element]; }

long double SimParams::*tolerance_element_field(int element) { return kElementFields[element]; }

void check_tolerance_settings(const ToleranceSettings& s) {
    for (int e = 0; e < kToleranceElements; ++e)
        if (std::isnan(s.tol[e]) || s.tol[e] < 0 || s.tol[e] >= 100)
            throw Error(std::string("The tolerance of ") + kElementNames[e] + " (%) must be at least 0 and below 100");
    if (s.runs < 1 || s.runs > kMaxRuns) throw Error("The number of runs must be between 1 and 1000000");
    if (s.threads < 0) throw Error("The number of threads must be at least 1");
    if (std::isnan(s.threshold)) throw Error("The threshold must be a number");
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

int default_thread_count() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(std::min(n, static_cast<unsigned>(kMaxThreads)));
}

ToleranceResult run_tolerance_analysis(const SimParams& nominal, const ToleranceSettings& s, ReportSink& log,
                                       ToleranceControl* control) {
    check_tolerance_settings(s);
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
        if (result.nominal.status == RunStatus::stopped) {
            ctl.done = 1;
            return result;
        }
    }
    ctl.done = 1;

    result.sensitivity.resize(varied.size());
    result.runs.resize(static_cast<std::size_t>(s.runs));
    SimParams base = nominal;
    base.find_maxima = false;  // the varied runs write no report

    std::atomic<std::int32_t> next{0};
    auto work = [&](Worker& w) {
        const FpEnvironment worker_environment;
        for (;;) {
            if (ctl.cancel.load(std::memory_order_relaxed)) return;
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
                run_one(monte_carlo_params(base, s, run), w, w.log, result.runs[static_cast<std::size_t>(run - 1)]);
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
    std::vector<std::thread> pool;
    try {
        for (int t = 1; t < n_threads; ++t) pool.emplace_back(work, std::ref(workers[static_cast<std::size_t>(t)]));
    } catch (const std::system_error&) {
    }
    work(workers[0]);
    for (std::thread& t : pool) t.join();
    result.cancelled = ctl.cancel.load() && ctl.done.load() < ctl.total.load();

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
    ToleranceSummary s;
    std::vector<long double> eff, share, peak, time;
    for (const RunRecord& rec : r.runs) {
        if (rec.status == RunStatus::not_run) continue;
        ++s.finished;
        if (rec.status == RunStatus::completed) {
            ++s.completed;
            eff.push_back(rec.figures.efficiency);
            share.push_back(rec.figures.share_c3);
            peak.push_back(std::fabs(rec.figures.v3_peak));
            time.push_back(rec.figures.t_peak);
            if (rec.figures.efficiency >= threshold) ++s.passed;
            continue;
        }
        ++(rec.status == RunStatus::stopped ? s.stopped : s.faults);
        auto kind = std::find_if(s.kinds.begin(), s.kinds.end(), [&](const ToleranceSummary::Kind& k) {
            return k.status == rec.status && k.message == rec.message;
        });
        if (kind == s.kinds.end())
            s.kinds.push_back({rec.status, rec.message, 1});
        else
            ++kind->count;
    }
    s.yield = s.finished > 0 ? static_cast<long double>(s.passed) * 100 / s.finished : 0;
    s.efficiency = figure_stats(std::move(eff));
    s.share_c3 = figure_stats(std::move(share));
    s.v3_peak_magnitude = figure_stats(std::move(peak));
    s.t_peak = figure_stats(std::move(time));
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

std::string status_text(const RunRecord& rec) {
    switch (rec.status) {
        case RunStatus::completed:
            return "completed";
        case RunStatus::stopped:
            return "stopped: " + rec.message;
        case RunStatus::fault:
            return "fault: " + rec.message;
        default:
            return "not run";
    }
}

std::string figure_or_failure(const RunRecord& rec, long double x, int decimals) {
    if (rec.status != RunStatus::completed) {
        std::string text = "(";
        text += status_text(rec);
        text += ')';
        return text;
    }
    return F(x, 9, decimals) + " %";
}

}  // namespace

void write_tolerance_report(const ToleranceResult& r, const ToleranceSettings& s, ReportSink& log) {
    if (r.nominal.status != RunStatus::completed) return;  // its stop line is written already
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
    report_line(log, "Runs finished: " + I(sum.finished) + " of " + I(s.runs) + (r.cancelled ? " (cancelled)" : "") +
                         "; completed " + I(sum.completed) + ", stopped " + I(sum.stopped) + ", faults " +
                         I(sum.faults));
    for (const ToleranceSummary::Kind& k : sum.kinds)
        report_line(log, std::string(k.status == RunStatus::stopped ? "Stopped" : "Fault") + " (" + I(k.count) +
                             " runs): " + k.message);
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
    report_line(log, "Yield: " + I(sum.passed) + " of " + I(sum.finished) + " runs (" + F(sum.yield, 8, 4) +
                         " %) reach an efficiency of " + F(s.threshold, 0, 4) + " %");
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

void write_tolerance_csv(std::ostream& out, const ToleranceResult& r) {
    out << "run,C1,L1,C2,L2,C3,L3,k12,fin,efficiency,share_c3,v3_peak,t_peak,status\n";
    std::string row;
    for (std::size_t i = 0; i < r.runs.size(); ++i) {
        const RunRecord& rec = r.runs[i];
        if (rec.status == RunStatus::not_run) continue;
        row = std::to_string(i + 1);
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
        row += ',' + status + '\n';
        out << row;
    }
}

void write_tolerance_csv_file(const std::string& path, const ToleranceResult& r) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw Error("CSV file " + path + " cannot be written: " + std::strerror(errno));
    write_tolerance_csv(out, r);
    out.flush();
    if (!out) throw Error("CSV file " + path + " cannot be written: " + std::strerror(errno));
}

}  // namespace zelvar
