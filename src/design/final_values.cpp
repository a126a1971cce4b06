// SPDX-License-Identifier: GPL-3.0-or-later
// The final element values, k12, the excitation frequency, the resonances
// and the energy transfer time.
#include <cmath>
#include <numbers>

#include "app/faults.h"
#include "design/design_state.h"
#include "report/format.h"

namespace zelvar {

namespace {
constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kTwoPi = 2 * kPi;
}  // namespace

void report_final_values(DesignState& s, ReportSink& log) {
    report_line(log, "Final element values:");
    for (int p = 3; p >= 1; --p) {
        report_line(log, "C[" + I(p) + "]: " + F(s.C[p] / 1e-12L, 16, 9) + " pF (" + E(s.C[p], 18) + " F)");
        report_line(log, "L[" + I(p) + "]: " + F(s.L[p] / 1e-6L, 16, 9) + " " + kMicro + "H (" + E(s.L[p], 18) +
                             " H)");
    }
    report_line(log, "k12: " + F(s.k12, 14, 9));
    report_line(log, "Turns ratio of the ideal transformer inserted: " + F(s.turns_ratio, 14, 9));
    s.w0 = 1 / std::sqrt(std::fabs(s.capacitance_scale * s.inductance_scale));
    fp_check();
    s.fin = (s.excitation * s.w0) / kTwoPi;
    fp_check();
    report_line(log, "Excitation frequency: " + F(s.fin, 14, 9) + " Hz");
    report_line(log, std::string("(") + F(s.fin * 2 * kPi, 14, 9) + " rad/s)");
    report_line(log, "Resonances: ");
    for (int j = 1; j <= 3; ++j)
        report_line(log, std::string("f") + I(j) + ": " + F(s.w[j] * s.w0 / kTwoPi, 14, 9) + " Hz");
    report_line(log, "Energy transfer time: " + F((kPi / (2 * s.w0)) / 1e-6L, 14, 9) + " us");
}

}  // namespace zelvar
