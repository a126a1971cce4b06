// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/maxwell_mutual.h"

#include <cmath>

#include "coil/carlson.h"
#include "coil/nagaoka.h"

namespace zelvar::coil {

long double filament_mutual(long double a, long double b, long double h) {
    const long double r1 = std::sqrt((a - b) * (a - b) + h * h);
    const long double r2 = std::sqrt((a + b) * (a + b) + h * h);
    const long double k1 = 4 * a * b / ((r1 + r2) * (r1 + r2));
    const long double rd = carlson_rd(0, (1 - k1) * (1 + k1), 1);
    return 2 * kMu0 * std::sqrt(a * b) * k1 * std::sqrt(k1) * rd / 3;
}

long double ring_inductance(long double a, long double conductor_radius) {
    return kMu0 * a * (std::log(8 * a / conductor_radius) - 2);
}

}  // namespace zelvar::coil
