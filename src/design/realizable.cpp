// SPDX-License-Identifier: GPL-3.0-or-later
// The "Residues:" block and the realizability test.
#include "design/design_state.h"
#include "report/format.h"

namespace zelvar {

bool check_realizable(const DesignState& s, ReportSink& log) {
    report_line(log, "Residues:");
    for (int j = 1; j <= 3; ++j)
        report_line(log, "Aj[" + I(j) + "]=" + F(s.Aj[j], 15, 13) + " (" + F(s.w[j], 4, 1) + ")");
    report_line(log, "Excitation at " + F(s.excitation, 4, 1) + " rad/s; Sum=" +
                         F((s.Aj[1] + s.Aj[2]) + s.Aj[3], 15, 13));
    if (s.Aj[1] < 0 || s.Aj[2] < 0 || s.Aj[3] < 0) {
        report_line(log, "The design is irrealizable.");
        return false;
    }
    return true;
}

}  // namespace zelvar
