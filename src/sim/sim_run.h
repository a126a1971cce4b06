// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One simulation run: point checks, model, step matrix, trapezoidal steps,
// samples, value range, maxima and energies, maxima report.
#include "report/report_log.h"
#include "sim/sim_params.h"
#include "sim/sim_result.h"

namespace zelvar {

// Runs the circuit of `params` and fills `result`:
//  - result.samples: sized to params.points and filled when store_samples is
//    true; emptied (its memory kept) when it is false.  A result reused for
//    many runs allocates only when a run needs more samples than before.
//  - result.range, result.maxima, result.samples_done, result.end and
//    result.message as documented in sim/sim_result.h.  The figures are the
//    same whether the samples are stored or not.
// The report lines ("Too few points …", the maxima report with "Find maxima",
// …) go to `log`.  Returns true when the run completed, false when one of its
// own checks stopped it (its line is the last written, and result.message).
// Arithmetic faults are recorded in the result (RunEnd::kFault and the
// message) and then thrown as zelvar::Error, so a window shows its box.
// Needs no shared state: runs on separate results may go on in parallel.
bool run_simulation(const SimParams& params, ReportSink& log, SimResult& result, bool store_samples);

}  // namespace zelvar
