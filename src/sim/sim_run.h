#pragma once
// One simulation run: point checks, model, step matrix, trapezoidal steps,
// samples, value range, maxima report, results-valid flag.
#include "report/report_log.h"
#include "sim/sim_params.h"
#include "sim/sim_state.h"

namespace zelvar {

// Returns true when the run completed (results-valid set), false when one of
// its own checks stopped it (its line is the last written).  Arithmetic
// faults are thrown as zelvar::Error.
bool run_simulation(const SimParams& params, SimState& state, ReportSink& log);

}  // namespace zelvar
