// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot/view_samples.h"

#include <cmath>

namespace zelvar {

SampleStore samples_in_view(const SampleStore& s, long double t0, long double t1, long double run_end) {
    SampleStore inside;
    const std::int32_t n = s.count();
    const bool to_the_end = std::isgreater(run_end, 0.0L) && std::isgreaterequal(t1, run_end);
    for (std::int32_t k = 0; k < n; ++k) {
        if (std::isless(s.time[k], t0)) continue;
        if (std::isgreater(s.time[k], t1) && !(to_the_end && k == n - 1)) continue;
        inside.time.push_back(s.time[k]);
        inside.values.push_back(s.values[k]);
    }
    return inside;
}

}  // namespace zelvar
