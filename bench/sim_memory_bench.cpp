// SPDX-License-Identifier: GPL-3.0-or-later
// Memory of simulation runs: the bytes the heap hands out during one run of
// the default design's circuit with 600 and with 50,000 points, with the
// samples stored and without them (figures only), in a fresh result and in a
// result reused from a run of the same size; and the size of the desktop's
// document object itself.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "report/report_log.h"
#include "sim/default_design_circuit.h"
#include "sim/sim_document.h"
#include "sim/sim_run.h"

namespace {

std::atomic<unsigned long long> g_bytes{0};
std::atomic<unsigned long long> g_blocks{0};

}  // namespace

void* operator new(std::size_t n) {
    g_bytes += n;
    ++g_blocks;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

void measure(const char* what, zelvar::SimParams p, bool store) {
    using namespace zelvar;
    LineCollector log;
    SimResult fresh;
    g_bytes = 0;
    g_blocks = 0;
    run_simulation(p, log, fresh, store);
    const unsigned long long fresh_bytes = g_bytes, fresh_blocks = g_blocks;
    g_bytes = 0;
    g_blocks = 0;
    run_simulation(p, log, fresh, store);  // the same result again
    std::printf("%-34s fresh result: %9llu bytes in %3llu blocks; reused: %llu bytes\n", what, fresh_bytes,
                fresh_blocks, static_cast<unsigned long long>(g_bytes));
}

}  // namespace

int main() {
    using namespace zelvar;
    SimParams p = default_design_circuit();  // no maxima report: the run alone
    measure("600 points, samples stored", p, true);
    measure("600 points, figures only", p, false);
    p.points = 50000;
    p.tmax = 5E-4L;
    measure("50,000 points, samples stored", p, true);
    measure("50,000 points, figures only", p, false);
    std::printf("one sample: %zu bytes; the desktop document object: %zu bytes (its stores on the heap)\n",
                sizeof(long double) + sizeof(SampleValues), sizeof(SimDocument));
    return 0;
}
