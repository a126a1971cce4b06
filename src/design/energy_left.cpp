// SPDX-License-Identifier: GPL-3.0-or-later
// The two corrections, for excitation at l, that leave part of the energy in
// C1 or in C2.
#include "app/faults.h"
#include "design/design_state.h"
#include "report/format.h"

namespace zelvar {

namespace {

void leave_energy_in_c1(DesignState& s, long double g1, ReportSink& log) {
    const long double k = s.k, m = s.m, n = s.n;
    const long double d = (k * k - n * n) * 2;
    s.E[1] = (m * m - n * n) / d;
    s.E[2] = -0.5L;
    s.E[3] = (k * k - m * m) / d;
    report_line(log, "Limits for the factor for the energy left in C1:");
    report_line(log, "Factor < " + F(s.Aj[3] / s.E[3], 15, 10));
    report_line(log, "Factor > " + F(s.Aj[2] / s.E[2], 15, 10));
    for (int j = 1; j <= 3; ++j) s.Aj[j] = s.Aj[j] - g1 * s.E[j];
    fp_check();
}

// "Factor > " below a negative residue, "Factor < " otherwise.
void c2_limit_line(long double residue, long double w, ReportSink& log) {
    const long double limit = -1 / (1 - w * w);
    fp_check();
    report_line(log, (residue < 0 ? "Factor > " : "Factor < ") + F(limit, 15, 10));
}

void leave_energy_in_c2(DesignState& s, long double g2, ReportSink& log) {
    const long double k = s.k, m = s.m, n = s.n;
    report_line(log, "Limits for the factor for the energy left in C2:");
    if (k != 1) c2_limit_line(s.Aj[1], k, log);
    c2_limit_line(s.Aj[2], m, log);
    c2_limit_line(s.Aj[3], n, log);
    s.Aj[1] = s.Aj[1] / ((1 - k * k) * g2 + 1);
    fp_check();
    s.Aj[2] = s.Aj[2] / ((1 - m * m) * g2 + 1);
    fp_check();
    s.Aj[3] = s.Aj[3] / ((1 - n * n) * g2 + 1);
    fp_check();
}

}  // namespace

void apply_energy_left_options(DesignState& s, const DesignInputs& in, ReportSink& log) {
    if (s.excitation_index != 1) return;
    if (in.leave_c1) leave_energy_in_c1(s, in.g1, log);
    if (in.leave_c2) leave_energy_in_c2(s, in.g2, log);
}

}  // namespace zelvar
