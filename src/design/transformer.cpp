// SPDX-License-Identifier: GPL-3.0-or-later
// Scaling of the ladder to the user's C3 and L3, and the coupled inductors
// with an ideal transformer in place of its input section.
#include <cmath>

#include "app/faults.h"
#include "design/design_state.h"
#include "report/format.h"

namespace zelvar {

bool insert_transformer(DesignState& s, ReportSink& log) {
    s.capacitance_scale = s.C3 / s.C[3];
    fp_check();
    s.inductance_scale = s.L3 / s.L[3];
    fp_check();
    // k12 squared: the shunt part of the secondary inductance.
    s.k12 = s.L[1] / (s.L[1] + s.L[2]);
    fp_check();
    if (s.k12 <= 0 || s.k12 >= 1) {
        report_line(log, "Impossible to include a transformer");
        return false;
    }
    s.k12 = std::sqrt(s.k12);
    for (int i = 1; i <= 3; ++i) {
        s.C[i] = s.C[i] * s.capacitance_scale;
        s.L[i] = s.L[i] * s.inductance_scale;
    }
    fp_check();
    s.turns_ratio = s.C1 / s.C[1];
    fp_check();
    s.C[1] = s.C1;
    s.L[2] = s.L[1] + s.L[2];
    s.L[1] = s.L[1] / s.turns_ratio;
    fp_check();
    return true;
}

}  // namespace zelvar
