// SPDX-License-Identifier: GPL-3.0-or-later
// The closed-form ideal (spark-gap) magnifier: the energy of the charged C1
// ends up entirely in C3 after half a period of w0.
#include "idealmag/magnifier.h"

#include <cmath>
#include <numbers>

#include "app/faults.h"
#include "report/format.h"

namespace zelvar {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kTwoPi = 2 * kPi;

using Real = long double;

// The mode check: both differences of neighbouring multipliers must be odd.
bool odd_differences(std::int32_t k, std::int32_t l, std::int32_t m) {
    const std::int32_t lk = isub(l, k);
    const std::int32_t ml = isub(m, l);
    return (lk & 1) != 0 && (ml & 1) != 0;
}

}  // namespace

bool design_magnifier(const MagnifierInputs& inputs, ReportSink& log, MagnifierResults& results) {
    const FpEnvironment fp_environment;
    const std::int32_t k = inputs.k, l = inputs.l, m = inputs.m;
    const Real C1 = inputs.C1, L3 = inputs.L3, C3 = inputs.C3;

    if (!odd_differences(k, l, m)) {
        report_line(log, "The multipliers must have odd differences");
        return false;
    }
    report_line(log, "Ideal Tesla magnifier:");
    report_line(log, "Energy transfer from C1 to C3");

    // C2: the numerator left to right, then one integer product as the
    // denominator, each fault at the point where it happens.
    const Real C2_numerator = C3 * 2 * Real(l) * Real(l) * Real(l) * Real(l);
    fp_check();
    const std::int32_t ll_mm = isub(imul(l, l), imul(m, m));
    const std::int32_t kk_ll = isub(imul(k, k), imul(l, l));
    const Real C2 = C2_numerator / Real(imul(ll_mm, kk_ll));
    fp_check();
    // L2: each integer difference converted on its own, the denominator
    // ((2*k)*k)*m*m in integers.
    const Real L2_numerator = Real(ll_mm) * L3 * Real(kk_ll);
    fp_check();
    const Real L2 = L2_numerator / Real(imul(imul(imul(imul(2, k), k), m), m));
    fp_check();
    const Real L1 = (L2 + L3) * C3 / C1;
    fp_check();
    const Real k12 = std::sqrt(L2 / (L2 + L3));
    fp_check();
    const Real w0 = 1 / (std::sqrt(L3 * C3) * Real(l));
    fp_check();

    const std::string micro(1, kMicro);
    report_line(log, "C1=" + F(C1 / 1e-9L, 16, 10) + " nF");
    report_line(log, "L1=" + F(L1 / 1e-6L, 16, 10) + " " + micro + "H");
    report_line(log, "C2=" + F(C2 / 1e-12L, 16, 10) + " pF");
    report_line(log, "L2=" + F(L2 / 0.001L, 16, 10) + " mH");
    report_line(log, "C3=" + F(C3 / 1e-12L, 16, 10) + " pF");
    report_line(log, "L3=" + F(L3 / 0.001L, 16, 10) + " mH");
    report_line(log, "k12= " + F(k12, 16, 10));
    report_line(log, "w0= " + F(w0 / 1000, 16, 10) + " krad/s");
    report_line(log, "Resonances: " + F(Real(k) * w0 / kTwoPi / 1000, 8, 4) + ", " +
                         F(Real(l) * w0 / kTwoPi / 1000, 8, 4) + ", " + F(Real(m) * w0 / kTwoPi / 1000, 8, 4) +
                         " kHz");
    report_line(log, "Energy transfer time: " + F(kPi / w0 / 1e-6L, 16, 10) + " " + micro + "s (" +
                         F(Real(l) / 2, 4, 1) + " cycles)");
    fp_check();

    results.C1 = C1;
    results.C2 = C2;
    results.C3 = C3;
    results.L1 = L1;
    results.L2 = L2;
    results.L3 = L3;
    results.k12 = k12;
    return true;
}

}  // namespace zelvar
