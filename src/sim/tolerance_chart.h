// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the tolerance window shows of an analysis, computed here so that the
// window only draws: axes with round tick values, the histogram of the
// efficiency with whole counts and the threshold, and the table of the
// statistics, the yield and the sensitivity with the report's figures.
#include <cstdint>
#include <string>
#include <vector>

#include "sim/tolerance.h"

namespace zelvar {

// An axis from lo to hi in steps of 1, 2 or 5 times a power of ten, lo and
// hi multiples of the step, with at most max_intervals steps between them;
// `decimals` shows every tick value exactly.  A range of one value (or
// none) is widened to one step around it.  Values must be finite.
struct ChartAxis {
    long double lo = 0, hi = 1, step = 1;
    int intervals = 1;
    int decimals = 0;
};
ChartAxis round_axis(long double lo, long double hi, int max_intervals);
// The same for whole numbers from 0: steps of 1, 2, 5, 10, ... only.
ChartAxis count_axis(std::int32_t top, int max_intervals);

// The histogram of the efficiency over the completed Monte Carlo runs: bins
// of equal width over the round axis of the values, each bin [a, b) (the
// last one closed).  The threshold is drawn when it lies on the axis; it
// widens the axis to reach it when it lies within the values' span of
// them, so that a threshold far from every run does not squeeze the bars.
struct HistogramChart {
    ChartAxis x, y;
    long double bin_width = 0;
    std::vector<std::int32_t> counts;  // empty: no completed run
    long double threshold = 0;
    bool threshold_on_axis = false;
};
HistogramChart efficiency_histogram(const ToleranceResult& r, long double threshold, int bins = 20);

// The table of the window: one row per line of the report's statistics
// (its name and the seven figures as the report writes them, without their
// padding), then the yield, then one row per sensitivity line.
struct ToleranceTable {
    std::vector<std::string> stats_head;                // "Figure", "Mean", …, "Maximum"
    std::vector<std::vector<std::string>> stats;        // "Efficiency (%)", "Share of C3 (%)", "|V3| peak (V)", "Time of peak (s)"
    std::string yield;                                  // as the report's yield line
    std::vector<std::string> sensitivity_head;          // "Element", "-tol (%)", …
    std::vector<std::vector<std::string>> sensitivity;  // element, tol, efficiency and change at -tol and at +tol
};
ToleranceTable tolerance_table(const ToleranceResult& r, const ToleranceSettings& s);

}  // namespace zelvar
