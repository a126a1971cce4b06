// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One network design run: residues, impedance, ladder, transformer, final
// values, value file and hand-over to the simulation parameters.
#include <string>

#include "report/report_log.h"
#include "sim/element_values.h"

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

// The values a complete design hands over to the simulation parameters:
// the seven elements and the drive frequency fin (Hz).
struct DesignResults : ElementValues {
    long double fin = 0;
};

// Receives the results of a complete design (the desktop program writes
// them into the simulation parameter window and enables "Simulate").
class DesignHandOver {
public:
    virtual ~DesignHandOver() = default;
    virtual void hand_over_to_simulation(const DesignResults& results) = 0;
};

// The design alone: residues, impedance, ladder, transformer and final
// values, their report lines to `log`.  Returns true with `results` filled
// when it completed, false when one of its own checks stopped it (its line
// is the last written).  Arithmetic faults are thrown as zelvar::Error with
// the lines already written kept.  Writes no file and shares no state:
// designs of several modes may run at once on separate threads.
bool design_network(const DesignInputs& inputs, ReportSink& log, DesignResults& results);

// Writes the value file of `results` as `path` (atomically, see
// app/atomic_file.h), then the line "Values saved in file <path>".  A file
// that cannot be written throws FileError (a zelvar::Error) before the line.
void save_design_values(const DesignResults& results, const std::string& path, ReportSink& log);

// What the design window and `zelvar-cli design` do: design_network, then
// the value file "zelvar.val" in the current directory, then the hand-over
// (when hand_over is not null).  Returns true when all of it completed,
// false when one of the design's checks stopped it.
bool run_design(const DesignInputs& inputs, ReportSink& log, DesignHandOver* hand_over);

}  // namespace zelvar
