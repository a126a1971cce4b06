// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sim_document.h"

#include "sim/sim_run.h"

namespace zelvar {

bool run_simulation(const SimParams& params, SimDocument& doc, ReportSink& log) {
    doc.results_valid = false;
    doc.result.range = doc.view;
    const auto take_over = [&doc] {
        doc.view = doc.result.range;
        if (doc.result.samples_done) doc.save_ref_enabled = true;
    };
    bool completed = false;
    try {
        completed = run_simulation(params, log, doc.result, true);
    } catch (...) {
        take_over();
        throw;
    }
    take_over();
    doc.results_valid = completed;
    return completed;
}

void mark_dirty(SimDocument& doc) {
    doc.dirty = true;
    doc.run_blocked = false;
}

void save_reference(SimDocument& doc) {
    doc.reference.time = doc.result.samples.time;
    doc.reference.values = doc.result.samples.values;
    doc.reference_present = true;
}

void delete_reference(SimDocument& doc) { doc.reference_present = false; }

}  // namespace zelvar
