// Tolerance analysis benchmark: 10,000 Monte Carlo runs of the default design
// (lossless, default timing: 600 points x 10 internal steps, every element
// but fin at 1 %), with one worker thread and with one per core, against the
// same 10,000 parameter sets run one after another by the plain run.
// Prints runs per second, the scaling over one thread, and the overhead of
// one thread over the plain runs.  The machine is shared: each figure is the
// best of three.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "report/report_log.h"
#include "sim/default_design_circuit.h"
#include "sim/sim_run.h"
#include "sim/sim_state.h"
#include "sim/tolerance.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

}  // namespace

int main() {
    using namespace zelvar;
    const SimParams p = default_design_circuit();
    ToleranceSettings s;
    s.runs = 10000;
    const int cores = default_thread_count();
    constexpr int kRepeats = 3;

    // The analysis: nominal, 14 sensitivity runs and the Monte Carlo runs.
    auto analysis = [&](int threads, double& best, ToleranceSummary& summary) {
        s.threads = threads;
        best = 1e300;
        for (int k = 0; k < kRepeats; ++k) {
            LineCollector log;
            const auto t0 = Clock::now();
            const ToleranceResult r = run_tolerance_analysis(p, s, log);
            best = std::min(best, seconds_since(t0));
            summary = summarize(r, s.threshold);
        }
    };
    double one = 0, all = 0;
    ToleranceSummary sum_one, sum_all;
    analysis(1, one, sum_one);
    analysis(cores, all, sum_all);

    // The same parameter sets by the plain run, one after another.
    static SimState state;
    double plain = 1e300;
    std::int32_t completed = 0;
    for (int k = 0; k < kRepeats; ++k) {
        LineCollector log;
        completed = 0;
        const auto t0 = Clock::now();
        for (std::int32_t run = 1; run <= s.runs + 15; ++run) {
            // 15 more: as many as the nominal and sensitivity runs
            const SimParams q = monte_carlo_params(p, s, (run - 1) % s.runs + 1);
            completed += run_simulation(q, state, log) ? 1 : 0;
        }
        plain = std::min(plain, seconds_since(t0));
    }

    const double total = s.runs + 15;
    std::printf("tolerance analysis: %d Monte Carlo runs + 15 nominal/sensitivity runs, %d points x %d steps\n",
                s.runs, p.points, p.steps);
    std::printf("1 thread:   %.3f s, %.0f runs/s (completed %d, yield %.4Lf %%)\n", one, total / one,
                sum_one.completed, sum_one.yield);
    std::printf("%d threads: %.3f s, %.0f runs/s (completed %d, yield %.4Lf %%)\n", cores, all, total / all,
                sum_all.completed, sum_all.yield);
    std::printf("scaling: %.2f x with %d threads (target >= 1.8 on 2 cores)\n", one / all, cores);
    std::printf("plain runs one after another: %.3f s, %.0f runs/s (completed %d)\n", plain, total / plain,
                completed);
    std::printf("1 thread over the plain runs: %+.1f %% (target within 10 %%)\n", (one / plain - 1) * 100);
    return 0;
}
