// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/terminal_capacitance.h"

#include <cmath>
#include <vector>

#include "app/faults.h"
#include "coil/coil_text.h"
#include "coil/nagaoka.h"

namespace zelvar::coil {

long double sphere_capacitance(long double diameter) { return 4 * kPi * kEpsilon0 * diameter / 2; }

long double sphere_diameter_for(long double capacitance) { return 2 * capacitance / (4 * kPi * kEpsilon0); }

long double toroid_capacitance(long double outer_diameter, long double tube_diameter) {
    const long double ratio = tube_diameter / outer_diameter;
    if (!(ratio > 0 && ratio < 0.5L))
        throw Error("A toroid's tube-to-outer diameter ratio must lie between 0 and 0.5, not " + plain(ratio, 4));
    const long double a = tube_diameter / 2, R = outer_diameter / 2 - a;
    const long double z = R / a, s = std::sqrt((z - 1) * (z + 1));
    const long double c = std::sqrt((R - a) * (R + a));
    const long double kappa = std::sqrt(2 * s / (z + s));
    const long double p_minus = 2 / kPi * std::comp_ellint_1(kappa) / std::sqrt(z + s);
    const long double p_plus = 2 / kPi * std::sqrt(z + s) * std::comp_ellint_2(kappa);
    const long double m = std::sqrt(2 / (z + 1));
    const long double q_minus = m * std::comp_ellint_1(m);

    // Terms fall as (z + s)^(−2n): enough of them for 1E-22, and Miller's
    // start far enough above them for the recurrence to forget its start.
    const long double growth = std::log(z + s);
    const long double needed = std::ceil(26 / growth);
    if (!(needed < 100000)) throw Error("The toroid's hole is too small for its capacitance series");
    const int terms = static_cast<int>(needed) + 2;
    const int start = terms + static_cast<int>(needed) + 10;
    std::vector<long double> q(static_cast<std::size_t>(start) + 2, 0.0L);
    q[static_cast<std::size_t>(start) + 1] = 0;
    q[static_cast<std::size_t>(start)] = 1e-30L;
    // q[n] stands for Q_{n−½}; (n − ½)Q_{n−3/2} = 2n·z·Q_{n−½} − (n + ½)Q_{n+½}.
    for (int n = start; n >= 1; --n) {
        const auto i = static_cast<std::size_t>(n);
        q[i - 1] = (2 * n * z * q[i] - (n + 0.5L) * q[i + 1]) / (n - 0.5L);
        if (std::fabs(q[i - 1]) > 1e4000L) {  // keep far from overflow
            for (std::size_t j = i - 1; j < q.size(); ++j) q[j] *= 1e-4000L;
        }
    }
    const long double scale = q_minus / q[0];
    long double sum = q_minus / p_minus;
    long double p_prev = p_minus, p = p_plus;  // P_{n−3/2}, P_{n−½} for n = 1
    for (int n = 1; n <= terms; ++n) {
        const long double term = 2 * q[static_cast<std::size_t>(n)] * scale / p;
        sum += term;
        const long double p_next = (2 * n * z * p - (n - 0.5L) * p_prev) / (n + 0.5L);
        p_prev = p;
        p = p_next;
        if (std::fabs(term) < 1e-22L * sum) break;
    }
    return 8 * kEpsilon0 * c * sum;
}

long double toroid_outer_diameter_for(long double capacitance, long double ratio) {
    return capacitance / toroid_capacitance(1, ratio);
}

}  // namespace zelvar::coil
