// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/nagaoka.h"

#include <cmath>

namespace zelvar::coil {

long double nagaoka_coefficient(long double d_over_l) {
    const long double hyp = std::sqrt(d_over_l * d_over_l + 1);
    const long double k = d_over_l / hyp, kp = 1 / hyp;
    const long double K = std::comp_ellint_1(k), E = std::comp_ellint_2(k);
    return 4 / (3 * kPi * kp) * ((kp * kp) / (k * k) * (K - E) + E - k);
}

long double sheet_inductance(long double diameter, long double length, long double turns) {
    const long double r = diameter / 2;
    return kMu0 * kPi * r * r * turns * turns * nagaoka_coefficient(diameter / length) / length;
}

long double rosa_g(long double pitch, long double wire) { return 1.25L - std::log(2 * pitch / wire); }

long double rosa_pair(long double m) {
    if (m < 8) {
        const long double u = 1 / m;
        const long double upper = (m + 1) * (m + 1) * std::log1p(u);
        const long double lower = m == 1 ? 0.0L : (m - 1) * (m - 1) * std::log1p(-u);
        return 1.5L - (upper + lower) / 2;
    }
    const long double u2 = 1 / (m * m);
    long double power = u2, sum = 0;
    for (int i = 1; i < 40; ++i) {
        const long double term = power / (i * (2.0L * i + 1) * (2.0L * i + 2));
        sum += term;
        if (term < 1e-22L * sum) break;
        power *= u2;
    }
    return sum;
}

long double rosa_h(long double turns) {
    if (!(turns > 1)) return 0;
    long double sum = 0;
    for (long double m = 1; m < turns; m += 1) sum += (turns - m) * rosa_pair(m);
    return 2 * sum / turns;
}

long double solenoid_inductance(long double diameter, long double turns, long double pitch, long double wire) {
    const long double length = turns * pitch;
    return sheet_inductance(diameter, length, turns) -
           kMu0 * (diameter / 2) * turns * (rosa_g(pitch, wire) + rosa_h(turns));
}

}  // namespace zelvar::coil
