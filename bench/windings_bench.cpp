// SPDX-License-Identifier: GPL-3.0-or-later
// Winding sheet benchmark: the solve of the default design with the default
// choices (secondary, extra coil, top terminal, primary's turns and offset,
// losses), as the windings window re-solves it on every change.  Prints the
// best and the median wall-clock time of 20 solves, and the processor time
// of the best (the machine may be shared).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "coil/windings.h"
#include "sim/default_design_circuit.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpu_seconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

int main() {
    using namespace zelvar;
    const SimParams p = default_design_circuit();
    const coil::WindingTargets targets{p.C1, p.L1, p.C2, p.L2, p.C3, p.L3, p.k12, p.fin};
    const coil::WindingChoices choices = coil::default_winding_choices();
    constexpr int kRuns = 20;
    std::vector<double> wall;
    double best_cpu = 1e300;
    coil::WindingSheet sheet;
    for (int i = 0; i < kRuns; ++i) {
        const double c0 = cpu_seconds();
        const auto t0 = Clock::now();
        sheet = coil::solve_windings(targets, choices);
        wall.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
        best_cpu = std::min(best_cpu, cpu_seconds() - c0);
    }
    std::sort(wall.begin(), wall.end());
    std::printf("Winding sheet of the default design: N2 %.6Lf, N3 %.6Lf, N1 %.6Lf, offset %.6Lf m\n",
                sheet.secondary.turns, sheet.extra.turns, sheet.primary.turns, sheet.primary.offset);
    std::printf("Solve time: best %.3f ms, median %.3f ms (processor time %.3f ms), %d solves\n", wall.front() * 1e3,
                wall[wall.size() / 2] * 1e3, best_cpu * 1e3, kRuns);
    return 0;
}
