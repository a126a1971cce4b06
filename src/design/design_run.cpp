// One design run: the stages in order, stopping at the first that fails.
#include "design/design_run.h"

#include "app/faults.h"
#include "design/design_state.h"

namespace zelvar {

DesignState design_state;

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

bool run_design(const DesignInputs& inputs, ReportSink& log, DesignHandOver* hand_over) {
    const FpEnvironment fp_environment;
    DesignState& s = design_state;
    read_design_inputs(s, inputs);
    compute_residues(s);
    apply_energy_left_options(s, inputs, log);
    if (!check_realizable(s, log)) return false;
    build_impedance(s, log);
    extract_ladder(s, log);
    if (!insert_transformer(s, log)) return false;
    report_final_values(s, log);
    save_value_file(s);
    report_line(log, "Values saved in file zelvar.val");
    fp_check();
    if (hand_over != nullptr) hand_over->hand_over_to_simulation(design_results(s));
    return true;
}

}  // namespace zelvar
