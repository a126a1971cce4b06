// Tolerance analysis benchmark: 10,000 Monte Carlo runs of the default design
// (lossless, default timing: 600 points x 10 internal steps, every element
// but fin at 1 %), with one worker thread and with one per core, against the
// same 10,000 parameter sets run one after another by the plain run.
// Prints runs per second, the scaling over one thread, and the overhead of
// one thread over the plain runs.  The machine is shared: each figure is the
// best of three, and beside the wall-clock time the processor time of the
// whole process is shown; threads x (processor time with one thread) /
// (processor time with all) is the scaling that an idle machine gives.
// Last, the memory of an analysis: the peak resident size above the start
// for 200,000 short runs with and without the per-run records, and for
// 1,000,000 runs cancelled at once ("--memory": these alone).
#include <algorithm>
#include <fstream>
#include <string>
#include <thread>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "report/report_log.h"
#include "sim/default_design_circuit.h"
#include "sim/sim_run.h"
#include "sim/tolerance.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Processor time of the whole process (every thread), in seconds.
// The peak resident size of the process in kB (VmHWM), after resetting it
// to the present size when `reset`.
long peak_kb(bool reset = false) {
    if (reset) std::ofstream("/proc/self/clear_refs") << "5";
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}
long resident_kb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

double cpu_seconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zelvar;
    const SimParams p = default_design_circuit();
    ToleranceSettings s;
    s.runs = 10000;
    const int cores = default_thread_count();
    constexpr int kRepeats = 3;
    // "--memory": the memory figures only.
    const bool memory_only = argc > 1 && std::string(argv[1]) == "--memory";
    if (!memory_only) {

        // The analysis: nominal, 14 sensitivity runs and the Monte Carlo runs.
        auto analysis = [&](int threads, double& best, double& best_cpu, ToleranceSummary& summary) {
            s.threads = threads;
            best = best_cpu = 1e300;
            for (int k = 0; k < kRepeats; ++k) {
                LineCollector log;
                const double c0 = cpu_seconds();
                const auto t0 = Clock::now();
                const ToleranceResult r = run_tolerance_analysis(p, s, log);
                best = std::min(best, seconds_since(t0));
                best_cpu = std::min(best_cpu, cpu_seconds() - c0);
                summary = summarize(r, s.threshold);
            }
        };
        double one = 0, all = 0, one_cpu = 0, all_cpu = 0;
        ToleranceSummary sum_one, sum_all;
        analysis(1, one, one_cpu, sum_one);
        analysis(cores, all, all_cpu, sum_all);

        // The same parameter sets by the plain run, one after another, storing
        // the samples as for a plot.
        SimResult result;  // reused, as a window reuses its own
        double plain = 1e300, plain_cpu = 1e300;
        std::int32_t completed = 0;
        for (int k = 0; k < kRepeats; ++k) {
            LineCollector log;
            completed = 0;
            const double c0 = cpu_seconds();
            const auto t0 = Clock::now();
            for (std::int32_t run = 1; run <= s.runs + 15; ++run) {
                // 15 more: as many as the nominal and sensitivity runs
                const SimParams q = monte_carlo_params(p, s, (run - 1) % s.runs + 1);
                completed += run_simulation(q, log, result, true) ? 1 : 0;
            }
            plain = std::min(plain, seconds_since(t0));
            plain_cpu = std::min(plain_cpu, cpu_seconds() - c0);
        }

        const double total = s.runs + 15;
        std::printf("tolerance analysis: %d Monte Carlo runs + 15 nominal/sensitivity runs, %d points x %d steps\n",
                    s.runs, p.points, p.steps);
        std::printf("1 thread:   %.3f s (processor %.3f s), %.0f runs/s (completed %d, yield %.4Lf %%)\n", one, one_cpu,
                    total / one, sum_one.completed, sum_one.yield);
        std::printf("%d threads: %.3f s (processor %.3f s), %.0f runs/s (completed %d, yield %.4Lf %%)\n", cores, all,
                    all_cpu, total / all, sum_all.completed, sum_all.yield);
        std::printf("scaling: %.2f x by the clock, %.2f x by processor time, with %d threads (target >= 1.8 on 2 cores)\n",
                    one / all, cores * one_cpu / all_cpu, cores);
        std::printf("plain runs one after another: %.3f s (processor %.3f s), %.0f runs/s (completed %d)\n", plain,
                    plain_cpu, total / plain, completed);
        std::printf("1 thread over the plain runs: %+.1f %% by the clock, %+.1f %% by processor time (target within 10 %%)\n",
                    (one / plain - 1) * 100, (one_cpu / plain_cpu - 1) * 100);
    }

    // Memory: short runs (20 points x 1 step), so that the records, not the
    // runs, are what is measured.
    SimParams short_run = p;
    short_run.tmax = 2e-7L;
    short_run.points = 20;
    short_run.steps = 1;
    ToleranceSettings m = s;
    m.runs = 200000;
    m.threads = cores;
    for (const bool keep : {false, true}) {
        const long before = resident_kb();
        peak_kb(true);
        LineCollector log;
        ToleranceOutput output;
        output.keep_runs = keep;
        std::size_t csv_bytes = 0;
        output.csv = [&](const std::string& row) { csv_bytes += row.size(); };  // rows streamed, not kept
        const ToleranceResult r = run_tolerance_analysis(short_run, m, log, nullptr, output);
        const long peak = peak_kb();
        std::printf("memory, %d runs %s: peak %+.1f MB over the start (%.0f bytes a run), %.1f MB of CSV streamed, "
                    "completed %d\n",
                    m.runs, keep ? "keeping every record" : "streamed (the command line and the window)",
                    (peak - before) / 1024.0, (peak - before) * 1024.0 / m.runs, csv_bytes / 1048576.0,
                    r.summary.completed);
    }
    {
        ToleranceSettings big = s;
        big.runs = 1000000;
        big.threads = cores;
        ToleranceControl control;
        const long before = resident_kb();
        peak_kb(true);
        LineCollector log;
        ToleranceOutput output;
        output.keep_runs = false;
        std::thread canceller([&] {
            while (control.done.load() < 1) std::this_thread::yield();
            control.cancel = true;
        });
        const ToleranceResult r = run_tolerance_analysis(p, big, log, &control, output);
        canceller.join();
        std::printf("memory, %d runs cancelled at once: peak %+.1f MB over the start (%d runs finished)\n", big.runs,
                    (peak_kb() - before) / 1024.0, r.summary.finished);
    }
    return 0;
}
