// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cfenv>
#include <string>
#include <thread>
#include <vector>

#include "app/faults.h"
#include "design/design_run.h"
#include "idealmag/magnifier.h"
#include "scratch_dir.h"
#include "sim/default_design_circuit.h"
#include "sim/sim_run.h"

namespace zelvar {
namespace {

#if defined(__x86_64__) || defined(__i386__)
unsigned short x87_control() {
    unsigned short cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
}
void set_x87_control(unsigned short cw) { __asm__ volatile("fldcw %0" : : "m"(cw)); }
#endif

// The report lines of the three engines: a run with its maxima report, the
// default design, the ideal magnifier.
std::vector<std::string> engine_lines() {
    LineCollector log;
    SimParams p = default_design_circuit();
    p.R1 = 1;
    p.find_maxima = true;
    SimResult result;
    run_simulation(p, log, result, false);
    testdata::ScratchDir dir("zelvar-fpenv");
    run_design(DesignInputs{}, log, nullptr);
    MagnifierResults m;
    design_magnifier(MagnifierInputs{}, log, m);
    return log.lines;
}

// A worker thread given another rounding mode, 53-bit precision and a
// pending fault computes the same lines as the default environment, and gets
// its own environment back.
TEST(FpEnvironment, EnginesComputeTheSameBitsInAnyCallersEnvironment) {
    fp_clear();
    const std::vector<std::string> expected = engine_lines();
    ASSERT_GT(expected.size(), 40u);
    for (const int rounding : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::vector<std::string> lines;
        int rounding_after = -1, flags_after = 0;
        unsigned short precision_after = 0;
        std::thread worker([&] {
            std::fesetround(rounding);
#if defined(__x86_64__) || defined(__i386__)
            set_x87_control(static_cast<unsigned short>((x87_control() & ~0x0300) | 0x0200));  // 53 bits
#endif
            std::feraiseexcept(FE_OVERFLOW);
            lines = engine_lines();
            rounding_after = std::fegetround();
            flags_after = std::fetestexcept(FE_ALL_EXCEPT & ~FE_INEXACT);
#if defined(__x86_64__) || defined(__i386__)
            precision_after = static_cast<unsigned short>(x87_control() & 0x0300);
#endif
        });
        worker.join();
        EXPECT_EQ(lines, expected) << rounding;
        EXPECT_EQ(rounding_after, rounding);
        EXPECT_EQ(flags_after, FE_OVERFLOW);
#if defined(__x86_64__) || defined(__i386__)
        EXPECT_EQ(precision_after, 0x0200);
#endif
    }
}

}  // namespace
}  // namespace zelvar
