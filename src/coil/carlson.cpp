// SPDX-License-Identifier: GPL-3.0-or-later
#include "coil/carlson.h"

#include <algorithm>
#include <cmath>

namespace zelvar::coil {

long double carlson_rf(long double x, long double y, long double z) {
    for (int i = 0; i < 200; ++i) {
        const long double mu = (x + y + z) / 3;
        const long double dx = 1 - x / mu, dy = 1 - y / mu, dz = 1 - z / mu;
        if (std::max({std::fabs(dx), std::fabs(dy), std::fabs(dz)}) < 2e-4L) {
            const long double e2 = dx * dy - dz * dz, e3 = dx * dy * dz;
            return (1 - e2 / 10 + e3 / 14 + e2 * e2 / 24 - 3 * e2 * e3 / 44) / std::sqrt(mu);
        }
        const long double sx = std::sqrt(x), sy = std::sqrt(y), sz = std::sqrt(z);
        const long double lambda = sx * (sy + sz) + sy * sz;
        x = (x + lambda) / 4;
        y = (y + lambda) / 4;
        z = (z + lambda) / 4;
    }
    return (1 / std::sqrt((x + y + z) / 3));
}

long double carlson_rd(long double x, long double y, long double z) {
    long double sum = 0, factor = 1;
    for (int i = 0; i < 200; ++i) {
        const long double mu = (x + y + 3 * z) / 5;
        const long double dx = 1 - x / mu, dy = 1 - y / mu, dz = 1 - z / mu;
        if (std::max({std::fabs(dx), std::fabs(dy), std::fabs(dz)}) < 2e-4L) {
            const long double ea = dx * dy, eb = dz * dz;
            const long double ec = ea - eb, ed = ea - 6 * eb, ee = ed + ec + ec;
            const long double series = 1 + ed * (-3.0L / 14 + 9.0L / 88 * ed - 4.5L / 26 * dz * ee) +
                                       dz * (ee / 6 + dz * (-9.0L / 22 * ec + 3.0L / 26 * dz * ea));
            return 3 * sum + factor * series / (mu * std::sqrt(mu));
        }
        const long double sx = std::sqrt(x), sy = std::sqrt(y), sz = std::sqrt(z);
        const long double lambda = sx * (sy + sz) + sy * sz;
        sum += factor / (sz * (z + lambda));
        factor /= 4;
        x = (x + lambda) / 4;
        y = (y + lambda) / 4;
        z = (z + lambda) / 4;
    }
    const long double mu = (x + y + 3 * z) / 5;
    return 3 * sum + factor / (mu * std::sqrt(mu));
}

}  // namespace zelvar::coil
