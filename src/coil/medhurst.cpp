// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/medhurst.h"

#include <array>
#include <cmath>

#include "app/faults.h"
#include "coil/coil_text.h"

namespace zelvar::coil {

const long double kMedhurstLD[kMedhurstPoints] = {
    0.10L, 0.15L, 0.20L, 0.25L, 0.30L, 0.35L, 0.40L, 0.45L, 0.50L, 0.60L, 0.70L, 0.80L, 0.90L, 1.0L, 1.5L, 2, 2.5L,
    3,     3.5L,  4,     4.5L,  5,     6,     7,     8,     9,     10,    15,    20,    25,    30,   40,  50};
const long double kMedhurstH[kMedhurstPoints] = {
    0.96L, 0.79L, 0.70L, 0.64L, 0.60L, 0.57L, 0.54L, 0.52L, 0.50L, 0.48L, 0.47L,
    0.46L, 0.46L, 0.46L, 0.47L, 0.50L, 0.56L, 0.61L, 0.67L, 0.72L, 0.77L, 0.81L,
    0.92L, 1.01L, 1.12L, 1.22L, 1.32L, 1.86L, 2.36L, 2.9L,  3.4L,  4.6L,  5.8L};

namespace {

// Fritsch–Carlson slopes at the table's points.
std::array<long double, kMedhurstPoints> hermite_slopes() {
    constexpr std::size_t n = kMedhurstPoints;
    std::array<long double, n - 1> delta{};
    for (std::size_t i = 0; i + 1 < n; ++i)
        delta[i] = (kMedhurstH[i + 1] - kMedhurstH[i]) / (kMedhurstLD[i + 1] - kMedhurstLD[i]);
    std::array<long double, n> m{};
    m[0] = delta[0];
    m[n - 1] = delta[n - 2];
    for (std::size_t i = 1; i + 1 < n; ++i)
        m[i] = (delta[i - 1] * delta[i] <= 0) ? 0.0L : (delta[i - 1] + delta[i]) / 2;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (delta[i] == 0) {
            m[i] = m[i + 1] = 0;
            continue;
        }
        const long double alpha = m[i] / delta[i], beta = m[i + 1] / delta[i];
        const long double s = alpha * alpha + beta * beta;
        if (s > 9) {
            const long double tau = 3 / std::sqrt(s);
            m[i] = tau * alpha * delta[i];
            m[i + 1] = tau * beta * delta[i];
        }
    }
    return m;
}

}  // namespace

long double medhurst_h(long double l_over_d) {
    if (!(l_over_d >= kMedhurstMin && l_over_d <= kMedhurstMax))
        throw Error("The length-to-diameter ratio " + plain(l_over_d, 4) +
                    " is outside Medhurst's table of self-capacitance (0.1 to 50)");
    static const std::array<long double, kMedhurstPoints> slopes = hermite_slopes();
    std::size_t i = 0;
    while (i + 2 < kMedhurstPoints && l_over_d > kMedhurstLD[i + 1]) ++i;
    const long double h = kMedhurstLD[i + 1] - kMedhurstLD[i];
    const long double t = (l_over_d - kMedhurstLD[i]) / h;
    const long double t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * kMedhurstH[i] + (t3 - 2 * t2 + t) * h * slopes[i] +
           (-2 * t3 + 3 * t2) * kMedhurstH[i + 1] + (t3 - t2) * h * slopes[i + 1];
}

long double solenoid_self_capacitance(long double diameter, long double length) {
    return medhurst_h(length / diameter) * (diameter * 100) * 1e-12L;
}

}  // namespace zelvar::coil
