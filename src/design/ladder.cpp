// SPDX-License-Identifier: GPL-3.0-or-later
// Continued-fraction expansion of the impedance at infinity into the
// normalized ladder C[3], L[3], C[2], L[2], C[1], L[1].
#include "app/faults.h"
#include "design/design_state.h"
#include "report/format.h"

namespace zelvar {

void extract_ladder(DesignState& s, ReportSink& log) {
    report_line(log, "Normalized element values (ladder transformerless circuit):");
    for (int p = 3; p >= 1; --p) {
        const int d = s.degree;
        // Shunt capacitor: the pole at infinity of the admittance den / (s num).
        long double t = s.den[d] / s.num[d - 1];
        fp_check();
        s.C[p] = t;
        for (int i = d - 1; i >= 1; --i) s.den[i] = s.den[i] - t * s.num[i - 1];
        fp_check();
        // Series inductor: the pole at infinity of the impedance s num / den.
        t = s.num[d - 1] / s.den[d - 1];
        fp_check();
        s.L[p] = t;
        for (int i = d - 2; i >= 0; --i) s.num[i] = s.num[i] - t * s.den[i];
        fp_check();
        s.degree = d - 1;
        report_line(log, "C[" + I(p) + "]: " + F(s.C[p], 14, 9) + " F");
        report_line(log, "L[" + I(p) + "]: " + F(s.L[p], 14, 9) + " H");
    }
}

}  // namespace zelvar
