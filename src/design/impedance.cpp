// SPDX-License-Identifier: GPL-3.0-or-later
// The normalized impedance Z(s) = sum Aj[j] s / (s^2 + w[j]^2) as a quotient
// of polynomials in x = s^2, built one term at a time.
#include "app/faults.h"
#include "design/design_state.h"
#include "report/format.h"

namespace zelvar {

void build_impedance(DesignState& s, ReportSink& log) {
    s.degree = 0;
    s.den[0] = 1;
    for (int j = 1; j <= 3; ++j) {
        const long double q = s.w[j] * s.w[j];
        const long double a = s.Aj[j];
        const int d = s.degree;
        // num := num * (x + q) + a * den
        if (d > 0) {
            s.num[d] = s.num[d - 1] + a;
            for (int i = d - 1; i >= 1; --i) s.num[i] = q * s.num[i] + s.num[i - 1] + a * s.den[i];
            s.num[0] = q * s.num[0] + a * s.den[0];
        } else {
            s.num[0] = a;
        }
        // den := den * (x + q)
        for (int i = d; i >= 1; --i) s.den[i] = q * s.den[i] + s.den[i - 1];
        s.degree = d + 1;
        s.den[d + 1] = 1;
        s.den[0] = q * s.den[0];
    }
    fp_check();

    report_line(log, "Impedance:");
    report_line(log, "Normalized denominator:");
    for (int i = 0; i <= 3; ++i) report_line(log, "a[" + I(2 * i) + "]:" + F(s.den[i], 10, 2));
    report_line(log, "Normalized numerator:");
    for (int i = 0; i <= 2; ++i) report_line(log, "a[" + I(2 * i + 1) + "]:" + F(s.num[i], 10, 2));
}

}  // namespace zelvar
