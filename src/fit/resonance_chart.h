#pragma once
// The geometry of the "Measured resonances" chart: the design's, the
// measured and the fitted resonances as marks on one linear frequency axis,
// one row each, in a box of the given size (pixels, y down).  The axis runs
// from 10 % below the lowest to 10 % above the highest frequency shown, with
// ticks at a round step (1, 2 or 5 × a power of ten) labelled in kHz.
#include <array>
#include <string>
#include <vector>

#include "fit/network_modes.h"

namespace zelvar::fit {

struct ChartMark {
    double x = 0;         // pixel column
    int row = 0;          // 0 design, 1 measured, 2 fitted
    std::string label;    // the measurement's name
};

struct ChartTick {
    double x = 0;
    std::string label;  // kHz
};

struct ResonanceChart {
    double left = 0, right = 0;               // the axis' pixel columns
    double axis_y = 0;                        // the axis' pixel row
    std::array<double, 3> row_y{};            // each row's centre
    std::array<const char*, 3> row_names = {"design", "measured", "as built"};
    std::vector<ChartMark> marks;
    std::vector<ChartTick> ticks;
};

// Frequencies of 0 are left out (not measured; no fit yet: all zero).
ResonanceChart resonance_chart(const std::array<long double, kMeasurements>& design,
                               const std::array<long double, kMeasurements>& measured,
                               const std::array<long double, kMeasurements>& fitted, int width, int height);

}  // namespace zelvar::fit
