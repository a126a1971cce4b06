// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The source's sine values of a run, computed a sample's steps at a time.
//
// The sine of a step depends only on the step's time, which is the running
// sum of h.  At the first step of a sample that needs a sine (or the first
// after the ones computed), the run forms the times and arguments of the
// sample's next steps the same way, in the same order and precision, while
// the driver runs the sine wave, and computes their sines together (faster
// than one by one: the arguments are read and the values written through
// memory once).  Forming the arguments ahead raises the fault flags the steps
// would raise, and in the same sample, whose flags are checked together when
// the sample is stored; the sine itself raises none for a finite argument.
// Everything else of the source (square wave, feedback, stopped driver) is
// computed as before, step by step.
#include <cmath>
#include <cstdint>

#include "sim/sim_params.h"
#include "sim/source_voltage.h"

namespace zelvar {

class SineAhead {
public:
    explicit SineAhead(long double h) : h_(h) {}

    // vin of step n (0-based) ending at t: source_voltage(p, t, i_fb).
    // `left` is the number of steps of the current sample from this one on.
    // Inline (the run takes it every step): the usual case is a load and a product.
    [[gnu::always_inline]] long double source(const SimParams& p, long double t, long double i_fb, std::int64_t n,
                                              std::int32_t left) {
        if (p.square || !(t < p.tstop) || (p.feedback && t > p.tstart)) return source_voltage(p, t, i_fb);
        if (n < end_) return values_[n - begin_] * p.Vin;
        return compute_ahead(p, t, (kTwoPi * p.fin) * t, n, left) * p.Vin;
    }

private:
    static constexpr int kAhead = 32;
    long double compute_ahead(const SimParams& p, long double t, long double arg, std::int64_t n,
                              std::int32_t left);

    long double h_;
    // Sines of steps begin_ .. end_ − 1, and their arguments.
    long double values_[kAhead] = {};
    long double args_[kAhead] = {};
    std::int64_t begin_ = 0, end_ = 0;
};

}  // namespace zelvar
