// Mode explorer and frequency response benchmark: the whole mode table up to
// 21 (5985 designs) with the default C1, C3, L3 and excitation at m·w0, and
// the 2000-point response of the default design's circuit with its
// natural frequencies.  Prints the median processor time of each; then the
// table up to 40 (91,390 designs, as `zelvar-cli modes --max 40` keeps it)
// on one worker thread and on every core: elapsed and processor time, and
// the speed-up.
//
//   explorer_bench [max]    the scaling's largest multiplier (default 40)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "design/mode_explorer.h"
#include "sim/default_design_circuit.h"
#include "sim/freq_response.h"

namespace {

// Processor time of this thread, in ms: on a machine shared with other work
// it leaves out the time the thread waited for a processor.
double cpu_ms() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double process_cpu_ms() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zelvar;
    const int scaling_max = argc > 1 ? std::max(4, std::min(200, std::atoi(argv[1]))) : 40;
    std::vector<double> table, response;
    std::size_t rows = 0, realizable = 0, points = 0;
    for (int run = 0; run < 5; ++run) {
        double t0 = cpu_ms();
        const std::vector<ModeRow> all = explore_modes(DesignInputs{}, 21);
        table.push_back(cpu_ms() - t0);
        rows = all.size();
        realizable = select_modes(all, 1, false).size();

        const SimParams p = default_design_circuit();
        t0 = cpu_ms();
        const ResponseRange range = default_range(natural_frequencies(circuit_poles(p)));
        points = frequency_response(p, range).size();
        response.push_back(cpu_ms() - t0);
    }
    std::printf("mode table up to 21: %zu designs (%zu realizable), median %.1f ms\n", rows, realizable,
                median(table));
    std::printf("frequency response: poles + %zu points, median %.2f ms\n", points, median(response));

    // The scaling: the listing of `modes` (k12 up to 1) on 1 and on all threads.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    double elapsed[2] = {0, 0};
    for (int pass = 0; pass < 2; ++pass) {
        const int threads = pass == 0 ? 1 : static_cast<int>(cores);
        ModeListing listing(1, false);
        const double c0 = process_cpu_ms();
        const auto t0 = std::chrono::steady_clock::now();
        explore_modes_in_order(DesignInputs{}, scaling_max, threads, [&](const ModeRow& r) { listing.add(r); });
        listing.sort();
        elapsed[pass] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        std::printf("mode table up to %d on %d thread%s: %d designs (%zu listed), %.0f ms elapsed, %.0f ms processor\n",
                    scaling_max, threads, threads == 1 ? "" : "s", mode_count(scaling_max), listing.size(),
                    elapsed[pass], process_cpu_ms() - c0);
    }
    std::printf("mode table scaling, 1 -> %u threads: %.2f times faster (elapsed; target at least 1.8 on 2 cores)\n",
                cores, elapsed[0] / elapsed[1]);
    // What the machine grants now: the same plain arithmetic on 1 and on
    // every thread, each thread its own share (on a machine shared with
    // other work this is the ceiling of the figure above).
    double spin[2] = {0, 0};
    for (int pass = 0; pass < 2; ++pass) {
        const unsigned n = pass == 0 ? 1 : cores;
        const auto t0 = std::chrono::steady_clock::now();
        std::vector<std::thread> pool;
        for (unsigned t = 0; t < n; ++t)
            pool.emplace_back([] {
                volatile long double x = 0;
                for (long i = 0; i < 50000000; ++i) x = x + 1;
            });
        for (std::thread& t : pool) t.join();
        spin[pass] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() / n;
    }
    std::printf("  the machine now: %u threads of plain arithmetic do %.2f times the work of one in the same time\n",
                cores, spin[0] / spin[1]);
    return 0;
}
