#pragma once
// One network design run: residues, impedance, ladder, transformer, final
// values, value file and hand-over to the simulation parameters.
#include "report/report_log.h"

namespace zelvar {

// The inputs of the design window, as the stored values of its fields.
struct DesignInputs {
    long double k = 5, l = 7, m = 9, n = 11;
    long double C1 = 5e-9L, C3 = 1e-11L, L3 = 0.03L;
    int excitation = 2;  // 0 k*w0, 1 l*w0, 2 m*w0, 3 n*w0
    bool leave_c1 = false;
    long double g1 = -0.9L;
    bool leave_c2 = false;
    long double g2 = 0.03L;
};

// The values a complete design hands over to the simulation parameters.
struct DesignResults {
    long double C1 = 0, C2 = 0, C3 = 0, L1 = 0, L2 = 0, L3 = 0, k12 = 0, fin = 0;
};

// Receives the results of a complete design (the desktop program writes
// them into the simulation parameter window and enables "Simulate").
class DesignHandOver {
public:
    virtual ~DesignHandOver() = default;
    virtual void hand_over_to_simulation(const DesignResults& results) = 0;
};

// Runs one design.  Returns true when the run completed (value file written,
// results handed over), false when one of its own checks stopped it (its
// line is the last written).  Errors (arithmetic faults, file errors) are
// thrown as zelvar::Error with the lines already written kept.
// The value file "zelvar.val" goes to the current directory.
bool run_design(const DesignInputs& inputs, ReportSink& log, DesignHandOver* hand_over);

}  // namespace zelvar
