// Simulation run benchmark: the default design's circuit (mode 5:7:9:11,
// excitation at m·w0), 50,000 points × 10 internal steps = 500,000 trapezoidal
// steps per run.  Prints the median time per run and per step, the same run
// with the square wave, and, to show where the time goes, the median time of
// the source's sine alone for the same number of steps.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "app/faults.h"
#include "report/report_log.h"
#include "sim/default_design_circuit.h"
#include "sim/sim_run.h"
#include "sim/source_voltage.h"

namespace {

using Clock = std::chrono::steady_clock;

// Processor time of this thread, in ms: on a machine shared with other work
// it leaves out the time the thread waited for a processor.
double cpu_ms() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main() {
    using namespace zelvar;
    SimParams p = default_design_circuit();
    p.points = 50000;
    p.steps = 10;
    p.tmax = 5E-4L;  // 160 periods, about 3,100 internal steps per period
    const int runs = 15;

    SimResult result;  // reused: only the first run allocates its samples
    std::vector<double> run_ms, run_cpu;
    for (int r = 0; r < runs; ++r) {
        LineCollector log;
        const double c0 = cpu_ms();
        const auto t0 = Clock::now();
        const bool ok = run_simulation(p, log, result, true);
        const auto t1 = Clock::now();
        run_cpu.push_back(cpu_ms() - c0);
        if (!ok || result.end != RunEnd::kCompleted) {
            std::printf("run did not complete\n");
            return 1;
        }
        run_ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    const double steps = static_cast<double>(p.points - 1) * p.steps;
    const double med = median(run_ms);
    std::printf("simulation run: %d points x %d internal steps = %.0f steps\n", p.points, p.steps, steps);
    std::printf("median over %d runs: %.2f ms per run, %.1f ns per step (min %.2f ms, max %.2f ms)\n", runs,
                med, med * 1e6 / steps, *std::min_element(run_ms.begin(), run_ms.end()),
                *std::max_element(run_ms.begin(), run_ms.end()));
    const double cpu = median(run_cpu);
    std::printf("median processor time: %.2f ms per run, %.1f ns per step (min %.2f ms)\n", cpu, cpu * 1e6 / steps,
                *std::min_element(run_cpu.begin(), run_cpu.end()));
    std::printf("last sample: t = %.6Le s, v3 = %.6Le V, view %.4Le .. %.4Le\n",
                result.samples.time[p.points - 1], result.samples.values[p.points - 1][3], result.range.ymin,
                result.range.ymax);

    // The same run with the square wave (no sine; the parity of the nearest
    // integer per step).
    {
        SimParams q = p;
        q.square = true;
        std::vector<double> sq_cpu;
        for (int r = 0; r < runs; ++r) {
            LineCollector log;
            const double c0 = cpu_ms();
            if (!run_simulation(q, log, result, true)) {
                std::printf("square-wave run did not complete\n");
                return 1;
            }
            sq_cpu.push_back(cpu_ms() - c0);
        }
        const double sq = median(sq_cpu);
        std::printf("square-wave run: median processor time %.2f ms per run, %.1f ns per step (min %.2f ms)\n", sq,
                    sq * 1e6 / steps, *std::min_element(sq_cpu.begin(), sq_cpu.end()));
    }

    // The source alone: one sine per step, at the same instants.
    std::vector<double> src_ms, src_cpu;
    volatile long double sink = 0;
    const long double h = p.tmax / ((p.points - 1) * p.steps);
    for (int r = 0; r < runs; ++r) {
        long double t = 0, acc = 0;
        const double c0 = cpu_ms();
        const auto t0 = Clock::now();
        for (int s = 0; s < (p.points - 1) * p.steps; ++s) {
            t = t + h;
            acc += source_voltage(p, t, 0);
        }
        const auto t1 = Clock::now();
        src_cpu.push_back(cpu_ms() - c0);
        sink = acc;
        src_ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    (void)sink;
    const double src = median(src_ms), src_c = median(src_cpu);
    std::printf("source alone (sine per step): %.2f ms per run (processor %.2f ms), %.1f ns per step, "
                "%.0f %% of the run's processor time\n",
                src, src_c, src_c * 1e6 / steps, src_c * 100 / cpu);
    std::printf("target: under 50 ms per run -> %s (wall), %s (processor time)\n", med < 50 ? "met" : "NOT met",
                cpu < 50 ? "met" : "NOT met");
    return 0;
}
