// SPDX-License-Identifier: GPL-3.0-or-later
// Mode explorer and frequency response benchmark: the whole mode table up to
// 21 (5985 designs) with the default C1, C3, L3 and excitation at m·w0, and
// the 2000-point response of the default design's circuit with its
// natural frequencies.  Prints the median processor time of each.
#include <algorithm>
#include <cstdio>
#include <ctime>
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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main() {
    using namespace zelvar;
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
    return 0;
}
