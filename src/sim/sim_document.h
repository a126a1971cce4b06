// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop's simulation document: the last run's result, the reference
// store, the view record and the flags the windows share.  The application
// object owns one (ZelvarWindows' creator) and hands it to the windows; the
// command line holds a SimResult of its own instead.
#include "report/report_log.h"
#include "sim/sim_params.h"
#include "sim/sim_result.h"

namespace zelvar {

struct SimDocument {
    SimResult result;       // the last run (its samples are the sample store)
    SampleStore reference;  // "Save Ref.": a copy of an earlier run's samples
    ViewRecord view;        // what the plot shows; each run starts it afresh
    bool dirty = true;               // the store must be recomputed before the next plot
    bool results_valid = false;      // the last run completed
    bool reference_present = false;  // "Delete Ref." enabled
    bool save_ref_enabled = false;   // "Save Ref." enabled (by the first completed run)
    // A run that stopped or failed is not retried by a plain repaint; only
    // something the user does that asks for a run (mark_dirty) clears this.
    bool run_blocked = false;
};

// The run for the document: the samples are stored in doc.result, the view
// record follows the run's range field by field (also when a check or a fault
// ends it), "Save Ref." is enabled once every sample is computed and
// results-valid is set when the run completes.  Returns true when it
// completed, false when one of its checks stopped it (its line is the last
// written); faults are thrown as zelvar::Error.
bool run_simulation(const SimParams& params, SimDocument& doc, ReportSink& log);

// "Plot", "Simulate", leaving a marked parameter field: recompute at the next
// paint (and allow a run that failed before to be tried again).
void mark_dirty(SimDocument& doc);

// "Save Ref.": copy the sample store into the reference store.
void save_reference(SimDocument& doc);

// "Delete Ref.": hide the reference (its data stay).
void delete_reference(SimDocument& doc);

}  // namespace zelvar
