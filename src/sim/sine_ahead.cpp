// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/sine_ahead.h"

namespace zelvar {

long double SineAhead::compute_ahead(const SimParams& p, long double t, long double arg, std::int64_t n,
                                     std::int32_t left) {
    if (!std::isfinite(arg)) return rounded_sin(arg);  // NaN, with its fault flag, now
    // This step and the next steps of the sample while the driver runs the
    // sine wave, with the times and arguments the run will form.
    int k = 0;
    args_[k++] = arg;
    for (long double tk = t; k < kAhead && k < left; ++k) {
        tk = tk + h_;
        if (!(tk < p.tstop) || (p.feedback && tk > p.tstart)) break;
        args_[k] = (kTwoPi * p.fin) * tk;
    }
    rounded_sin(args_, values_, k);
    begin_ = n;
    end_ = n + k;
    return values_[0];
}

}  // namespace zelvar
