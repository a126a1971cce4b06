// SPDX-License-Identifier: GPL-3.0-or-later
// One design run: the stages in order, stopping at the first that fails.
#include "design/design_run.h"

#include "app/faults.h"
#include "design/design_state.h"
#include "design/value_file.h"

namespace zelvar {

void read_design_inputs(DesignState& s, const DesignInputs& in) {
    s = DesignState{};
    s.k = in.k;
    s.l = in.l;
    s.m = in.m;
    s.n = in.n;
    s.C1 = in.C1;
    s.C3 = in.C3;
    s.L3 = in.L3;
    s.excitation_index = in.excitation;
}

DesignResults design_results(const DesignState& s) {
    DesignResults r;
    r.C1 = s.C[1];
    r.C2 = s.C[2];
    r.C3 = s.C[3];
    r.L1 = s.L[1];
    r.L2 = s.L[2];
    r.L3 = s.L[3];
    r.k12 = s.k12;
    r.fin = s.fin;
    return r;
}

bool design_network(const DesignInputs& inputs, ReportSink& log, DesignResults& results) {
    const FpEnvironment fp_environment;
    DesignState s;
    read_design_inputs(s, inputs);
    compute_residues(s);
    apply_energy_left_options(s, inputs, log);
    if (!check_realizable(s, log)) return false;
    build_impedance(s, log);
    extract_ladder(s, log);
    if (!insert_transformer(s, log)) return false;
    report_final_values(s, log);
    fp_check();
    results = design_results(s);
    return true;
}

void save_design_values(const DesignResults& results, const std::string& path, ReportSink& log) {
    const FpEnvironment fp_environment;
    const std::string text = value_file_text(results);
    fp_check();
    write_value_file(text, path);
    report_line(log, "Values saved in file " + path);
    fp_check();
}

bool run_design(const DesignInputs& inputs, ReportSink& log, DesignHandOver* hand_over) {
    DesignResults results;
    if (!design_network(inputs, log, results)) return false;
    save_design_values(results, kValueFileName, log);
    if (hand_over != nullptr) hand_over->hand_over_to_simulation(results);
    return true;
}

}  // namespace zelvar
