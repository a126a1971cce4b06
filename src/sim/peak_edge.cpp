// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/peak_edge.h"

#include <cmath>

#include "app/faults.h"

namespace zelvar {

long double last_sample_time(const SimParams& p) {
    if (p.points < 2 || p.steps < 1) return 0;
    const std::int32_t steps = imul(isub(p.points, 1), p.steps);
    const long double h = (p.tmax - 0) / steps;
    long double t = 0;
    for (std::int32_t i = 1; i < p.points; ++i)
        for (std::int32_t s = 0; s < p.steps; ++s) t = t + h;
    return t;
}

bool v3_peak_at_edge(const SimParams& p, const SimResult& result) {
    if (!result.samples_done) return false;
    const long double t = result.maxima.peak_time[2];
    if (t == 0) return true;
    const long double end = last_sample_time(p);
    if (t == end) return true;
    // Half a period of the source; none for a source without a frequency.
    const long double half_period = std::isgreater(p.fin, 0.0L) ? 0.5L / p.fin : 0;
    return std::isless(end - t, half_period);
}

}  // namespace zelvar
