#pragma once
// The figures of a network, as designed or as built, for the report beside
// each other:
//  - its eight resonances (fit/network_modes.h);
//  - the mode it realizes, the ratios f2/f1 and f3/f1 of its whole-network
//    modes (the design's mode k:l:m gives l/k and m/k);
//  - its transfer efficiency from one simulation run with the run options
//    of `simulate` (the design's drive frequency and stop time) and its
//    elements: the tolerance analysis' figure, the energy in C3 in percent
//    of all the energy stored in the network at the sample where |v3|
//    peaks (sim/tolerance.h, run_with_figures).
#include <array>

#include "fit/network_modes.h"
#include "sim/element_values.h"
#include "sim/sim_params.h"
#include "sim/tolerance.h"

namespace zelvar::fit {

// The seven elements of a run's inputs, and a run's inputs with them.
ElementValues elements_of(const SimParams& p);
SimParams with_elements(SimParams run, const ElementValues& v);

struct NetworkFigures {
    ElementValues values;
    std::array<long double, kMeasurements> frequencies{};  // Hz
    long double ratio2 = 0, ratio3 = 0;                    // f2/f1, f3/f1
    RunRecord run;  // status completed: run.figures.efficiency in percent
};

// The figures of the network v run with the other inputs of `run` (its
// maxima report lines are not kept).  An invalid network raises
// zelvar::Error; a run that stops or faults is kept in `run`.
NetworkFigures network_figures(const SimParams& run, const ElementValues& v);

}  // namespace zelvar::fit
